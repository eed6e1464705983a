#pragma once
// The simulated controller's record of the commands it took: the most recent
// ones in full, counters of all, and a listener for each new one (kestrane-sim
// writes its log from it).
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace ks::sim {

// One command taken (or refused). code 0 stands for the write of 0 to
// register 0 (stop motion).
struct CommandRecord {
    uint64_t timeMs = 0;
    int code = 0;
    bool refused = false;
    // Parameters used: the move vector for 40 (and its target in target[]),
    // the value for presets/speed/parameters in params[0].
    int32_t params[3] = {0, 0, 0};
    int32_t target[3] = {0, 0, 0};
    int32_t pos[3] = {0, 0, 0};  // X/Y/Z when the command was taken
};

// kestrane-sim runs for whole shifts, and with the positioning panel open the
// console sends about ten commands a second. 4096 commands are several
// minutes of that, more than any test or look at the log after a fault needs
// (about 230 kB).
inline constexpr size_t kCommandRecordLimit = 4096;

// One log line as kestrane-sim writes it: "<ms> <code> <name> key=value...".
std::string FormatCommandRecord(const CommandRecord& r);
// The name of the command in log lines; "unknown" for codes it does not take.
const char* CommandName(int code);

class CommandLog {
public:
    using Listener = void (*)(const CommandRecord&, void*);

    void Add(const CommandRecord& r);

    // The most recent kCommandRecordLimit records, oldest first.
    const std::deque<CommandRecord>& Records() const { return m_records; }
    // Commands since the start, in all and of one code (0..255).
    uint64_t Count() const { return m_total; }
    uint64_t Count(int code) const { return code >= 0 && code < 256 ? m_counts[code] : 0; }
    void SetListener(Listener fn, void* user) {
        m_listener = fn;
        m_listenerUser = user;
    }

private:
    std::deque<CommandRecord> m_records;
    std::array<uint64_t, 256> m_counts{};
    uint64_t m_total = 0;
    Listener m_listener = nullptr;
    void* m_listenerUser = nullptr;
};

}  // namespace ks::sim
