#pragma once
// Serial driver over POSIX termios. Exclusive open (TIOCEXCL plus a flock, so
// a second program - root included - gets a clean failure), raw 8-bit line
// without flow control, and reads with the Win32 time-out meaning done with
// poll(): total deadline n * multiplier + constant, inter-byte gap after the
// first byte, return as soon as all requested bytes are in. DTR and RTS are
// dropped once the line is set up, as the Win32 build does, because RS-485
// adapters take their direction or power from them; the device's own termios
// comes back on Close, so the next program finds the tty as it was.
#ifndef _WIN32
#include <termios.h>

#include <atomic>
#include <map>
#include <mutex>

#include "link/serial_driver.h"

namespace ks {

class PosixSerialDriver final : public SerialDriver {
public:
    PosixSerialDriver() = default;
    ~PosixSerialDriver() override;

    SerialHandle Open(const std::string& devicePath) override;
    bool SetLineSettings(SerialHandle h, const LineSettings& line) override;
    void SetQueueSizes(SerialHandle h, uint32_t inBytes, uint32_t outBytes) override;
    bool SetTimeouts(SerialHandle h, const CommTimeouts& timeouts) override;
    bool Purge(SerialHandle h) override;
    bool Read(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) override;
    bool Write(SerialHandle h, const uint8_t* buffer, uint32_t count, uint32_t* put) override;
    void Close(SerialHandle h) override;

    // errno of the last failed call, 0 before the first; every failing path
    // sets it, so it is current right after a call returned failure.
    int LastError() const override { return m_lastError; }

private:
    struct Port {
        CommTimeouts timeouts;
        termios saved {};  // the device's settings when it was opened
    };

    bool Known(SerialHandle h);
    CommTimeouts TimeoutsOf(SerialHandle h);

    std::mutex m_mutex;  // guards m_ports only; I/O on one handle is single-threaded
    std::map<int, Port> m_ports;
    std::atomic<int> m_lastError{0};
};

}  // namespace ks
#endif
