#include "ProcessEnd.h"

#include <cstdio>
#include <windows.h>

namespace scpi {

int EndProcess(int exitCode)
{
    std::fflush(nullptr);
    TerminateProcess(GetCurrentProcess(), UINT(exitCode));
    return exitCode;  // not reached
}

}  // namespace scpi
