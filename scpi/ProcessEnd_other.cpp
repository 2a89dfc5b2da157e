#include "ProcessEnd.h"

namespace scpi {

int EndProcess(int exitCode)
{
    return exitCode;
}

}  // namespace scpi
