#pragma once
// Serial driver over POSIX termios. Exclusive open (TIOCEXCL plus a flock, so
// a second program - root included - gets a clean failure), raw 8-bit line
// without flow control, and reads with the Win32 time-out meaning done with
// poll(): total deadline n * multiplier + constant, inter-byte gap after the
// first byte, return as soon as all requested bytes are in.
#ifndef _WIN32
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

    // errno of the last failed call (0 when none), for diagnostics.
    int LastError() const { return m_lastError; }

private:
    bool Known(SerialHandle h);
    CommTimeouts TimeoutsOf(SerialHandle h);

    std::mutex m_mutex;  // guards m_timeouts only; I/O on one handle is single-threaded
    std::map<int, CommTimeouts> m_timeouts;
    int m_lastError = 0;
};

}  // namespace ks
#endif
