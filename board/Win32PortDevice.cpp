#include "Win32PortDevice.h"

#include "AdapterLatency.h"
#include "SystemMessage.h"

#include <windows.h>

namespace board {

namespace {

OpenFailure WhyOpenFailed(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return {OpenFailure::Reason::NoSuchDevice, {}};
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return {OpenFailure::Reason::InUse, {}};
    default:
        return {OpenFailure::Reason::CannotOpen, SystemMessage(error)};
    }
}

// A manual-reset completion signal, not signalled, without a name: a named one would be
// shared by every program that opens a port this way.
class CCompletionSignal {
public:
    CCompletionSignal() : m_event(::CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}
    ~CCompletionSignal()
    {
        if (m_event)
            CloseHandle(m_event);
    }
    CCompletionSignal(const CCompletionSignal&) = delete;
    CCompletionSignal& operator=(const CCompletionSignal&) = delete;
    HANDLE Handle() const { return m_event; }

private:
    HANDLE m_event;
};

// A transfer that the port's own time-outs ended has completed, with whatever was moved by
// then. Windows reports such an overlapped transfer as done with fewer bytes; Wine reports
// it as failed with ERROR_TIMEOUT (the driver's STATUS_TIMEOUT). Both mean the same.
// serial.sys's request for the 16550's FIFO control register, open to any user: the
// FIFOs on and cleared, and a receive trigger of one byte.
constexpr DWORD kSetFifoControl = 0x001B009C;  // IOCTL_SERIAL_SET_FIFO_CONTROL
constexpr ULONG kFifoOnOneByteTrigger = 0x07;

bool EndedByPortTimeOut(DWORD error)
{
    return error == ERROR_TIMEOUT || error == ERROR_SEM_TIMEOUT || error == WAIT_TIMEOUT;
}

// Runs one overlapped transfer and waits for it at most limitMs. A transfer given up at
// its limit is cancelled and waited for, so that it can never complete later into a
// buffer that is gone. *moved receives the count of bytes moved.
TransferOutcome Transfer(HANDLE port, bool write, void* data, DWORD size, int limitMs, DWORD* moved)
{
    *moved = 0;
    CCompletionSignal done;
    if (!done.Handle())
        return TransferOutcome::FinishedWithFailure;
    OVERLAPPED overlapped{};
    overlapped.hEvent = done.Handle();
    const BOOL started = write ? ::WriteFile(port, data, size, moved, &overlapped)
                               : ::ReadFile(port, data, size, moved, &overlapped);
    if (started)
        return TransferOutcome::Completed;
    if (::GetLastError() != ERROR_IO_PENDING)
        return TransferOutcome::FailedAtOnce;
    if (::WaitForSingleObject(done.Handle(), DWORD(limitMs)) != WAIT_OBJECT_0) {
        CancelIo(port);
        GetOverlappedResult(port, &overlapped, moved, TRUE);
        *moved = 0;
        return TransferOutcome::TimedOut;
    }
    if (::GetOverlappedResult(port, &overlapped, moved, FALSE) || EndedByPortTimeOut(::GetLastError()))
        return TransferOutcome::Completed;
    return TransferOutcome::FinishedWithFailure;
}

}  // namespace

struct CWin32PortDevice::SavedLine {
    DCB dcb;
    COMMTIMEOUTS timeouts;
};

CWin32PortDevice::CWin32PortDevice(const QString& name) : m_name(name), m_port(INVALID_HANDLE_VALUE) {}

CWin32PortDevice::~CWin32PortDevice()
{
    Close();
}

