// The board link's host for a console program: what the panel shows in a box goes to
// standard error, and what would end the panel is noted for the run to act on.
#pragma once

#include "BoardHost.h"

#include <functional>

namespace cli {

class CCliHost : public board::IBoardHost {
public:
    // writeError writes one line to standard error.
    explicit CCliHost(std::function<void(const QString&)> writeError);

    void CancelPanel() override;
    void RequestQuit() override;
    void ShowBoardMessage(const QString& text, const QString& details) override;
    void WriteDiagnostic(const QString& line) override;

    // Whether the link has given up: it could not send or the device vanished, or it
    // reported a byte without acknowledgement and closed the port.
    bool LinkFailed() const { return m_failure != Failure::None; }
    // For a person: why the link gave up; empty while it has not.
    QString WhyLinkFailed() const;

private:
    // The first failure is the cause: once the link has closed the port, the rest of the
    // operation under way fails to send as well.
    enum class Failure { None, Cancelled, QuitRequested };
    std::function<void(const QString&)> m_writeError;
    Failure m_failure = Failure::None;
};

}  // namespace cli
