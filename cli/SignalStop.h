// SIGINT, SIGTERM and SIGHUP end the run between two commands, so that the port is closed
// as at any other end: its line settings restored and QSerialPort's lock file removed,
// which a death by the signal's default action would leave behind. SIGPIPE is ignored for
// the same reason: when the reader of the answers goes away, a failed write ends the run.
#pragma once

namespace cli {

class CSignalStop {
public:
    // Installs the handlers; does nothing where there are no such signals.
    CSignalStop();
    // Gives the signals their default actions back.
    ~CSignalStop();
    CSignalStop(const CSignalStop&) = delete;
    CSignalStop& operator=(const CSignalStop&) = delete;

    static bool Requested();
    // Becomes readable when a signal has come, so that a wait for input ends with it;
    // -1 where there is none.
    static int WakeDescriptor();
};

}  // namespace cli
