#pragma once
// Serial driver over the Win32 communications calls, for the Windows build.
// Failures are kept as errno values so that callers classify them the same
// way on every platform (see port_error.h).
#ifdef _WIN32
#include <atomic>

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
    // Keeps GetLastError() of a failed call as an errno value.
    void Fail();
    // The same for the line settings and time-outs of a handle just opened.
    void FailConfiguring();

    std::atomic<int> m_lastError{0};
};

}  // namespace ks
#endif
