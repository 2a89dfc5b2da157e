// Off Windows a program started from a terminal writes to it already.
#include "ParentConsole.h"

namespace app {

void UseParentConsole() {}

}  // namespace app
