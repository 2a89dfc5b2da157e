// The panel is a window program: on Windows it has no console of its own, so --help,
// --version, --list-ports, usage errors and --trace would print nowhere when it is
// started from a command prompt.
#pragma once

namespace app {

// On Windows, writes standard output and standard error to the console of the command
// prompt that started the program, where they are not redirected already. Elsewhere,
// and when started from the desktop, nothing changes.
void UseParentConsole();

}  // namespace app
