// Linux: Avahi's D-Bus interface on the system bus. One entry group holds every service of
// the advertisement; freeing it withdraws them all. Every call but the last is answered
// through the event loop, so that an Avahi slow to answer never holds the server up. A
// name another instrument has already (a second server on this host) is given up for the
// one Avahi proposes ("LDX7320 on bench-pc #2").
#include "DnsSd.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusObjectPath>
#include <QObject>

namespace scpi {

namespace {

const QString kAvahi = QStringLiteral("org.freedesktop.Avahi");
const QString kServer = QStringLiteral("org.freedesktop.Avahi.Server");
const QString kEntryGroup = QStringLiteral("org.freedesktop.Avahi.EntryGroup");
const QString kCollision = QStringLiteral("org.freedesktop.Avahi.CollisionError");
constexpr int kEveryInterface = -1;  // AVAHI_IF_UNSPEC
constexpr int kEveryProtocol = -1;   // AVAHI_PROTO_UNSPEC: IPv4 and IPv6
constexpr int kCallLimitMs = 10000;  // an Avahi that does not answer by then is not there
constexpr int kFreeLimitMs = 2000;   // at the end: the services go with the program anyway

// The states of an entry group, as its StateChanged signal gives them.
enum class GroupState { Uncommitted = 0, Registering = 1, Established = 2, Collision = 3, Failure = 4 };

class CAvahiPublication : public QObject, public IDnsSdPublication {
    Q_OBJECT
public:
    CAvahiPublication(DnsSdAdvertisement advertisement, DnsSdLog log);
    ~CAvahiPublication() override;

private slots:
    void OnStateChanged(int state, const QString& error);

private:
    void Call(const QString& path, const QString& interface, const QString& method, const QList<QVariant>& arguments,
              std::function<void(const QDBusMessage&)> then);
    void OnGroupMade(const QDBusMessage& reply);
    // Adds the services from the index-th on under the current name, one after another,
    // then commits them all: a round, which ends at the first refusal.
    void AddServices(std::size_t index = 0);
    // The name is taken: Avahi's alternative, and a new round.
    void Rename();
    void Unavailable(const QString& why);

    DnsSdAdvertisement m_advertisement;
    DnsSdLog m_log;
    QDBusConnection m_bus;
    QString m_group;  // the entry group's object path; empty until Avahi made it
    int m_round = 0;  // answers of an earlier round are of no account
    bool m_said = false;
};

CAvahiPublication::CAvahiPublication(DnsSdAdvertisement advertisement, DnsSdLog log)
    : m_advertisement(std::move(advertisement)), m_log(std::move(log)), m_bus(QDBusConnection::systemBus())
{
    qDBusRegisterMetaType<QList<QByteArray>>();  // the TXT records, aay
    if (!m_bus.isConnected()) {
        Unavailable(QStringLiteral("no system D-Bus: %1").arg(m_bus.lastError().message()));
        return;
    }
    Call(QStringLiteral("/"), kServer, QStringLiteral("EntryGroupNew"), {}, [this](const QDBusMessage& reply) { OnGroupMade(reply); });
}

CAvahiPublication::~CAvahiPublication()
{
    if (m_group.isEmpty())
        return;
    // Withdrawn while the program still runs: Avahi says goodbye on the network at once.
    m_bus.call(QDBusMessage::createMethodCall(kAvahi, m_group, kEntryGroup, QStringLiteral("Free")), QDBus::Block, kFreeLimitMs);
}

void CAvahiPublication::Call(const QString& path, const QString& interface, const QString& method, const QList<QVariant>& arguments,
                             std::function<void(const QDBusMessage&)> then)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kAvahi, path, interface, method);
    message.setArguments(arguments);
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message, kCallLimitMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [watcher, then = std::move(then)] {
        watcher->deleteLater();
        then(watcher->reply());
    });
}

void CAvahiPublication::OnGroupMade(const QDBusMessage& reply)
{
    if (reply.type() == QDBusMessage::ErrorMessage) {
        Unavailable(QStringLiteral("no Avahi daemon on the system bus: %1").arg(reply.errorMessage().trimmed()));
        return;
    }
    m_group = reply.arguments().value(0).value<QDBusObjectPath>().path();
    m_bus.connect(kAvahi, m_group, kEntryGroup, QStringLiteral("StateChanged"), this, SLOT(OnStateChanged(int, QString)));
    AddServices();
}

void CAvahiPublication::AddServices(std::size_t index)
{
    const int round = index == 0 ? ++m_round : m_round;
    const auto next = [this, round, index](const QDBusMessage& reply) {
        if (round != m_round)
            return;
        if (reply.type() == QDBusMessage::ErrorMessage && reply.errorName() == kCollision)
            Rename();
        else if (reply.type() == QDBusMessage::ErrorMessage)
            Unavailable(QStringLiteral("Avahi refused the services: %1").arg(reply.errorMessage().trimmed()));
        else if (index < m_advertisement.services.size())
            AddServices(index + 1);
    };
    if (index == m_advertisement.services.size())
        return Call(m_group, kEntryGroup, QStringLiteral("Commit"), {}, next);
    QList<QByteArray> txt;
    for (const auto& [key, value] : m_advertisement.txt)
        txt << key + '=' + value;
    const DnsSdService& service = m_advertisement.services[index];
    // AddService(i interface, i protocol, u flags, s name, s type, s domain, s host, q port, aay txt):
    // the default domain, this host.
    Call(m_group, kEntryGroup, QStringLiteral("AddService"),
         {kEveryInterface, kEveryProtocol, 0u, m_advertisement.name, service.type, QString(), QString(), QVariant::fromValue(service.port),
          QVariant::fromValue(txt)},
         next);
}

void CAvahiPublication::Rename()
{
    const int round = ++m_round;
    Call(QStringLiteral("/"), kServer, QStringLiteral("GetAlternativeServiceName"), {m_advertisement.name},
         [this, round](const QDBusMessage& reply) {
             if (round != m_round)
                 return;
             if (reply.type() == QDBusMessage::ErrorMessage)
                 return Unavailable(QStringLiteral("no other name from Avahi: %1").arg(reply.errorMessage().trimmed()));
             m_advertisement.name = reply.arguments().value(0).toString();
             Call(m_group, kEntryGroup, QStringLiteral("Reset"), {}, [](const QDBusMessage&) {});
             AddServices();
         });
}

void CAvahiPublication::OnStateChanged(int state, const QString& error)
{
    switch (GroupState(state)) {
    case GroupState::Established:
        m_log(AdvertisedLine(m_advertisement));
        break;
    case GroupState::Collision:
        Rename();
        break;
    case GroupState::Failure:
        Unavailable(QStringLiteral("Avahi failed to publish the services: %1").arg(error.trimmed()));
        break;
    case GroupState::Uncommitted:
    case GroupState::Registering:
        break;
    }
}

void CAvahiPublication::Unavailable(const QString& why)
{
    if (!std::exchange(m_said, true))
        m_log(NotAvailableLine(why));
}

}  // namespace

std::unique_ptr<IDnsSdPublication> PublishOnPlatform(const DnsSdAdvertisement& advertisement, DnsSdLog log)
{
    return std::make_unique<CAvahiPublication>(advertisement, std::move(log));
}

}  // namespace scpi

#include "DnsSd_linux.moc"
