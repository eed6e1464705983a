#pragma once
// Command line of kestrane-sim (kept here so that it can be tested).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sim/controller.h"
#include "sim/sim_link.h"

namespace ks::sim {

struct SimOptions {
    std::string linkPath;
    Config config;
    FaultPlan faults;
    std::vector<ScriptedEvent> events;
    std::optional<uint64_t> reappearAfterMs;  // after a vanish
    uint32_t baud = 0;   // > 0: answers take the transmission time at this rate
    uint32_t gapMs = 3;  // silence that ends a request of unknown length
    std::string logPath;
    bool verbose = false;
    bool help = false;
};

// Reads args (without the program name). False with a message on error.
bool ParseSimOptions(const std::vector<std::string>& args, SimOptions* out, std::string* error);
// Parses one --event text, e.g. "hole=3,after=500,pause" or "at=10000,signal=9,clear=2000".
bool ParseEvent(const std::string& text, ScriptedEvent* ev, std::string* error);
const char* SimUsage();

}  // namespace ks::sim
