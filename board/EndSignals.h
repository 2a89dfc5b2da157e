// The signals that end a program holding the board's port: SIGINT, SIGTERM and SIGHUP, and
// on Windows Ctrl+C and Ctrl+Break in a console. Their default action would kill the
// program with the port open: its line settings never put back, a lock file left behind.
// Caught, they only say that the program is to end; the program ends as it always does,
// at a point of its own choosing, and closes the port on the way.
#pragma once

#include <QObject>
#include <atomic>
#include <functional>

namespace board {

// Installs the handlers for the rest of the program; at most once.
void CatchEndSignals();
// Whether one of the signals has come.
bool EndSignalCame();
// Off Windows: becomes readable once one of the signals has come, so that a wait for input
// ends with it; -1 where there is none.
int EndSignalDescriptor();

class CEndSignalNotifier;
// Calls fired from the notifier's event loop once one of the signals has come, through a
// watcher the notifier owns (the descriptor's socket notifier off Windows, the event's
// notifier on Windows): the signal's handler itself never touches Qt.
void WatchEndSignals(CEndSignalNotifier* notifier, std::function<void()> fired);

// Calls onSignal from the event loop, never from the signal's handler, when one of the
// signals comes. Needs the application object; installs the handlers. One at a time: a
// second one while the first lives is a fault (asserted), and is refused where assertions
// are off: it is never called, and the first keeps the signals.
class CEndSignalNotifier : public QObject {
public:
    explicit CEndSignalNotifier(std::function<void()> onSignal);
    ~CEndSignalNotifier() override;

private:
    static std::atomic<CEndSignalNotifier*> s_notifier;
    std::function<void()> m_onSignal;
};

}  // namespace board
