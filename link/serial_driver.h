#pragma once
// The operating-system side of a serial port, as the port class needs it.
// One implementation per platform (POSIX termios, Win32) plus test doubles
// (a scripted fake, the in-process simulated controller).
#include <cstdint>
#include <string>

namespace ks {

// Handle of an open port; kInvalidSerialHandle (all bits set, like Win32's
// INVALID_HANDLE_VALUE) when closed.
using SerialHandle = intptr_t;
inline constexpr SerialHandle kInvalidSerialHandle = -1;

// Line settings with Win32 DCB codes: parity 0 none, 1 odd, 2 even, 3 mark,
// 4 space; stop bits 0 one, 1 one and a half, 2 two.
struct LineSettings {
    uint32_t baud = 57600;
    uint8_t byteSize = 8;
    uint8_t parity = 0;
    uint8_t stopBits = 0;
};

// The five Win32 COMMTIMEOUTS values, in milliseconds. A read of n bytes ends
// when n bytes are in, when the gap between two received bytes exceeds
// readInterval, or after n * readTotalMultiplier + readTotalConstant.
struct CommTimeouts {
    uint32_t readInterval = 0;
    uint32_t readTotalMultiplier = 0;
    uint32_t readTotalConstant = 0;
    uint32_t writeTotalMultiplier = 0;
    uint32_t writeTotalConstant = 0;
};

class SerialDriver {
public:
    virtual ~SerialDriver() = default;

    // Exclusive read/write open of an existing device; kInvalidSerialHandle on failure.
    virtual SerialHandle Open(const std::string& devicePath) = 0;
    // Raw binary line: the given speed and framing, DTR/RTS not used for
    // handshaking, no software or hardware flow control.
    virtual bool SetLineSettings(SerialHandle h, const LineSettings& line) = 0;
    // Event mask and driver queue sizes; failures are of no consequence.
    virtual void SetQueueSizes(SerialHandle h, uint32_t inBytes, uint32_t outBytes) = 0;
    virtual bool SetTimeouts(SerialHandle h, const CommTimeouts& timeouts) = 0;
    // Drops everything queued in both directions.
    virtual bool Purge(SerialHandle h) = 0;
    // One blocking read of up to count bytes under the time-outs. Returns
    // false when the read call itself failed; *got is the count moved.
    virtual bool Read(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) = 0;
    virtual bool Write(SerialHandle h, const uint8_t* buffer, uint32_t count, uint32_t* put) = 0;
    virtual void Close(SerialHandle h) = 0;

    // errno value (POSIX meaning, whatever the platform) of the last failed
    // call, for telling the user why; 0 when the driver cannot say.
    virtual int LastError() const { return 0; }
};

}  // namespace ks
