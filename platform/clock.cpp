#include "platform/clock.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/wait_hook.h"

namespace ks {

uint32_t SystemClock::TickCount() {
    using namespace std::chrono;
    return static_cast<uint32_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Through the wait hook: a program with a window keeps it painting.
void SystemClock::Sleep(uint32_t ms) { WaitMs(ms); }

SystemClock& SystemClock::Instance() {
    static SystemClock clock;
    return clock;
}

void VirtualClock::Advance(uint64_t ms) {
    m_nowMs += ms;
    // Copy: an observer may add or remove observers.
    auto observers = m_observers;
    for (auto& [id, fn] : observers) fn(m_nowMs);
}

int VirtualClock::AddObserver(Observer fn) {
    m_observers.emplace_back(m_nextId, std::move(fn));
    return m_nextId++;
}

void VirtualClock::RemoveObserver(int id) {
    m_observers.erase(std::remove_if(m_observers.begin(), m_observers.end(),
                                     [id](const auto& p) { return p.first == id; }),
                      m_observers.end());
}

}  // namespace ks
