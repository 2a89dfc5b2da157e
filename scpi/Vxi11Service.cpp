#include "Vxi11Service.h"

#include "PortmapperPlatform.h"

namespace scpi {

CVxi11Service::CVxi11Service(CInstrumentRunner& runner, std::function<void(const QString&)> log)
    : m_log(log), m_server(runner, std::move(log))
{
}

bool CVxi11Service::Start(const QHostAddress& host)
{
    QString error;
    if (!m_server.Listen(host, &error)) {
        m_log(QStringLiteral("VXI-11 not offered: cannot listen on %1: %2").arg(host.toString(), error));
        return false;
    }
    const QString where = QStringLiteral("VXI-11 on %1 (%2)").arg(m_server.Address(), QLatin1String(CVxi11Core::kDeviceName));
    const CPortmapRegistration::Outcome registration =
        SystemPortmapperExpected() ? m_registration.Register(m_server.Mappings()) : CPortmapRegistration::Outcome::NoPortmapper;
    switch (registration) {
    case CPortmapRegistration::Outcome::Registered:
        m_log(where + QStringLiteral(", registered with the system's portmapper"));
        return true;
    case CPortmapRegistration::Outcome::Refused:
        m_server.Close();
        m_log(QStringLiteral("VXI-11 not offered: what answers port 111 on this computer did not register it (rpcbind takes "
                             "registrations from this computer; is it another program?)"));
        return false;
    case CPortmapRegistration::Outcome::NoPortmapper:
        break;
    }
    if (m_portmapper.Listen(host, m_server.Mappings(), &error)) {
        m_log(where + QStringLiteral(", portmapper answered here on port 111"));
        return true;
    }
    m_server.Close();
    m_log(QStringLiteral("VXI-11 not offered: port 111, where clients ask for it, cannot be taken here (%1); %2").arg(error, PortmapperAdvice()));
    return false;
}

}  // namespace scpi
