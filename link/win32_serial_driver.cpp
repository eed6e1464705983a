#ifdef _WIN32
#include "link/win32_serial_driver.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

namespace ks {
namespace {

HANDLE ToHandle(SerialHandle h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

// SerialHandle's invalid value is all bits set, like INVALID_HANDLE_VALUE.
static_assert(sizeof(SerialHandle) == sizeof(HANDLE));

SerialHandle Win32SerialDriver::Open(const std::string& devicePath) {
    HANDLE h = ::CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0 /* no sharing */, nullptr,
                             OPEN_EXISTING, 0 /* synchronous */, nullptr);
    if (h == INVALID_HANDLE_VALUE) return kInvalidSerialHandle;
    return reinterpret_cast<SerialHandle>(h);
}

bool Win32SerialDriver::SetLineSettings(SerialHandle h, const LineSettings& line) {
    DCB dcb;
    ::ZeroMemory(&dcb, sizeof dcb);
    dcb.DCBlength = sizeof dcb;
    ::GetCommState(ToHandle(h), &dcb);  // result of no consequence: every field we need is set below
    dcb.BaudRate = line.baud;
    dcb.ByteSize = line.byteSize;
    dcb.Parity = line.parity;
    dcb.StopBits = line.stopBits;
    // Flag word: clear 0x33B0 (DTR control, TX-continue-on-XOFF, XON/XOFF
    // out and in, RTS control), set bit 0 (binary). The rest stays as the
    // driver reported it.
    dcb.fBinary = 1;
    dcb.fDtrControl = DTR_CONTROL_DISABLE;
    dcb.fRtsControl = RTS_CONTROL_DISABLE;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fTXContinueOnXoff = 0;
    return ::SetCommState(ToHandle(h), &dcb) != 0;
}

void Win32SerialDriver::SetQueueSizes(SerialHandle h, uint32_t inBytes, uint32_t outBytes) {
    ::SetCommMask(ToHandle(h), EV_RXCHAR);
    ::SetupComm(ToHandle(h), inBytes, outBytes);
}

bool Win32SerialDriver::SetTimeouts(SerialHandle h, const CommTimeouts& timeouts) {
    COMMTIMEOUTS cto;
    ::ZeroMemory(&cto, sizeof cto);
    ::GetCommTimeouts(ToHandle(h), &cto);
    cto.ReadIntervalTimeout = timeouts.readInterval;
    cto.ReadTotalTimeoutMultiplier = timeouts.readTotalMultiplier;
    cto.ReadTotalTimeoutConstant = timeouts.readTotalConstant;
    cto.WriteTotalTimeoutMultiplier = timeouts.writeTotalMultiplier;
    cto.WriteTotalTimeoutConstant = timeouts.writeTotalConstant;
    return ::SetCommTimeouts(ToHandle(h), &cto) != 0;
}

bool Win32SerialDriver::Purge(SerialHandle h) {
    return ::PurgeComm(ToHandle(h), PURGE_TXCLEAR | PURGE_RXCLEAR) != 0;  // 12
}

bool Win32SerialDriver::Read(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) {
    DWORD n = 0;
    BOOL ok = ::ReadFile(ToHandle(h), buffer, count, &n, nullptr);
    *got = ok ? n : 0;
    return ok != 0;
}

bool Win32SerialDriver::Write(SerialHandle h, const uint8_t* buffer, uint32_t count, uint32_t* put) {
    DWORD n = 0;
    BOOL ok = ::WriteFile(ToHandle(h), buffer, count, &n, nullptr);
    *put = ok ? n : 0;
    return ok != 0;
}

void Win32SerialDriver::Close(SerialHandle h) { ::CloseHandle(ToHandle(h)); }

}  // namespace ks
#endif
