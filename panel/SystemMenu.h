// The About item of the window's system menu. Windows gives every window a system menu of
// its own; elsewhere the window manager owns the title bar's menu, and the panel's
// right-click menu carries the item instead.
#pragma once

class QByteArray;
class QWidget;

namespace panel {

// Appends a separator and "&About LDX7320..." (IDM_ABOUTBOX) to the window's system
// menu; nothing where there is none.
void AppendAboutToSystemMenu(QWidget& window);

// Whether a native event of the window (as QWidget::nativeEvent receives it) is the
// system menu's About command; never off Windows.
bool IsSystemMenuAbout(const QByteArray& eventType, const void* message);

}  // namespace panel
