#include "ParentConsole.h"

#include <cstdio>
#include <windows.h>

namespace app {

namespace {

bool Redirected(DWORD stream)
{
    const HANDLE handle = ::GetStdHandle(stream);
    return handle != nullptr && handle != INVALID_HANDLE_VALUE;
}

}  // namespace

void UseParentConsole()
{
    const bool outRedirected = Redirected(STD_OUTPUT_HANDLE);
    const bool errRedirected = Redirected(STD_ERROR_HANDLE);
    if ((outRedirected && errRedirected) || !::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (!outRedirected)
        std::freopen("CONOUT$", "w", stdout);
    if (!errRedirected)
        std::freopen("CONOUT$", "w", stderr);
}

}  // namespace app
