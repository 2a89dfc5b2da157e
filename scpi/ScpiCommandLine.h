// The command line of ldx7320-scpi.
#pragma once

#include "BoardOptions.h"

#include <QString>
#include <QStringList>

namespace scpi {

struct ScpiOptions {
    enum class Action { Serve, Help, Version, Usage };
    Action action = Action::Serve;
    board::BoardOptions board;
    // [HOST:]PORT. SCPI has no authentication: the loopback only, unless named otherwise.
    QString listen = QStringLiteral("127.0.0.1:5025");
    QString error;  // with Usage: what is wrong
};

// arguments as main receives them, the program's name first.
ScpiOptions ParseScpiCommandLine(const QStringList& arguments);
QString UsageText();
QString HelpText();
QString VersionText();

}  // namespace scpi
