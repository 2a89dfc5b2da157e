#include "Vxi11Service.h"

#include "PortmapperAdvice.h"

namespace scpi {

CVxi11Service::CVxi11Service(CInstrumentRunner& runner, std::function<void(const QString&)> log)
    : m_log(log), m_server(runner, std::move(log))
{
}

void CVxi11Service::Start(const QHostAddress& host)
{
    QString error;
    if (!m_server.Listen(host, &error))
        return m_log(QStringLiteral("VXI-11 not offered: cannot listen on %1: %2").arg(host.toString(), error));
    const QString where = QStringLiteral("VXI-11 on %1 (%2)").arg(m_server.Address(), QLatin1String(CVxi11Core::kDeviceName));
    switch (m_registration.Register(m_server.Mappings())) {
    case CPortmapRegistration::Outcome::Registered:
        return m_log(where + QStringLiteral(", registered with the system's portmapper"));
    case CPortmapRegistration::Outcome::Refused:
        m_server.Close();
        return m_log(QStringLiteral("VXI-11 not offered: the portmapper on port 111 of this computer did not register it; ") + PortmapperAdvice());
    case CPortmapRegistration::Outcome::NoPortmapper:
        break;
    }
    if (m_portmapper.Listen(host, m_server.Mappings(), &error))
        return m_log(where + QStringLiteral(", portmapper answered here on port 111"));
    m_server.Close();
    m_log(QStringLiteral("VXI-11 not offered: no portmapper runs on this computer, and port 111 cannot be taken here (%1); %2").arg(error, PortmapperAdvice()));
}

}  // namespace scpi
