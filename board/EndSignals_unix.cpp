// POSIX: SIGINT, SIGTERM and SIGHUP, and a pipe whose one byte wakes every wait.
#include "EndSignals.h"

#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <unistd.h>
#include <utility>

namespace board {

namespace {

std::atomic<bool> g_came{false};
int g_wake[] = {-1, -1};  // the handler writes to [1]; waits watch [0]

void OnEndSignal(int)
{
    // One byte wakes every later wait; writing only one, the handler never meets a full pipe.
    if (g_came.exchange(true))
        return;
    const int savedErrno = errno;
    const char byte = '!';
    (void)!::write(g_wake[1], &byte, sizeof byte);
    errno = savedErrno;
}

}  // namespace

void CatchEndSignals()
{
    static bool caught = false;
    if (std::exchange(caught, true))
        return;
    (void)!::pipe(g_wake);  // when it fails, both ends stay -1 and no wait is woken
    struct sigaction action {};  // zeroed: an empty sa_mask
    action.sa_handler = OnEndSignal;
    action.sa_flags = SA_RESTART;  // interrupted calls go on; a wait ends through the pipe
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(number, &action, nullptr);
    // A reader of the output that goes away makes the next write fail, and the program end
    // its own way, instead of killing it.
    signal(SIGPIPE, SIG_IGN);
}

bool EndSignalCame()
{
    return g_came;
}

int EndSignalDescriptor()
{
    return g_wake[0];
}

void WatchEndSignals(CEndSignalNotifier* owner, std::function<void()> fired)
{
    if (g_wake[0] == -1)
        return;
    auto* notifier = new QSocketNotifier(g_wake[0], QSocketNotifier::Read, owner);
    QObject::connect(notifier, &QSocketNotifier::activated, owner, [notifier, fired = std::move(fired)] {
        notifier->setEnabled(false);  // the byte stays: later waits end at once too
        fired();
    });
}

}  // namespace board
