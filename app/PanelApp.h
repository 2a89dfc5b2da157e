// The application: reads the command line, runs the panel, and ends the program when the
// panel closes.
#pragma once

#include "BoardOptions.h"

class CPanelApp {
public:
    // Returns the process's exit code. The command line is read before any window
    // system is needed, so --help and --version work without a display.
    int Run(int argc, char* argv[]);

private:
    // Runs the panel; the program ends when the panel closes.
    void InitInstance(const board::BoardOptions& options);
};

namespace app {

// The panel's look is the light one it has on Windows, whatever the desktop's theme: its
// channel colours are chosen for a light dialog.
void UseLightPalette();

}  // namespace app
