#pragma once
// One serial port wired to the machine controller: open and configure it for
// short request/response exchanges, move raw bytes under time-outs, close it.
// The operating system is reached only through a SerialDriver, so the same
// class runs on termios, on Win32 and on a scripted fake.
#include <cstdint>
#include <string>

#include "link/port_error.h"
#include "link/serial_driver.h"

namespace ks {

// Device path of COM port n: "\\.\COMn" on Windows. Elsewhere
// "<settings folder>/COMn" (SettingsFolder(), platform/program_folder.h)
// when that name exists (a symlink to a tty, to a /dev/serial/by-id entry
// or to a simulator's pseudo-terminal; a dangling link is still taken, so
// that a vanished target fails the open instead of silently reaching another
// device), else "/dev/ttyS<n-1>".
std::string ComDevicePath(int port);

// Inter-character time in ms for a baud rate: 1.5 characters of 11 bits,
// rounded up from 0.2 ms, at least 1. Baud 0 gives 0 (not a usable rate).
uint32_t InterCharTimeoutMs(uint32_t baud);

class CSerialPort {
public:
    // The driver is owned by the caller and must outlive the port.
    explicit CSerialPort(SerialDriver& driver);
    virtual ~CSerialPort();

    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Port 1..19 only; outside that range returns 0 and leaves an open port
    // alone. Otherwise opens ComDevicePath(port). 1 on success, 0 on failure.
    int OpenPort(int port, uint32_t baud, uint8_t byteSize, uint8_t parity, uint8_t stopBits);
    // Closes first, then opens and configures path; any failed step ends closed.
    int OpenDevice(const std::string& path, uint32_t baud, uint8_t byteSize, uint8_t parity,
                   uint8_t stopBits);
    // One read of up to count bytes; returns the count read (short is normal).
    // Closed port: 0 without touching the driver. A failed read closes the port.
    uint32_t ReadBytes(uint8_t* buffer, uint32_t count);
    // One write; returns the count written. Closed port: 0 at once. A failed
    // write closes the port.
    uint32_t WriteBytes(const uint8_t* buffer, uint32_t count);
    void ClosePort();

    bool IsOpen() const { return m_hComm != kInvalidSerialHandle; }

    // Why the last OpenPort/OpenDevice failed: the failing step's errno as
    // the driver gave it (0 when it gave none) and its class, which is never
    // None after a failure. Both are cleared by a successful open. A port
    // number out of range counts as NoDevice (ENODEV).
    PortOpenError LastOpenError() const { return m_openError; }
    int LastOpenErrno() const { return m_openErrno; }

    // kInvalidSerialHandle whenever the port is closed.
    SerialHandle m_hComm;

protected:
    // Drops everything queued in both directions; nothing on a closed port.
    void PurgePort();

    SerialDriver& m_driver;

private:
    // Records err (0: the driver could not say) as the reason of a failed
    // open, closes the port and returns 0 for OpenDevice to pass on.
    int OpenFailed(int err);

    PortOpenError m_openError = PortOpenError::None;
    int m_openErrno = 0;
};

}  // namespace ks
