#include "SignalStop.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace cli {

#ifdef Q_OS_UNIX

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t g_stopRequested = 0;
int g_wake[2] = {-1, -1};  // the handler writes to [1]; a wait for input watches [0]

void OnStopSignal(int)
{
    const int savedErrno = errno;
    g_stopRequested = 1;
    const char byte = 1;
    (void)!::write(g_wake[1], &byte, 1);
    errno = savedErrno;
}

}  // namespace

CSignalStop::CSignalStop()
{
    if (::pipe(g_wake) == 0) {
        for (int end : g_wake) {
            ::fcntl(end, F_SETFL, ::fcntl(end, F_GETFL) | O_NONBLOCK);  // a full pipe never blocks the handler
            ::fcntl(end, F_SETFD, FD_CLOEXEC);
        }
    }
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART; a wait for input ends through the wake pipe
    for (int signal : kStopSignals)
        ::sigaction(signal, &action, nullptr);
    ::signal(SIGPIPE, SIG_IGN);
}

CSignalStop::~CSignalStop()
{
    for (int signal : kStopSignals)
        ::signal(signal, SIG_DFL);
    ::signal(SIGPIPE, SIG_DFL);
    for (int& end : g_wake) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

bool CSignalStop::Requested()
{
    return g_stopRequested != 0;
}

int CSignalStop::WakeDescriptor()
{
    return g_wake[0];
}

#else

// Windows ends a console program on Ctrl+C itself and releases its port with it; there
// is no lock file to leave behind.
CSignalStop::CSignalStop() = default;
CSignalStop::~CSignalStop() = default;

bool CSignalStop::Requested()
{
    return false;
}

int CSignalStop::WakeDescriptor()
{
    return -1;
}

#endif

}  // namespace cli
