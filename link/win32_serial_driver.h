#pragma once
// Serial driver over the Win32 communications calls, for the Windows build.
// Failures are kept as errno values so that callers classify them the same
// way on every platform (see port_error.h).
//
// A read is one ReadFile under the port's time-outs, as the port has always
// read; while a window waits on the line (a wait hook is installed), the
// same read is made of short ReadFiles (sliced_read.h) and the window
// paints between them.
#ifdef _WIN32
#include <atomic>
#include <map>
#include <mutex>

#include "link/serial_driver.h"

namespace ks {

class Win32SerialDriver final : public SerialDriver {
public:
    SerialHandle Open(const std::string& devicePath) override;
    bool SetLineSettings(SerialHandle h, const LineSettings& line) override;
    void SetQueueSizes(SerialHandle h, uint32_t inBytes, uint32_t outBytes) override;
    bool SetTimeouts(SerialHandle h, const CommTimeouts& timeouts) override;
    bool Purge(SerialHandle h) override;
    bool Read(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) override;
    bool Write(SerialHandle h, const uint8_t* buffer, uint32_t count, uint32_t* put) override;
    void Close(SerialHandle h) override;
    int LastError() const override { return m_lastError; }

private:
    // What the driver keeps of an open handle: the time-outs the port asked
    // for, and those the device has now (the same, or a short read's).
    struct Port {
        CommTimeouts asked;
        CommTimeouts onDevice;
    };
    // Gives the device `timeouts` unless it has them already.
    bool UseTimeouts(SerialHandle h, const CommTimeouts& timeouts);
    bool ReadSliced(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got);
    bool ReadOnce(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got);
    Port PortOf(SerialHandle h);

    // Keeps GetLastError() of a failed call as an errno value.
    void Fail();
    // The same for the line settings and time-outs of a handle just opened.
    void FailConfiguring();

    std::mutex m_mutex;  // guards m_ports only; I/O on one handle is single-threaded
    std::map<SerialHandle, Port> m_ports;
    std::atomic<int> m_lastError{0};
};

}  // namespace ks
#endif
