#include "DnsSd.h"

#include "InstrumentIdentity.h"
#include "Version.h"

#include <QHostAddress>
#include <QStringList>
#include <QSysInfo>
#include <optional>

namespace scpi {

namespace {

// A DNS label's length: the instance name is one label.
constexpr int kMaxNameBytes = 63;
// VXI-11's clients ask the portmapper for the instrument's port.
constexpr quint16 kPortmapperPort = 111;

// "LDX7320 on bench-pc", cut to a label's length at a whole character.
QString InstanceName(const QString& host)
{
    QString name = QStringLiteral("%1 on %2").arg(QLatin1String(kModel), host);
    while (name.toUtf8().size() > kMaxNameBytes)
        name.chop(name.size() > 1 && name.back().isLowSurrogate() ? 2 : 1);
    return name;
}

// The advertisement of a server listening at address on a host of that name; nothing on
// the loopback.
std::optional<DnsSdAdvertisement> AdvertisementFor(const QString& address, bool vxi11Offered, const QString& hostName)
{
    // "HOST:PORT" or "[IPv6]:PORT", as the server words where it listens.
    const int colon = address.lastIndexOf(QLatin1Char(':'));
    QString host = address.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    const QHostAddress listening(host);
    if (colon < 0 || listening.isNull() || listening.isLoopback())
        return std::nullopt;
    DnsSdAdvertisement advertisement;
    // The first label: a dot would split the instance name.
    advertisement.host = hostName.section(QLatin1Char('.'), 0, 0);
    advertisement.name = InstanceName(advertisement.host);
    advertisement.services.push_back({QStringLiteral("_scpi-raw._tcp"), quint16(address.mid(colon + 1).toUInt())});
    if (vxi11Offered)
        advertisement.services.push_back({QStringLiteral("_vxi-11._tcp"), kPortmapperPort});
    advertisement.txt = {{"txtvers", "1"},
                         {"Manufacturer", kManufacturer},
                         {"Model", kModel},
                         {"FirmwareVersion", LDX_VERSION}};
    return advertisement;
}

}  // namespace

std::unique_ptr<IDnsSdPublication> AdvertiseServer(const QString& address, bool vxi11Offered, DnsSdLog log)
{
    const std::optional<DnsSdAdvertisement> advertisement = AdvertisementFor(address, vxi11Offered, QSysInfo::machineHostName());
    if (!advertisement)
        return nullptr;
    return PublishOnPlatform(*advertisement, std::move(log));
}

QString AdvertisedLine(const DnsSdAdvertisement& advertisement)
{
    QStringList services;
    for (const DnsSdService& service : advertisement.services)
        services << QStringLiteral("%1 on port %2").arg(service.type).arg(service.port);
    return QStringLiteral("advertised through DNS-SD as \"%1\": %2").arg(advertisement.name, services.join(QStringLiteral(", ")));
}

QString NotAvailableLine(const QString& why)
{
    return QStringLiteral("DNS-SD not available (%1): not advertised, serving all the same").arg(why);
}

}  // namespace scpi
