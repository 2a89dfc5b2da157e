// Windows keeps both with the port's device: its instance id says which bus it is on, and
// FTDI's driver keeps its latency timer beside the port's name, in the device's parameters.
// SetupAPI reads them with no administrator rights.
#include "AdapterLatency.h"

#include <windows.h>
#include <setupapi.h>

namespace board {

namespace {

// The "Ports (COM & LPT)" device class.
const GUID kPortsClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

QString ReadText(HKEY key, const wchar_t* name)
{
    wchar_t text[256] = {};
    DWORD type = 0;
    DWORD size = sizeof text - sizeof(wchar_t);  // room for a terminator the value may lack
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS || type != REG_SZ)
        return {};
    return QString::fromWCharArray(text);
}

std::optional<int> ReadNumber(HKEY key, const wchar_t* name)
{
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS || type != REG_DWORD)
        return std::nullopt;
    return int(value);
}

bool OnUsb(HDEVINFO devices, SP_DEVINFO_DATA& device)
{
    wchar_t id[512] = {};
    if (!SetupDiGetDeviceInstanceIdW(devices, &device, id, DWORD(std::size(id)), nullptr))
        return false;
    const QString instance = QString::fromWCharArray(id);
    return instance.startsWith(QLatin1String("USB\\"), Qt::CaseInsensitive)
           || instance.startsWith(QLatin1String("FTDIBUS\\"), Qt::CaseInsensitive);
}

}  // namespace

AdapterFacts LookUpAdapter(const QString& location)
{
    // "\\.\COM7", as the system's listing names it, is COM7.
    const QString portName = location.section(QLatin1Char('\\'), -1);
    AdapterFacts facts;
    const HDEVINFO devices = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE)
        return facts;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        const HKEY parameters = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (parameters == INVALID_HANDLE_VALUE)
            continue;
        const bool ours = ReadText(parameters, L"PortName").compare(portName, Qt::CaseInsensitive) == 0;
        if (ours) {
            facts.latencyTimerMs = ReadNumber(parameters, L"LatencyTimer");
            facts.usb = OnUsb(devices, device);
        }
        RegCloseKey(parameters);
        if (ours)
            break;
    }
    SetupDiDestroyDeviceInfoList(devices);
    return facts;
}

}  // namespace board
