// What a person does on this platform about a port: how to name the board's, and where to
// set what slows its answers. The words differ between Windows and the others.
#pragma once

#include <QString>
#include <optional>

namespace board {

// "start with --port COMn to name the board's port".
QString PortOptionAdvice();
// A 16550-type port whose receive FIFO holds a lone byte back.
QString FifoTriggerAdvice(int triggerBytes);
// A USB adapter that holds answers back; timerMs: its latency timer, when known.
QString AdapterLatencyAdvice(std::optional<int> timerMs);

}  // namespace board
