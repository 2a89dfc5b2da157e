// Windows: Ctrl+C and Ctrl+Break in a console, through the console's control handler,
// which runs on a thread the system makes for it. The handler only sets an event, which
// the event loop watches; it never calls into Qt from that thread.
#include "EndSignals.h"

#include <QWinEventNotifier>
#include <atomic>
#include <utility>
#include <windows.h>

namespace board {

namespace {

std::atomic<bool> g_came{false};
HANDLE g_event = nullptr;  // manual reset: set once, for good

BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;  // closing the console or logging off ends the program as Windows does
    g_came = true;
    SetEvent(g_event);
    return TRUE;
}

}  // namespace

void CatchEndSignals()
{
    static bool caught = false;
    if (std::exchange(caught, true))
        return;
    g_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

bool EndSignalCame()
{
    return g_came;
}

int EndSignalDescriptor()
{
    return -1;
}

void WatchEndSignals(CEndSignalNotifier* owner, std::function<void()> fired)
{
    if (!g_event)
        return;
    auto* notifier = new QWinEventNotifier(g_event, owner);
    QObject::connect(notifier, &QWinEventNotifier::activated, owner, [notifier, fired = std::move(fired)] {
        notifier->setEnabled(false);  // the event stays set
        fired();
    });
}

}  // namespace board
