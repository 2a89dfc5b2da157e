#include "EndSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <atomic>
#include <utility>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <cerrno>
#include <csignal>
#include <unistd.h>
#endif

namespace board {

std::atomic<CEndSignalNotifier*> CEndSignalNotifier::s_notifier{nullptr};

namespace {

std::atomic<bool> g_came{false};

#ifdef Q_OS_WIN

BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;  // closing the console or logging off ends the program as Windows does
    g_came = true;
    CEndSignalNotifier::NotifyFromAnyThread();
    return TRUE;
}

#else

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

#endif

}  // namespace

void CatchEndSignals()
{
    static bool caught = false;
    if (std::exchange(caught, true))
        return;
#ifdef Q_OS_WIN
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
#else
    (void)!::pipe(g_wake);  // when it fails, both ends stay -1 and no wait is woken
    struct sigaction action {};  // zeroed: an empty sa_mask
    action.sa_handler = OnEndSignal;
    action.sa_flags = SA_RESTART;  // interrupted calls go on; a wait ends through the pipe
    for (int number : {SIGINT, SIGTERM, SIGHUP})
        sigaction(number, &action, nullptr);
    // A reader of the output that goes away makes the next write fail, and the program end
    // its own way, instead of killing it.
    signal(SIGPIPE, SIG_IGN);
#endif
}

bool EndSignalCame()
{
    return g_came;
}

int EndSignalDescriptor()
{
#ifdef Q_OS_WIN
    return -1;
#else
    return g_wake[0];
#endif
}

CEndSignalNotifier::CEndSignalNotifier(std::function<void()> onSignal) : m_onSignal(std::move(onSignal))
{
    CatchEndSignals();
#ifdef Q_OS_WIN
    s_notifier = this;
#else
    auto* notifier = new QSocketNotifier(EndSignalDescriptor(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this, notifier] {
        notifier->setEnabled(false);  // the byte stays: later waits end at once too
        m_onSignal();
    });
#endif
}

CEndSignalNotifier::~CEndSignalNotifier()
{
    s_notifier = nullptr;
}

#ifdef Q_OS_WIN
// The console's handler runs on a thread of its own: the call is queued to the event loop,
// and dropped when the notifier is gone by then.
void CEndSignalNotifier::NotifyFromAnyThread()
{
    if (CEndSignalNotifier* notifier = s_notifier)
        QMetaObject::invokeMethod(notifier, [notifier] { notifier->m_onSignal(); }, Qt::QueuedConnection);
}
#endif

}  // namespace board
