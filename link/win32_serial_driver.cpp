#ifdef _WIN32
#include "link/win32_serial_driver.h"

#include "platform/windows_h.h"

#include <cerrno>
#include <cstring>

#include "link/sliced_read.h"
#include "platform/clock.h"
#include "platform/wait_hook.h"

namespace ks {
namespace {

HANDLE ToHandle(SerialHandle h) { return reinterpret_cast<HANDLE>(h); }

int ErrnoOf(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_NOT_CONNECTED:
            return ENOENT;
        // COM ports cannot be shared: "access denied" is nearly always another
        // program holding the port, not a missing right.
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_BUSY:
            return EBUSY;
        // Communications calls on a handle that is no serial port.
        case ERROR_INVALID_FUNCTION:
        case ERROR_NOT_SUPPORTED:
            return ENOTTY;
        case ERROR_INVALID_PARAMETER: return EINVAL;
        case ERROR_INVALID_HANDLE: return EBADF;
        default: return EIO;
    }
}

}  // namespace

void Win32SerialDriver::Fail() { m_lastError = ErrnoOf(::GetLastError()); }

// The handle came from a CreateFileA that succeeded, so "invalid handle"
// can only mean that it is no communications device (Wine says so for a
// plain file; drivers of other devices answer "invalid function").
void Win32SerialDriver::FailConfiguring() {
    const DWORD code = ::GetLastError();
    m_lastError = code == ERROR_INVALID_HANDLE ? ENOTTY : ErrnoOf(code);
}

// SerialHandle's invalid value is all bits set, like INVALID_HANDLE_VALUE.
static_assert(sizeof(SerialHandle) == sizeof(HANDLE));

SerialHandle Win32SerialDriver::Open(const std::string& devicePath) {
    HANDLE h = ::CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0 /* no sharing */, nullptr,
                             OPEN_EXISTING, 0 /* synchronous */, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        Fail();
        return kInvalidSerialHandle;
    }
    const SerialHandle handle = reinterpret_cast<SerialHandle>(h);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ports[handle] = Port{};
    return handle;
}

Win32SerialDriver::Port Win32SerialDriver::PortOf(SerialHandle h) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_ports.find(h);
    return it == m_ports.end() ? Port{} : it->second;
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
    if (::SetCommState(ToHandle(h), &dcb)) return true;
    FailConfiguring();
    return false;
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
    if (!::SetCommTimeouts(ToHandle(h), &cto)) {
        FailConfiguring();
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ports[h] = Port{timeouts, timeouts};
    return true;
}

bool Win32SerialDriver::UseTimeouts(SerialHandle h, const CommTimeouts& timeouts) {
    const Port port = PortOf(h);
    if (std::memcmp(&port.onDevice, &timeouts, sizeof timeouts) == 0) return true;
    COMMTIMEOUTS cto{timeouts.readInterval, timeouts.readTotalMultiplier, timeouts.readTotalConstant,
                     timeouts.writeTotalMultiplier, timeouts.writeTotalConstant};
    if (!::SetCommTimeouts(ToHandle(h), &cto)) {
        Fail();
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ports[h].onDevice = timeouts;
    return true;
}

bool Win32SerialDriver::Purge(SerialHandle h) {
    if (::PurgeComm(ToHandle(h), PURGE_TXCLEAR | PURGE_RXCLEAR)) return true;  // 12
    Fail();
    return false;
}

bool Win32SerialDriver::Read(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) {
    *got = 0;
    if (HasWaitHook()) return ReadSliced(h, buffer, count, got);
    if (!UseTimeouts(h, PortOf(h).asked)) return false;
    return ReadOnce(h, buffer, count, got);
}

bool Win32SerialDriver::ReadOnce(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) {
    DWORD n = 0;
    BOOL ok = ::ReadFile(ToHandle(h), buffer, count, &n, nullptr);
    *got = ok ? n : 0;
    if (!ok) Fail();
    return ok != 0;
}

// Each short read waits for the first byte at most `waitMs` and returns
// with what has come (time-outs of "any byte, or give up after waitMs"),
// and the port's own time-out rule is kept over the series of them. The
// write time-outs stay as the port set them.
bool Win32SerialDriver::ReadSliced(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) {
    const CommTimeouts asked = PortOf(h).asked;
    return ReadInSlices(asked, buffer, count, got, SystemClock::Instance(), kWaitSliceMs,
                        [&](uint8_t* into, uint32_t want, uint32_t waitMs, uint32_t* n) {
                            CommTimeouts slice = asked;
                            slice.readInterval = MAXDWORD;
                            slice.readTotalMultiplier = waitMs == 0 ? 0 : MAXDWORD;
                            slice.readTotalConstant = waitMs;
                            return UseTimeouts(h, slice) && ReadOnce(h, into, want, n);
                        });
}

bool Win32SerialDriver::Write(SerialHandle h, const uint8_t* buffer, uint32_t count, uint32_t* put) {
    DWORD n = 0;
    BOOL ok = ::WriteFile(ToHandle(h), buffer, count, &n, nullptr);
    *put = ok ? n : 0;
    if (!ok) Fail();
    return ok != 0;
}

void Win32SerialDriver::Close(SerialHandle h) {
    ::CloseHandle(ToHandle(h));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ports.erase(h);
}

}  // namespace ks
#endif
