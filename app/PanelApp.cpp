#include "PanelApp.h"

#include "AboutDlg.h"
#include "ChosenPorts.h"
#include "EndSignals.h"
#include "CommandLine.h"
#include "PanelDlg.h"
#include "ParentConsole.h"
#include "PortListing.h"
#include "RuntimeDir.h"

#include <QApplication>
#include <QPalette>
#include <cstdio>

int CPanelApp::Run(int argc, char* argv[])
{
    app::UseParentConsole();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const app::CommandLine line = app::ParseCommandLine(arguments);
    if (const std::optional<int> exitCode = board::AnswerWithoutRunning(line, app::Texts()))
        return *exitCode;
    if (line.listPorts) {
        for (const QString& port : board::FormatPortListing(board::ListSerialPorts()))
            std::printf("%s\n", qPrintable(port));
        return 0;
    }
    app::ProvideRuntimeDir();
    QApplication application(argc, argv);  // takes Qt's own options, such as -style
    QApplication::setApplicationName(QStringLiteral("LDX7320"));
    app::UseLightPalette();
    InitInstance(line.board);
    // Every ordinary end, a quit asked for by the board link included, exits with 0.
    return 0;
}

void CPanelApp::InitInstance(const board::BoardOptions& options)
{
    board::CChosenPorts ports(options);
    CPanelDlg dialog(ports.Provider(), {ports.Candidates(), options.trace, options.simulate});
    dialog.SetAboutBox(&CAboutDlg::Run);
    // A signal ends the panel as EXIT does: the port is closed on the way out.
    const board::CEndSignalNotifier endSignals([&dialog] { dialog.RequestEnd(); });
    dialog.DoModal();
}

namespace app {

// Windows' own light colours: grey dialogs, white fields, black text, its blue selection.
// Built here rather than taken from the style, whose standard palette follows the desktop
// theme where there is one (GTK's, KDE's).
void UseLightPalette()
{
    QPalette palette(QColor(0xF0, 0xF0, 0xF0));  // buttons and windows; the rest derived from it
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0x00, 0x78, 0xD7));
    palette.setColor(QPalette::HighlightedText, Qt::white);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, QColor(0x6D, 0x6D, 0x6D));
    QApplication::setPalette(palette);
}

}  // namespace app
