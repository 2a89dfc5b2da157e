// SIGINT, SIGTERM and SIGHUP end the run between two commands, so that the port is closed
// as at any other end: its line settings restored and QSerialPort's lock file removed,
// which a death by the signal's default action would leave behind. SIGPIPE is ignored for
// the same reason: when the reader of the answers goes away, a failed write ends the run.
#pragma once

namespace cli {

// Installs the handlers for the rest of the program; does nothing where there are no such
// signals.
void StopOnSignals();
// Whether one of the signals has come.
bool StopRequested();
// Becomes readable when one of the signals has come, so that a wait for input ends with
// it; -1 where there is none.
int StopWakeDescriptor();

}  // namespace cli
