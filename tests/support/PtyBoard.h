// A board on the far side of a real pseudo-terminal: the program opens the slave device,
// and a thread here reads the master side and answers each byte at once. Every wait is for
// a state (bytes arrived, the line drained), never for a time.
#pragma once

#include <QByteArray>
#include <QString>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <termios.h>
#include <thread>

class CPtyBoard {
public:
    using Responder = std::function<QByteArray(quint8 received)>;

    // The board answers each byte with whatever the responder returns (possibly nothing).
    // The responder runs on the board's thread, as each byte arrives.
    explicit CPtyBoard(Responder responder = AnswerLikeTheBoard());
    ~CPtyBoard();
    CPtyBoard(const CPtyBoard&) = delete;
    CPtyBoard& operator=(const CPtyBoard&) = delete;

    // The device path to open, such as /dev/pts/7.
    QString DevicePath() const { return m_devicePath; }

    QByteArray Received() const;
    // What the board has received once count bytes are in, or once limit has passed.
    QByteArray WaitForReceived(int count, std::chrono::milliseconds limit = std::chrono::seconds(10)) const;
    // Everything the program has written so far: the board takes in what is still on its
    // way through the terminal before it answers. Call it once the writer has stopped (its
    // process ended, say) to see that nothing more came.
    QByteArray ReceivedAfterDrain();
    // Whether a lock file names the device, as QSerialPort leaves one while it has it open.
    bool Locked() const;
    // Writes bytes towards the program unasked, as a late or stray answer would, and returns
    // once they wait at the program's end of the line (for a program that reads only when
    // it exchanges, such as the link in this process).
    void SendUnasked(const QByteArray& bytes);
    // Suspends (or resumes) the program's output, as a line held by flow control would:
    // its bytes cannot leave until resumed.
    void HoldOutput(bool hold) { ::tcflow(m_slave, hold ? TCOOFF : TCOON); }
    // Closes the board's side: the device vanishes under the program. Also from the responder.
    void Unplug();

    // Acknowledges writes and probes and answers reads from a register file, as the real
    // board does (the simulated board's own answers).
    static Responder AnswerLikeTheBoard();

private:
    void Serve();
    void TakeWaitingBytes();
    void WriteToProgram(const QByteArray& bytes);
    void Wake(char why);

    Responder m_responder;
    QString m_devicePath;
    int m_master = -1;
    int m_slave = -1;  // kept open, so that the master sees no hang-up between the program's opens
    int m_wakePipe[2] = {-1, -1};
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    QByteArray m_received;
    bool m_draining = false;
    int m_drains = 0;
    std::thread m_thread;
};
