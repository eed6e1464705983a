#include "sim/in_process_driver.h"

#include <cerrno>

#include <algorithm>

#include "sim/controller.h"
#include "sim/rtu_slave.h"

namespace ks::sim {

InProcessDriver::InProcessDriver(Controller& controller, ks::VirtualClock& clock, FaultPlan plan)
    : m_controller(controller), m_clock(clock), m_link(controller, plan) {
    m_controller.AdvanceTo(m_clock.NowMs());
    m_observer = m_clock.AddObserver([this](uint64_t now) { m_controller.AdvanceTo(now); });
}

InProcessDriver::~InProcessDriver() { m_clock.RemoveObserver(m_observer); }

void InProcessDriver::Vanish() {
    if (m_handle != kInvalidSerialHandle) m_broken = true;
}

bool InProcessDriver::Usable(SerialHandle h) {
    if (h == kInvalidSerialHandle || h != m_handle || m_broken) return false;
    if (m_link.VanishDue(m_clock.NowMs())) {
        m_broken = true;
        return false;
    }
    return true;
}

void InProcessDriver::Arrive(uint64_t nowMs) {
    // Answers arrive in the order they were sent.
    std::stable_sort(m_inFlight.begin(), m_inFlight.end(),
                     [](const Reply& a, const Reply& b) { return a.readyAtMs < b.readyAtMs; });
    size_t n = 0;
    while (n < m_inFlight.size() && m_inFlight[n].readyAtMs <= nowMs) {
        m_rx.insert(m_rx.end(), m_inFlight[n].bytes.begin(), m_inFlight[n].bytes.end());
        ++n;
    }
    m_inFlight.erase(m_inFlight.begin(), m_inFlight.begin() + static_cast<long>(n));
}

SerialHandle InProcessDriver::Open(const std::string& devicePath) {
    m_lastPath = devicePath;
    if (!m_present) {
        m_lastError = ENOENT;  // an adapter that is not plugged in
        return kInvalidSerialHandle;
    }
    if (m_handle != kInvalidSerialHandle && !m_broken) {
        m_lastError = EBUSY;
        return kInvalidSerialHandle;
    }
    // A fresh open finds the controller there again, with an empty line.
    m_broken = false;
    if (m_link.VanishAtMs() && m_link.VanishDue(m_clock.NowMs())) m_link.Plan().vanishAfterMs.reset();
    m_rx.clear();
    m_inFlight.clear();
    m_handle = m_nextHandle++;
    ++m_opens;
    return m_handle;
}

bool InProcessDriver::SetLineSettings(SerialHandle h, const LineSettings& line) {
    if (!Usable(h)) return false;
    m_line = line;
    return true;
}

void InProcessDriver::SetQueueSizes(SerialHandle, uint32_t, uint32_t) {}

bool InProcessDriver::SetTimeouts(SerialHandle h, const CommTimeouts& timeouts) {
    if (!Usable(h)) return false;
    m_timeouts = timeouts;
    return true;
}

bool InProcessDriver::Purge(SerialHandle h) {
    if (!Usable(h)) return false;
    Arrive(m_clock.NowMs());
    m_rx.clear();
    return true;
}

bool InProcessDriver::Write(SerialHandle h, const uint8_t* buffer, uint32_t count, uint32_t* put) {
    if (put) *put = 0;
    if (!Usable(h)) return false;
    const uint64_t now = m_clock.NowMs();
    m_controller.AdvanceTo(now);
    ++m_requestCount;
    m_lastRequest.assign(buffer, buffer + count);
    if (count <= kMaxFrame) {
        if (auto reply = m_link.Request(buffer, count, now)) m_inFlight.push_back(std::move(*reply));
    }
    if (put) *put = count;
    return true;
}

bool InProcessDriver::Read(SerialHandle h, uint8_t* buffer, uint32_t count, uint32_t* got) {
    if (got) *got = 0;
    if (!Usable(h)) return false;
    uint64_t now = m_clock.NowMs();
    Arrive(now);
    if (m_rx.empty() && count > 0) {
        // Block as the real read would: until something arrives or the
        // total time-out runs out (or the line dies meanwhile).
        uint64_t budget = static_cast<uint64_t>(count) * m_timeouts.readTotalMultiplier +
                          m_timeouts.readTotalConstant;
        uint64_t until = now + budget;
        if (!m_inFlight.empty()) {
            uint64_t first = m_inFlight.front().readyAtMs;
            for (const Reply& r : m_inFlight) first = std::min(first, r.readyAtMs);
            until = std::min(until, first);
        }
        if (auto vanish = m_link.VanishAtMs(); vanish && *vanish > now && *vanish <= until) {
            m_clock.Advance(*vanish - now);
            m_broken = true;
            m_link.VanishDue(m_clock.NowMs());
            return false;
        }
        if (until > now) m_clock.Advance(until - now);
        Arrive(m_clock.NowMs());
    }
    uint32_t n = 0;
    while (n < count && !m_rx.empty()) {
        buffer[n++] = m_rx.front();
        m_rx.pop_front();
    }
    if (got) *got = n;
    return true;
}

void InProcessDriver::Close(SerialHandle h) {
    if (h != kInvalidSerialHandle && h == m_handle) {
        m_handle = kInvalidSerialHandle;
        m_broken = false;
        m_rx.clear();
        m_inFlight.clear();
    }
}

}  // namespace ks::sim
