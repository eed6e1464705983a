#pragma once
// Serial driver over the Win32 communications calls, for the Windows build.
#ifdef _WIN32
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
};

}  // namespace ks
#endif
