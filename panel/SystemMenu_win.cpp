#include "SystemMenu.h"

#include "ResourceIds.h"

#include <QByteArray>
#include <QWidget>
#include <string>
#include <windows.h>

namespace panel {

void AppendAboutToSystemMenu(QWidget& window)
{
    if (HMENU systemMenu = ::GetSystemMenu(reinterpret_cast<HWND>(window.winId()), FALSE)) {
        const std::wstring aboutText = QString::fromLatin1(res::kAboutMenuText).toStdWString();
        AppendMenuW(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(systemMenu, MF_STRING, res::IDM_ABOUTBOX, aboutText.c_str());
    }
}

// Windows keeps flags in a system command's low four bits.
bool IsSystemMenuAbout(const QByteArray& eventType, const void* message)
{
    const MSG* msg = static_cast<const MSG*>(message);
    return eventType == "windows_generic_MSG" && msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == res::IDM_ABOUTBOX;
}

}  // namespace panel
