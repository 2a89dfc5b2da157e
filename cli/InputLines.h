// The lines of standard input in the `-` mode, each taken as soon as it has come: a
// script writes a command and waits for its answer before it writes the next.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>
#include <utility>

namespace cli {

class CInputLines {
public:
    // wakeDescriptor, when not -1, ends a wait for input once it becomes readable.
    explicit CInputLines(int wakeDescriptor = -1) : m_wakeDescriptor(wakeDescriptor) {}

    // The next line without its line end; nothing at the end of input, on a read error,
    // or when woken. A last line without a line end counts.
    std::optional<QString> Next();

private:
    int m_wakeDescriptor;
    QByteArray m_pending;  // read, not yet a whole line
    bool m_ended = false;
};

}  // namespace cli
