// A board host that records what the link asks of the program.
#pragma once

#include "BoardHost.h"

#include <QStringList>

class CFakeHost : public board::IBoardHost {
public:
    void CancelPanel() override { ++cancels; }
    void RequestQuit() override { ++quits; }
    void ShowBoardMessage(const QString& text, const QString& why) override
    {
        messages << text;
        details << why;
    }
    void WriteDiagnostic(const QString& line) override { diagnostics << line; }

    int cancels = 0;
    int quits = 0;
    QStringList messages;
    QStringList details;
    QStringList diagnostics;
};
