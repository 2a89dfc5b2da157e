// The board's port on the machine's serial hardware through QSerialPort, off Windows.
#pragma once

#include "PortDevice.h"
#include "PortTuning.h"

#include <QSerialPort>
#include <QStringList>

namespace board {

class CSerialPortDevice : public CPortDevice {
public:
    // systemLocation: a device path such as "/dev/ttyS3" or "/dev/ttyUSB0".
    explicit CSerialPortDevice(const QString& systemLocation);
    ~CSerialPortDevice() override;

    std::optional<OpenFailure> Open(const LineSettings& settings, const CommTimeouts& timeouts) override;
    TransferOutcome Send(quint8 byte, int limitMs) override;
    ReceiveResult Receive(int limitMs) override;
    bool DiscardInput(QByteArray* dropped) override;
    void Close() override;
    QStringList OpenNotes() const override { return m_tuning.notes; }
    PortLatency Latency() const override { return m_tuning.latency; }

private:
    std::optional<OpenFailure> Configure(const LineSettings& settings);
    OpenFailure WhyOpenFailed() const;

    QString m_location;
    QSerialPort m_port;
    CommTimeouts m_timeouts;
    PortTuning m_tuning;
};

}  // namespace board
