// A board host that records what the link asks of the program.
#pragma once

#include "BoardHost.h"

#include <QStringList>

class CFakeHost : public board::IBoardHost {
public:
    void ShowBoardMessage(const QString& text) override { messages << text; }
    void WriteDiagnostic(const QString& line) override { diagnostics << line; }

    QStringList messages;
    QStringList diagnostics;
};