std::optional<OpenFailure> CWin32PortDevice::Open(const LineSettings& settings, const CommTimeouts& timeouts)
{
    // \\.\ reaches COM10 and above too.
    const std::wstring path = (m_name.startsWith(QLatin1String("\\\\")) ? m_name : QStringLiteral("\\\\.\\") + m_name).toStdWString();
    m_port = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (m_port == INVALID_HANDLE_VALUE)
        return WhyOpenFailed(::GetLastError());
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS found{};
    if (!::GetCommState(m_port, &dcb) || !::GetCommTimeouts(m_port, &found)) {
        Close();
        return OpenFailure{OpenFailure::Reason::NotASerialPort, {}};
    }
    // Put back at close, so that the next program finds the line as this one did.
    m_savedLine.reset(new SavedLine{dcb, found});
    dcb.BaudRate = DWORD(settings.BaudRate);
    dcb.ByteSize = BYTE(settings.ByteSize);
    dcb.Parity = BYTE(settings.Parity);
    dcb.StopBits = BYTE(settings.StopBits);
    dcb.fBinary = settings.fBinary;
    dcb.fOutxCtsFlow = settings.fOutxCtsFlow;
    dcb.fOutxDsrFlow = settings.fOutxDsrFlow;
    dcb.fDtrControl = DWORD(settings.fDtrControl);
    dcb.fDsrSensitivity = settings.fDsrSensitivity;
    dcb.fRtsControl = DWORD(settings.fRtsControl);
    // No XON/XOFF and no replacement of characters: register values 0x00, 0x11 and 0x13
    // are data.
    dcb.fOutX = settings.fOutX;
    dcb.fInX = settings.fInX;
    dcb.fNull = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fAbortOnError = FALSE;
    COMMTIMEOUTS limits{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                        timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                        timeouts.WriteTotalTimeoutConstant};
    if (!::SetCommState(m_port, &dcb) || !::SetCommTimeouts(m_port, &limits)) {
        const DWORD error = ::GetLastError();
        Close();
        return OpenFailure{OpenFailure::Reason::CannotConfigure, SystemMessage(error)};
    }
    m_notes.clear();
    m_latency = {};
    RequestOneByteFifoTrigger();
    const AdapterFacts adapter = LookUpAdapter(m_name);
    m_latency.usbAdapter = adapter.usb;
    m_latency.adapterLatencyTimerMs = adapter.latencyTimerMs;
    if (adapter.latencyTimerMs)
        m_notes << QStringLiteral("the adapter's latency timer: %1 ms").arg(*adapter.latencyTimerMs);
    return std::nullopt;
}

// A 16550 passes a lone byte on only after about four character times with the trigger
// serial.sys gives it; with one byte, at once. serial.sys sets its own trigger again at
// every open, so nothing is left behind. A port whose driver refuses (a USB adapter's) is
// used as it is.
void CWin32PortDevice::RequestOneByteFifoTrigger()
{
    CCompletionSignal done;
    OVERLAPPED overlapped{};
    overlapped.hEvent = done.Handle();
    ULONG control = kFifoOnOneByteTrigger;
    DWORD returned = 0;
    const bool set = done.Handle()
                     && (::DeviceIoControl(m_port, kSetFifoControl, &control, sizeof control, nullptr, 0, &returned, &overlapped)
                         || (::GetLastError() == ERROR_IO_PENDING && ::GetOverlappedResult(m_port, &overlapped, &returned, TRUE)));
    if (set) {
        m_latency.fifoTriggerBytes = 1;
        m_notes << QStringLiteral("receive FIFO trigger set to 1 byte");
    } else {
        m_notes << QStringLiteral("receive FIFO trigger not set: the driver refused it (%1)").arg(SystemMessage(::GetLastError()));
    }
}

TransferOutcome CWin32PortDevice::Send(quint8 byte, int limitMs)
{
    if (m_port == INVALID_HANDLE_VALUE)
        return TransferOutcome::FailedAtOnce;
    // The port's own write time-out ends the transfer; the count written is not looked at.
    DWORD written = 0;
    return Transfer(m_port, true, &byte, 1, limitMs, &written);
}

ReceiveResult CWin32PortDevice::Receive(int limitMs)
{
    if (m_port == INVALID_HANDLE_VALUE)
        return {TransferOutcome::FailedAtOnce};
    quint8 byte = 0;
    DWORD read = 0;
    const TransferOutcome outcome = Transfer(m_port, false, &byte, 1, limitMs, &read);
    return {outcome, outcome == TransferOutcome::Completed && read == 1, byte};
}

bool CWin32PortDevice::DiscardInput(QByteArray* dropped)
{
    if (m_port == INVALID_HANDLE_VALUE)
        return false;
    // Read what is waiting first, so that the trace can say what was dropped.
    DWORD errors = 0;
    COMSTAT status{};
    if (::ClearCommError(m_port, &errors, &status) && status.cbInQue > 0) {
        QByteArray waiting(int(status.cbInQue), '\0');
        DWORD read = 0;
        if (Transfer(m_port, false, waiting.data(), status.cbInQue, 500, &read) == TransferOutcome::Completed)
            waiting.truncate(int(read));
        else
            waiting.clear();
        if (dropped)
            *dropped = waiting;
    }
    return ::PurgeComm(m_port, PURGE_RXCLEAR) != 0;
}

void CWin32PortDevice::Close()
{
    if (m_port == INVALID_HANDLE_VALUE)
        return;
    if (m_savedLine) {
        SetCommState(m_port, &m_savedLine->dcb);
        SetCommTimeouts(m_port, &m_savedLine->timeouts);
        m_savedLine.reset();
    }
    CloseHandle(m_port);
    m_port = INVALID_HANDLE_VALUE;
}

}  // namespace board
