#include "CliHost.h"

namespace cli {

CCliHost::CCliHost(std::function<void(const QString&)> writeError) : m_writeError(std::move(writeError)) {}

void CCliHost::CancelPanel()
{
    if (m_failure == Failure::None)
        m_failure = Failure::Cancelled;
}

void CCliHost::RequestQuit()
{
    if (m_failure == Failure::None)
        m_failure = Failure::QuitRequested;
}

// The details are left out: the link has written the same lines through WriteDiagnostic
// already, and the message is said once.
void CCliHost::ShowBoardMessage(const QString& text, const QString&)
{
    m_writeError(QStringLiteral("ldx7320-cli: ") + text);
}

void CCliHost::WriteDiagnostic(const QString& line)
{
    m_writeError(line);
}

QString CCliHost::WhyLinkFailed() const
{
    switch (m_failure) {
    case Failure::Cancelled:
        return QStringLiteral("a byte could not be exchanged: the port failed or the device went away");
    case Failure::QuitRequested:
        return QStringLiteral("the board did not acknowledge a byte (\"COM Error\" or \"Power OFF\")");
    case Failure::None:
        break;
    }
    return {};
}

}  // namespace cli
