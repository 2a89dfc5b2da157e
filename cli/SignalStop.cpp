#include "SignalStop.h"

#include <QtGlobal>

#ifndef Q_OS_WIN
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace cli {

#ifdef Q_OS_WIN

// Windows ends a console program on Ctrl+C itself and releases its port with it; there
// is no lock file to leave behind.
void StopOnSignals() {}

bool StopRequested()
{
    return false;
}

int StopWakeDescriptor()
{
    return -1;
}

#else

namespace {

volatile std::sig_atomic_t g_stopRequested = false;
int g_wake[] = {-1, -1};  // the handler writes to [1]; a wait for input watches [0]

void OnStopSignal(int)
{
    // One byte wakes every later wait; writing only one, the handler never meets a full pipe.
    if (g_stopRequested)
        return;
    const int savedErrno = errno;
    g_stopRequested = true;
    const char byte = '!';
    (void)!::write(g_wake[1], &byte, sizeof byte);
    errno = savedErrno;
}

}  // namespace

void StopOnSignals()
{
    (void)!::pipe(g_wake);  // when it fails, both ends stay -1 and no wait is woken
    struct sigaction action {};  // zeroed: an empty sa_mask
    action.sa_handler = OnStopSignal;
    action.sa_flags = SA_RESTART;  // interrupted calls go on; a wait for input ends through the pipe
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(number, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
}

bool StopRequested()
{
    return g_stopRequested;
}

int StopWakeDescriptor()
{
    return g_wake[0];
}

#endif

}  // namespace cli
