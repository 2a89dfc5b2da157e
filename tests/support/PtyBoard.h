// A board on the far side of a real pseudo-terminal: the program opens the slave device
// through QSerialPort, and a thread here answers on the master side.
#pragma once

#include <QByteArray>
#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

class CPtyBoard {
public:
    using Responder = std::function<QByteArray(quint8 received)>;

    // The board answers each byte with whatever the responder returns (possibly nothing).
    explicit CPtyBoard(Responder responder = AnswerLikeTheBoard());
    ~CPtyBoard();

    // The device path to open, such as /dev/pts/7.
    QString DevicePath() const { return m_devicePath; }
    QByteArray Received() const;
    // What the board has received once count bytes are in, or after limitMs.
    QByteArray ReceivedOnce(int count, int limitMs = 5000) const;
    // QSerialPort's lock file for the device, and whether it stands in one of its folders.
    QString LockFileName() const { return "LCK.." + m_devicePath.mid(5).replace('/', '_'); }
    bool Locked() const;
    // Writes bytes towards the program unasked, as a late or stray answer would.
    void SendUnasked(const QByteArray& bytes);
    // Closes the master side: the device vanishes under the program.
    void Unplug();

    // A responder that acknowledges writes and probes and answers reads from a register
    // file, as the real board does.
    static Responder AnswerLikeTheBoard();

private:
    void Run();

    Responder m_responder;
    int m_master = -1;
    QString m_devicePath;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    QByteArray m_received;
};
