// Windows: Ctrl+C and Ctrl+Break in a console, through the console's control handler,
// which runs on a thread of its own.
#include "EndSignals.h"

#include <atomic>
#include <utility>
#include <windows.h>

namespace board {

namespace {

std::atomic<bool> g_came{false};

BOOL WINAPI OnConsoleControl(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;  // closing the console or logging off ends the program as Windows does
    g_came = true;
    CEndSignalNotifier::NotifyFromAnyThread();
    return TRUE;
}

}  // namespace

void CatchEndSignals()
{
    static bool caught = false;
    if (std::exchange(caught, true))
        return;
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

}  // namespace board
