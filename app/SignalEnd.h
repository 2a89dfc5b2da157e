// SIGINT, SIGTERM and SIGHUP end the program as EXIT does: the running event loops are
// left, so the port is closed, its line settings restored and its lock file removed.
// Without this a signal kills the process and leaves the lock file behind.
#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace app {

class CSignalEnd : public QObject {
    Q_OBJECT

public:
    // onSignal runs in the event loop, never inside the signal handler itself. Needs the
    // application object; does nothing where there are no such signals.
    explicit CSignalEnd(std::function<void()> onSignal);
    ~CSignalEnd() override;

private:
    std::function<void()> m_onSignal;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace app
