#include "sim/command_log.h"

#include "platform/textnum.h"
#include "sim/commands.h"

namespace ks::sim {

const char* CommandName(int code) {
    const CommandSpec* c = FindCommand(code);
    return c ? c->name : "unknown";
}

std::string FormatCommandRecord(const CommandRecord& r) {
    std::string s = FormatInt(static_cast<int64_t>(r.timeMs)) + " " + FormatInt(r.code) + " " +
                    CommandName(r.code);
    auto kv = [&s](const char* k, int64_t v) { s += std::string(" ") + k + "=" + FormatInt(v); };
    auto xyz = [&kv](const int32_t (&p)[3]) {
        kv("x", p[0]);
        kv("y", p[1]);
        kv("z", p[2]);
    };
    const CommandSpec* c = FindCommand(r.code);
    switch (c ? c->params : CommandParams::None) {
    case CommandParams::Move:
        kv("dx", r.params[0]);
        kv("dy", r.params[1]);
        kv("dz", r.params[2]);
        s += " ->";
        xyz(r.target);
        break;
    case CommandParams::Hole:
        kv("hole", r.params[0]);
        xyz(r.pos);
        break;
    case CommandParams::Byte:
    case CommandParams::Word:
        kv("value", r.params[0]);
        break;
    case CommandParams::Position:
        xyz(r.pos);
        break;
    case CommandParams::None:
        break;
    }
    if (r.refused) s += " refused";
    return s;
}

void CommandLog::Add(const CommandRecord& r) {
    ++m_total;
    ++m_counts[static_cast<size_t>(r.code) & 0xFF];
    if (m_records.size() == kCommandRecordLimit) m_records.pop_front();
    m_records.push_back(r);
    if (m_listener) m_listener(m_records.back(), m_listenerUser);
}

}  // namespace ks::sim
