#include "PanelApp.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("LDX7320"));
    QApplication::setApplicationVersion(QStringLiteral("1.0.0.1"));
    CPanelApp panel;
    return panel.Run(QApplication::arguments());
}
