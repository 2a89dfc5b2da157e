// The application object: reads the command line, runs the panel, and ends the program
// when the panel closes.
#pragma once

#include <QStringList>

class CPanelApp {
public:
    // Returns the process's exit code.
    int Run(const QStringList& arguments);

private:
    // Runs the panel; false, so that the program ends when the panel closes.
    bool InitInstance(bool simulate, bool trace, const QStringList& ports);
};
