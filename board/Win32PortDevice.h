// The board's port on Windows, through the Win32 communications calls themselves: an
// exclusive overlapped open, the line settings and time-outs, and one-byte overlapped
// transfers each waited for with its own limit. QSerialPort keeps a comm-event wait
// running in the background instead, which some serial drivers (and Wine on a
// pseudo-terminal) cannot serve; this way needs nothing beyond reads and writes.
#pragma once

#include "PortDevice.h"

namespace board {

class CWin32PortDevice : public CPortDevice {
public:
    // name: "COM4", or any name CreateFile takes for a serial device.
    explicit CWin32PortDevice(const QString& name);
    ~CWin32PortDevice() override;

    std::optional<OpenFailure> Open(const LineSettings& settings, const CommTimeouts& timeouts) override;
    TransferOutcome Send(quint8 byte, int limitMs) override;
    ReceiveResult Receive(int limitMs) override;
    bool DiscardInput(QByteArray* dropped) override;
    void Close() override;
    QStringList OpenNotes() const override { return m_notes; }
    PortLatency Latency() const override { return m_latency; }

private:
    void RequestOneByteFifoTrigger();

    struct SavedLine;  // the line's settings and time-outs as the port had them

    QString m_name;
    void* m_port;  // the HANDLE; INVALID_HANDLE_VALUE while closed
    std::unique_ptr<SavedLine> m_savedLine;
    QStringList m_notes;
    PortLatency m_latency;
};

}  // namespace board
