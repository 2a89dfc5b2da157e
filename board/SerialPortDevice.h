// The board's port on the machine's serial hardware, through QSerialPort.
#pragma once

#include "LowLatency.h"
#include "PortDevice.h"

#include <QSerialPort>
#include <QStringList>

namespace board {

class CSerialPortDevice : public CPortDevice {
public:
    // systemLocation: "COM4" on Windows, a device path such as "/dev/ttyS3" elsewhere.
    explicit CSerialPortDevice(const QString& systemLocation);
    ~CSerialPortDevice() override;

    bool Open(const CLineSettings& settings, const CCommTimeouts& timeouts, QString* whyNot) override;
    TransferOutcome Send(quint8 byte, int limitMs) override;
    ReceiveResult Receive(int limitMs) override;
    bool DiscardInput(QByteArray* dropped) override;
    void Close() override;
    QString OpenNote() const override;

private:
    bool Configure(const CLineSettings& settings, QString* whyNot);
    QString ExplainOpenFailure() const;

    QString m_location;
    QSerialPort m_port;
    CCommTimeouts m_timeouts;
    LowLatencyRequest m_lowLatency;
};

// Port names as the panel knows them ("COM1".."COM4", or devices named on the command
// line) mapped onto the machine's devices.
class CSystemPortProvider : public CPortProvider {
public:
    std::unique_ptr<CPortDevice> MakeDevice(const QString& portName) override;
    QString DescribePort(const QString& portName) const override;

    // "COM4" stays "COM4" on Windows and is /dev/ttyS3 elsewhere; any other name is
    // taken as the device itself.
    static QString SystemLocation(const QString& portName);
};

}  // namespace board
