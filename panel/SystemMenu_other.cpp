// Off Windows there is no system menu of the window's own to add to.
#include "SystemMenu.h"

namespace panel {

void AppendAboutToSystemMenu(QWidget&) {}

bool IsSystemMenuAbout(const QByteArray&, const void*)
{
    return false;
}

}  // namespace panel
