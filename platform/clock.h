#pragma once
// Time for everything that waits: Sleep, GetTickCount-style ticks and
// time-outs. The console and the link take a Clock so that tests can run
// minutes of machine time in milliseconds with VirtualClock.
#include <cstdint>
#include <ctime>
#include <functional>
#include <vector>

namespace ks {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; wraps like GetTickCount.
    virtual uint32_t TickCount() = 0;
    // Blocks the calling thread (or advances virtual time) by ms.
    virtual void Sleep(uint32_t ms) = 0;
    // The calendar time, in seconds since 1970 (UTC): what records stamp
    // their lines with, so that their times and the ticks they measure with
    // agree under a virtual clock too.
    virtual std::time_t WallTime() { return std::time(nullptr); }
};

// Wall-clock time from std::chrono::steady_clock.
class SystemClock final : public Clock {
public:
    uint32_t TickCount() override;
    void Sleep(uint32_t ms) override;
    static SystemClock& Instance();
};

// Time that moves only when told: Sleep and Advance move it forward at once.
// Observers are called after every advance, so a simulated machine can step
// its model to the new time.
class VirtualClock final : public Clock {
public:
    explicit VirtualClock(uint64_t startMs = 0) : m_nowMs(startMs) {}
    uint32_t TickCount() override { return static_cast<uint32_t>(m_nowMs); }
    void Sleep(uint32_t ms) override { Advance(ms); }
    // A fixed calendar start (kWallStart) moved on by the virtual time.
    std::time_t WallTime() override { return kWallStart + static_cast<std::time_t>(m_nowMs / 1000); }
    static constexpr std::time_t kWallStart = 1798761600;  // 2027-01-01T00:00:00Z

    void Advance(uint64_t ms);
    uint64_t NowMs() const { return m_nowMs; }
    // Total time spent in Sleep/Advance since construction.
    uint64_t ElapsedMs() const { return m_nowMs - m_startMs; }

    using Observer = std::function<void(uint64_t nowMs)>;
    // Returns an id for RemoveObserver.
    int AddObserver(Observer fn);
    void RemoveObserver(int id);

private:
    uint64_t m_nowMs;
    uint64_t m_startMs = m_nowMs;
    int m_nextId = 1;
    std::vector<std::pair<int, Observer>> m_observers;
};

}  // namespace ks
