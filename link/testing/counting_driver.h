#pragma once
// A driver that hands every call to another one and counts the transfers,
// so that a test can wait for "n more exchanges" instead of a span of time.
// Given a VirtualClock, a read that comes back short also moves that clock
// by the longest time its time-outs let it block (count x multiplier +
// constant, as FakeSerialDriver charges): a master on that clock runs on the
// real line, but its time-outs are decided by counted waits, not by how
// fast the machine happens to be.
#include <atomic>
#include <map>
#include <mutex>

#include "link/serial_driver.h"
#include "platform/clock.h"

namespace ks {

class CountingDriver final : public SerialDriver {
public:
    explicit CountingDriver(SerialDriver& inner, VirtualClock* clock = nullptr) : m_inner(inner), m_clock(clock) {}

    // Calls so far; safe to read from another thread.
    int Reads() const { return m_reads; }
    int Writes() const { return m_writes; }
    int Calls() const { return m_calls; }

    SerialHandle Open(const std::string& devicePath) override;
    bool SetLineSettings(SerialHandle h, const LineSettings& line) override;
    void SetQueueSizes(SerialHandle h, uint32_t inBytes, uint32_t outBytes) override;
    bool SetTimeouts(SerialHandle h, const CommTimeouts& timeouts) override;
    bool Purge(SerialHandle h) override;
    bool Read(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) override;
    bool Write(SerialHandle h, const uint8_t* buffer, uint32_t count, uint32_t* put) override;
    void Close(SerialHandle h) override;
    int LastError() const override { return m_inner.LastError(); }

private:
    SerialDriver& m_inner;
    VirtualClock* m_clock;
    std::mutex m_mutex;  // guards m_timeouts
    std::map<SerialHandle, CommTimeouts> m_timeouts;
    std::atomic<int> m_reads{0}, m_writes{0}, m_calls{0};
};

}  // namespace ks
