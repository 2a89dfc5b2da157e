// A board host that keeps the link's diagnostics.
#pragma once

#include "BoardHost.h"

#include <QRegularExpression>
#include <QStringList>

// The trace's round-trip times, which no test can foresee.
inline QString Untimed(QString line)
{
    static const QRegularExpression roundTrip(" in [0-9]+\\.[0-9]{2} ms");
    return line.remove(roundTrip);
}

class CFakeHost : public board::IBoardHost {
public:
    void WriteDiagnostic(const QString& line) override
    {
        traced << line;
        diagnostics << Untimed(line);
    }

    QStringList diagnostics;  // as traced, without the round-trip times
    QStringList traced;
};
