#include "LineAssembler.h"

#include <utility>

namespace scpi {

QList<CLineAssembler::Line> CLineAssembler::Take(const QByteArray& data)
{
    QList<Line> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        const qsizetype end = data.indexOf('\n', start);
        const qsizetype stop = end < 0 ? data.size() : end;
        if (!m_tooLong) {
            m_partial.append(data.constData() + start, stop - start);
            if (m_partial.size() > kMaxLine) {
                m_tooLong = true;
                m_partial.clear();
            }
        }
        if (end < 0)
            break;
        QByteArray line = std::exchange(m_partial, {});
        if (line.endsWith('\r'))
            line.chop(1);
        lines << Line{line, std::exchange(m_tooLong, false)};
        start = end + 1;
    }
    return lines;
}

}  // namespace scpi
