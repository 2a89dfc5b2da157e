// VXI-11's programs, procedures, codes and the structures its calls carry, in XDR: the core
// channel (0x0607AF) and the abort channel (0x0607B0), each version 1. A structure that
// does not decode, or is over its bound, reads as nothing: the call's arguments are garbage.
#pragma once

#include <QByteArray>
#include <optional>

namespace scpi {

inline constexpr quint32 kCoreProgram = 0x0607AF;
inline constexpr quint32 kAbortProgram = 0x0607B0;
inline constexpr quint32 kVxi11Version = 1;

enum class CoreProcedure : quint32 {
    CreateLink = 10,
    DeviceWrite = 11,
    DeviceRead = 12,
    DeviceReadStb = 13,
    DeviceTrigger = 14,
    DeviceClear = 15,
    DeviceRemote = 16,
    DeviceLocal = 17,
    DeviceLock = 18,
    DeviceUnlock = 19,
    DeviceEnableSrq = 20,
    DeviceDocmd = 22,
    DestroyLink = 23,
    CreateIntrChan = 25,
    DestroyIntrChan = 26,
};
inline constexpr quint32 kDeviceAbort = 1;

// Device_ErrorCode.
inline constexpr qint32 kVxiNoError = 0;
inline constexpr qint32 kVxiDeviceNotAccessible = 3;
inline constexpr qint32 kVxiInvalidLink = 4;
inline constexpr qint32 kVxiNotSupported = 8;
inline constexpr qint32 kVxiOutOfResources = 9;
inline constexpr qint32 kVxiDeviceLocked = 11;
inline constexpr qint32 kVxiNoLockHeld = 12;
inline constexpr qint32 kVxiIoTimeout = 15;
inline constexpr qint32 kVxiAbort = 23;

// Device_Flags.
inline constexpr qint32 kWaitLock = 0x01;
inline constexpr qint32 kEnd = 0x08;
inline constexpr qint32 kTermCharSet = 0x80;

// Device_ReadResp's reasons.
inline constexpr qint32 kReasonRequestCount = 0x01;
inline constexpr qint32 kReasonTermChar = 0x02;
inline constexpr qint32 kReasonEnd = 0x04;

// The bounds of what a call may carry.
inline constexpr quint32 kMaxRecvSize = 16 * 1024;  // a device_write's data, as create_link says
inline constexpr quint32 kMaxDeviceName = 256;

struct CreateLinkParms {
    qint32 clientId = 0;
    bool lockDevice = false;
    quint32 lockTimeout = 0;
    QByteArray device;
};
struct WriteParms {
    qint32 link = 0;
    quint32 ioTimeout = 0;
    quint32 lockTimeout = 0;
    qint32 flags = 0;
    QByteArray data;
};
struct ReadParms {
    qint32 link = 0;
    quint32 requestSize = 0;
    quint32 ioTimeout = 0;
    quint32 lockTimeout = 0;
    qint32 flags = 0;
    char termChar = 0;
};
// Device_GenericParms, Device_LockParms and a Device_Link alone, as one: what a call did not
// carry is 0.
struct LinkParms {
    qint32 link = 0;
    qint32 flags = 0;
    quint32 lockTimeout = 0;
    quint32 ioTimeout = 0;
};

std::optional<CreateLinkParms> DecodeCreateLink(const QByteArray& arguments);
std::optional<WriteParms> DecodeWrite(const QByteArray& arguments);
std::optional<ReadParms> DecodeRead(const QByteArray& arguments);
std::optional<LinkParms> DecodeGeneric(const QByteArray& arguments);
std::optional<LinkParms> DecodeLock(const QByteArray& arguments);
std::optional<LinkParms> DecodeLink(const QByteArray& arguments);

QByteArray CreateLinkResult(qint32 error, qint32 link, quint16 abortPort);
QByteArray WriteResult(qint32 error, quint32 size);
QByteArray ReadResult(qint32 error, qint32 reason, const QByteArray& data);
QByteArray ReadStbResult(qint32 error, int statusByte);
QByteArray DocmdResult(qint32 error);
QByteArray ErrorResult(qint32 error);

}  // namespace scpi
