// A session without XDG_RUNTIME_DIR (a root shell, a container) makes Qt warn at every
// start; the program takes the folder Qt would take, without the warning.
#pragma once

namespace app {

// Sets XDG_RUNTIME_DIR where it is unset and Qt would want it; nothing on Windows.
void ProvideRuntimeDir();

}  // namespace app
