// The command line of ldx7320-scpi.
#pragma once

#include "ProgramOptions.h"

#include <QString>
#include <QStringList>

namespace scpi {

struct ScpiOptions : board::ProgramCommandLine {
    // [HOST:]PORT. SCPI has no authentication: the loopback only, unless named otherwise.
    QString listen = QStringLiteral("127.0.0.1:5025");
    // VXI-11 beside the raw socket, found through the portmapper.
    bool vxi11 = true;
};

// arguments as main receives them, the program's name first.
ScpiOptions ParseScpiCommandLine(const QStringList& arguments);
// What --help, --version and a usage error print.
board::ProgramTexts Texts();

}  // namespace scpi
