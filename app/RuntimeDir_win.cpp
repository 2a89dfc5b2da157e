// Qt on Windows looks for no XDG_RUNTIME_DIR: there is nothing to provide.
#include "RuntimeDir.h"

namespace app {

void ProvideRuntimeDir() {}

}  // namespace app
