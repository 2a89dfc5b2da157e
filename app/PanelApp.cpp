#include "PanelApp.h"

#include "AboutDlg.h"
#include "ChosenPorts.h"
#include "CommandLine.h"
#include "PanelDlg.h"
#include "ParentConsole.h"
#include "PortListing.h"
#include "SignalEnd.h"

#include <QApplication>
#include <cstdio>

int CPanelApp::Run(int argc, char* argv[])
{
    app::UseParentConsole();
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const app::CommandLine line = app::ParseCommandLine(arguments);
    switch (line.action) {
    case app::CommandLine::Action::Help:
        std::printf("%s\n", qPrintable(app::HelpText()));
        return 0;
    case app::CommandLine::Action::Version:
        std::printf("%s\n", qPrintable(app::VersionText()));
        return 0;
    case app::CommandLine::Action::ListPorts:
        for (const QString& port : board::FormatPortListing(board::ListSerialPorts()))
            std::printf("%s\n", qPrintable(port));
        return 0;
    case app::CommandLine::Action::Usage:
        std::fprintf(stderr, "ldx7320: %s\n%s\n", qPrintable(line.error), qPrintable(app::UsageText()));
        return 2;
    case app::CommandLine::Action::Run:
        break;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("LDX7320"));
    InitInstance(line);
    // Every ordinary end, a quit asked for by the board link included, exits with 0.
    return 0;
}

void CPanelApp::InitInstance(const board::BoardOptions& options)
{
    board::CChosenPorts ports(options);
    CPanelDlg dialog(ports.Provider(), ports.Candidates(), options.trace);
    dialog.m_runAboutBox = &CAboutDlg::Run;
    const app::CSignalEnd signalEnd([&dialog] { dialog.RequestEnd(); });
    dialog.DoModal();
}
