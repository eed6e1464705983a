#include "platform/com_ports.h"

#include "platform/windows_h.h"
#include <setupapi.h>

namespace ks {
namespace {

// Device Manager's class "Ports (COM & LPT)".
constexpr GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

std::string Utf8(const wchar_t* text, size_t length) {
    if (length == 0) return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) ::WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), n, nullptr, nullptr);
    return out;
}

// A REG_SZ value as read: its length in bytes may or may not count the
// terminating zero.
std::string Utf8Value(const wchar_t* text, DWORD bytes) {
    size_t length = bytes / sizeof(wchar_t);
    while (length > 0 && text[length - 1] == L'\0') --length;
    return Utf8(text, length);
}

NamePairs SerialCommEntries() {
    NamePairs entries;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return entries;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        wchar_t data[256];
        DWORD nameLength = 256;
        DWORD dataBytes = sizeof data;
        DWORD type = 0;
        const LONG rc = ::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data),
                                        &dataBytes);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS || type != REG_SZ) continue;  // a name too long for the buffer is no COM port
        entries.emplace_back(Utf8(name, nameLength), Utf8Value(data, dataBytes));
    }
    ::RegCloseKey(key);
    return entries;
}

// Port name -> friendly name of every present device of the ports class.
NamePairs FriendlyNames() {
    NamePairs names;
    const HDEVINFO set = ::SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return names;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD i = 0; ::SetupDiEnumDeviceInfo(set, i, &device); ++i) {
        wchar_t friendly[256];
        DWORD bytes = 0;
        if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_FRIENDLYNAME, nullptr,
                                                 reinterpret_cast<BYTE*>(friendly), sizeof friendly, &bytes))
            continue;
        const HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        wchar_t port[64];
        DWORD portBytes = sizeof port;
        DWORD type = 0;
        if (::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(port), &portBytes) ==
                ERROR_SUCCESS &&
            type == REG_SZ)
            names.emplace_back(Utf8Value(port, portBytes), Utf8Value(friendly, bytes));
        ::RegCloseKey(key);
    }
    ::SetupDiDestroyDeviceInfoList(set);
    return names;
}

}  // namespace

std::vector<ComPort> SystemComPorts() { return MergeComPorts(SerialCommEntries(), FriendlyNames()); }

}  // namespace ks
