#pragma once
// Whether the controller can be reached. The link goes down after a few
// failed transfers in a row and comes back with the next status read that
// succeeds; while it is down the console makes no transfer but one status
// read a second (a probe), and reopens the port first when it is closed.
#include <cstdint>

#include "link/modbus_result.h"

namespace ks::app {

class LinkWatch {
public:
    // Three link failures in a row. A noisy but live line loses one answer
    // now and then (an isolated failure, which the write retries absorb);
    // three in a row happen only when the controller or the line is gone,
    // and cost about 3 s of waiting on a silent line (three time-outs, the
    // last two each after the master's wait for a late answer) before the
    // console stops waiting on every transfer.
    static constexpr int kFailuresForDown = 3;
    // One probe (and one reopen attempt) a second: the controller is found
    // again within that, and a silent line costs a 500 ms read at most once
    // a second.
    static constexpr uint32_t kProbePeriodMs = 1000;
    // Probes an open port may stay silent before it is opened again by its
    // name: the name may lead elsewhere by now.
    static constexpr int kSilentProbesBeforeReopen = 3;

    bool Down() const { return m_down; }
    // The failure that put the link down: what a skipped transfer reports.
    ModbusResult Failure() const { return m_failure; }

    // The outcome of one transfer; true when this one put the link down.
    // Exception answers and argument errors come from a live controller (or
    // from the caller) and do not count against the link.
    bool Note(ModbusResult result) {
        if (result == kMbOk || !IsLinkError(result)) {
            m_failuresInRow = 0;
            return false;
        }
        m_failure = result;
        if (m_down || ++m_failuresInRow < kFailuresForDown) return false;
        m_down = true;
        return true;
    }
    // The port could not be opened at all.
    void SetDown(ModbusResult why) {
        m_down = true;
        m_failure = why;
    }
    void SetUp() {
        m_down = false;
        m_failuresInRow = 0;
    }

    bool ProbeDue(uint32_t nowMs) const { return !m_probed || nowMs - m_lastProbeMs >= kProbePeriodMs; }
    void Probed(uint32_t nowMs) {
        m_probed = true;
        m_lastProbeMs = nowMs;
    }

    static bool IsLinkError(ModbusResult r) { return r >= kMbCrcError && r <= kMbReserved; }

private:
    bool m_down = false;
    int m_failuresInRow = 0;
    ModbusResult m_failure = kMbOk;
    bool m_probed = false;
    uint32_t m_lastProbeMs = 0;
};

}  // namespace ks::app
