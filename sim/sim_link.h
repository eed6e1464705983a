#pragma once
// The slave as the line sees it: RtuSlave plus fault injection. Both the
// in-process driver and kestrane-sim hand complete request frames to
// Request() and send back what it returns, when it says.
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/rtu_slave.h"

namespace ks::sim {

class Controller;

// Every N counts over the requests this slave would answer (good CRC, its
// own address); 0 turns a fault off. When several apply to the same
// request, the first in this order wins: ignore, exception, drop, wrong
// slave, corrupt CRC. A delay applies to every answer that is sent.
struct FaultPlan {
    uint32_t ignoreEveryN = 0;     // request lost on the way: not carried out, no answer
    uint32_t exceptionEveryN = 0;  // refused with exceptionCode, not carried out
    uint8_t exceptionCode = 6;     // slave device busy
    uint32_t dropEveryN = 0;       // carried out, answer lost
    uint32_t wrongSlaveEveryN = 0; // carried out, answered as slave wrongSlave
    uint8_t wrongSlave = 2;
    uint32_t corruptCrcEveryN = 0; // carried out, answer CRC damaged
    uint32_t delayMs = 0;          // answers leave this much later
    // The line goes dead this long after the controller started (the port
    // fails; a new open finds the controller again).
    std::optional<uint64_t> vanishAfterMs;
};

struct FaultCounters {
    uint32_t requests = 0;  // requests addressed to this slave with a good CRC
    uint32_t ignored = 0, exceptions = 0, dropped = 0, wrongSlave = 0, corruptedCrc = 0,
             delayed = 0, vanished = 0;
};

struct Reply {
    std::vector<uint8_t> bytes;
    uint64_t readyAtMs = 0;  // model time at which the answer leaves
};

class SimLink {
public:
    explicit SimLink(Controller& controller, FaultPlan plan = {}, uint8_t address = 1);

    Controller& Model() { return m_controller; }
    FaultPlan& Plan() { return m_plan; }
    const FaultCounters& Counters() const { return m_counters; }

    // One complete request frame at nowMs (the model is advanced to nowMs
    // first). Returns the answer to send, or nothing (silence).
    std::optional<Reply> Request(const uint8_t* frame, size_t length, uint64_t nowMs);

    // True once the planned vanish time has come; counted once.
    bool VanishDue(uint64_t nowMs);
    // Model time of the planned vanish, if any.
    std::optional<uint64_t> VanishAtMs() const;

private:
    static bool Every(uint32_t n, uint32_t k) { return n != 0 && k % n == 0; }

    Controller& m_controller;
    RtuSlave m_slave;
    FaultPlan m_plan;
    FaultCounters m_counters;
    bool m_vanishCounted = false;
};

}  // namespace ks::sim
