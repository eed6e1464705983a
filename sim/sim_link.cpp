#include "sim/sim_link.h"

#include "link/crc16.h"
#include "sim/controller.h"

namespace ks::sim {

SimLink::SimLink(Controller& controller, FaultPlan plan, uint8_t address)
    : m_controller(controller), m_slave(controller, address), m_plan(plan) {}

std::optional<uint64_t> SimLink::VanishAtMs() const {
    if (!m_plan.vanishAfterMs) return std::nullopt;
    return m_controller.StartMs() + *m_plan.vanishAfterMs;
}

bool SimLink::VanishDue(uint64_t nowMs) {
    auto at = VanishAtMs();
    if (!at || nowMs < *at) return false;
    if (!m_vanishCounted) {
        m_vanishCounted = true;
        ++m_counters.vanished;
    }
    return true;
}

std::optional<Reply> SimLink::Request(const uint8_t* frame, size_t length, uint64_t nowMs) {
    m_controller.AdvanceTo(nowMs);
    if (!m_slave.IsForMe(frame, length)) return std::nullopt;
    const bool broadcast = frame[0] == 0;
    if (broadcast) {
        m_slave.Handle(frame, length);
        return std::nullopt;
    }
    const uint32_t k = ++m_counters.requests;
    std::vector<uint8_t> answer;
    if (Every(m_plan.ignoreEveryN, k)) {
        ++m_counters.ignored;
        return std::nullopt;
    }
    if (Every(m_plan.exceptionEveryN, k)) {
        ++m_counters.exceptions;
        answer = RtuSlave::ExceptionFrame(m_slave.Address(), frame[1], m_plan.exceptionCode);
    } else {
        answer = m_slave.Handle(frame, length);
        if (answer.empty()) return std::nullopt;
        if (Every(m_plan.dropEveryN, k)) {
            ++m_counters.dropped;
            return std::nullopt;
        }
        if (Every(m_plan.wrongSlaveEveryN, k)) {
            ++m_counters.wrongSlave;
            answer[0] = m_plan.wrongSlave;
            AppendCrc(answer.data(), answer.size() - 2);
        } else if (Every(m_plan.corruptCrcEveryN, k)) {
            ++m_counters.corruptedCrc;
            answer.back() ^= 0x5A;
        }
    }
    Reply r;
    r.bytes = std::move(answer);
    r.readyAtMs = nowMs + m_plan.delayMs;
    if (m_plan.delayMs) ++m_counters.delayed;
    return r;
}

}  // namespace ks::sim
