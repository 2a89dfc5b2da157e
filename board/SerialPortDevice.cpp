#include "SerialPortDevice.h"

#include "PortListing.h"

#include <QDeadlineTimer>
#include <algorithm>
#include <QFileInfo>

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace board {

namespace {

// A pseudo-terminal has no modem-control lines, so DTR and RTS cannot be set on it.
bool HasModemControlLines(int descriptor)
{
    int lines;
    return ::ioctl(descriptor, TIOCMGET, &lines) == 0;
}

}  // namespace

CSerialPortDevice::CSerialPortDevice(const QString& systemLocation) : m_location(systemLocation)
{
    // A device that vanishes (a USB adapter pulled, the far end of a pseudo-terminal
    // closed) keeps reporting itself readable and failing the read; closing it stops the
    // panel from spinning on it while idle, and every later send then fails at once.
    QObject::connect(&m_port, &QSerialPort::errorOccurred, &m_port, [this](QSerialPort::SerialPortError error) {
        if (error == QSerialPort::ReadError || error == QSerialPort::ResourceError)
            m_port.close();
    });
}

// The port is closed with the device, and the line is left as it was found.
CSerialPortDevice::~CSerialPortDevice()
{
    Close();
}

std::optional<OpenFailure> CSerialPortDevice::Open(const LineSettings& settings, const CommTimeouts& timeouts)
{
    m_timeouts = timeouts;
    m_port.setPortName(m_location);
    // QSerialPort opens exclusively: a lock file and, on POSIX, TIOCEXCL.
    if (!m_port.open(QIODevice::ReadWrite))
        return WhyOpenFailed();
    m_tuning = {};
    std::optional<OpenFailure> failure = Configure(settings);
    if (!failure)
        failure = TunePort(m_port, m_location, settings.BaudRate, m_tuning);
    if (failure)
        m_port.close();  // the line as it was found
    return failure;
}

std::optional<OpenFailure> CSerialPortDevice::Configure(const LineSettings& settings)
{
    const auto allDone = [](std::initializer_list<bool> steps) {
        return std::all_of(steps.begin(), steps.end(), [](bool done) { return done; });
    };
    // No flow control of either kind: the board does not handshake, and XON/XOFF would
    // swallow register values 0x11 and 0x13.
    if (!allDone({m_port.setBaudRate(settings.BaudRate), m_port.setDataBits(QSerialPort::Data8),
                  m_port.setParity(QSerialPort::NoParity), m_port.setStopBits(QSerialPort::OneStop),
                  m_port.setFlowControl(QSerialPort::NoFlowControl)}))
        return OpenFailure{OpenFailure::Reason::CannotConfigure, m_port.errorString()};
    // A pseudo-terminal has no DTR or RTS to switch off.
    const bool linesOff = allDone({m_port.setDataTerminalReady(settings.fDtrControl != 0),
                                   m_port.setRequestToSend(settings.fRtsControl != 0)});
    if (!linesOff && HasModemControlLines(int(m_port.handle())))
        return OpenFailure{OpenFailure::Reason::CannotConfigure, QStringLiteral("DTR and RTS stay on: ") + m_port.errorString()};
    return std::nullopt;
}

OpenFailure CSerialPortDevice::WhyOpenFailed() const
{
    switch (m_port.error()) {
    case QSerialPort::DeviceNotFoundError:
        return {OpenFailure::Reason::NoSuchDevice, {}};
    case QSerialPort::PermissionError:
        // QSerialPort says "permission" both for a device locked by another program and
        // for one this user may not open.
        if (::access(QFile::encodeName(m_location).constData(), R_OK | W_OK) != 0)
            return {OpenFailure::Reason::PermissionDenied, DeviceGroup(m_location)};
        return {OpenFailure::Reason::InUse, {}};
    case QSerialPort::UnsupportedOperationError:
        return {OpenFailure::Reason::NotASerialPort, {}};
    default:
        break;
    }
    struct stat info {};
    if (::stat(QFile::encodeName(m_location).constData(), &info) == 0 && !S_ISCHR(info.st_mode))
        return {OpenFailure::Reason::NotASerialPort, {}};
    return {OpenFailure::Reason::CannotOpen, m_port.errorString()};
}

TransferOutcome CSerialPortDevice::Send(quint8 byte, int limitMs)
{
    const char data = static_cast<char>(byte);
    if (!m_port.isOpen() || m_port.write(&data, 1) != 1)
        return TransferOutcome::FailedAtOnce;
    // QSerialPort hands the byte to the device when the descriptor is writable. The
    // port's own write time-out ends the transfer; what was not sent by then is dropped
    // so that it cannot go out later, inside another exchange.
    const QDeadlineTimer portTimeout(qMin(m_timeouts.OneByteWriteMs(), limitMs));
    while (m_port.bytesToWrite() > 0) {
        if (m_port.waitForBytesWritten(int(portTimeout.remainingTime())))
            continue;
        if (m_port.bytesToWrite() == 0)
            break;  // nothing was pending any more: the byte has already left
        if (m_port.error() != QSerialPort::TimeoutError)
            return TransferOutcome::FailedAtOnce;
        m_port.clearError();
        m_port.clear(QSerialPort::Output);
        break;
    }
    return TransferOutcome::Completed;
}

ReceiveResult CSerialPortDevice::Receive(int limitMs)
{
    if (!m_port.isOpen())
        return {TransferOutcome::FailedAtOnce};
    if (m_port.bytesAvailable() == 0 && !m_port.waitForReadyRead(qMin(m_timeouts.OneByteReadMs(), limitMs))) {
        if (m_port.bytesAvailable() == 0) {
            if (m_port.error() != QSerialPort::TimeoutError)
                return {TransferOutcome::FailedAtOnce};
            // The port's own time-out ended the read with nothing read: completed.
            m_port.clearError();
            return {TransferOutcome::Completed};
        }
    }
    char data = 0;
    if (m_port.read(&data, 1) != 1)
        return {TransferOutcome::FailedAtOnce};
    return {TransferOutcome::Completed, true, static_cast<quint8>(data)};
}

bool CSerialPortDevice::DiscardInput(QByteArray* dropped)
{
    // Bytes still in the system's buffer reach QSerialPort's own only when it reads: take
    // in and drop everything waiting, so that the trace can say what was dropped.
    QByteArray waiting = m_port.readAll();
    while (m_port.isOpen() && m_port.waitForReadyRead(0))
        waiting += m_port.readAll();
    if (m_port.error() == QSerialPort::TimeoutError)
        m_port.clearError();
    if (dropped)
        *dropped = waiting;
    return m_port.isOpen();
}

void CSerialPortDevice::Close()
{
    if (!m_port.isOpen())
        return;
    UndoTuning(m_port, m_tuning);
    m_tuning = {};
    m_port.close();
}

}  // namespace board
