// A client's lines out of the pieces its bytes come in: LF ends a line and a CR before it is
// dropped. A line longer than kMaxLine is never kept whole: once its LF has come, it comes
// out as too long, without its text.
#pragma once

#include <QByteArray>
#include <QList>

namespace scpi {

class CLineAssembler {
public:
    static constexpr qsizetype kMaxLine = 4096;

    struct Line {
        QByteArray text;
        bool tooLong = false;
    };

    // The lines that data completes.
    QList<Line> Take(const QByteArray& data);

private:
    QByteArray m_partial;  // the line being received
    bool m_tooLong = false;
};

}  // namespace scpi
