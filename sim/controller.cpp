#include "sim/controller.h"

#include <algorithm>

namespace ks::sim {

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

// Signal codes of the limit switches: X+ 1, X- 2, Y+ 3, Y- 4, C+ 5, C- 6,
// Z+ 7, Z- 8.
int LimitCode(int axis, bool high) {
    static const int base[4] = {1, 3, 7, 5};
    return base[axis] + (high ? 0 : 1);
}

}  // namespace

Controller::Controller(Config config, uint64_t startMs)
    : m_cfg(config), m_nowMs(startMs), m_startMs(startMs),
      m_speedValue(config.initialSpeedValue ? config.initialSpeedValue : 15) {
    m_regs[kRegSpeed] = m_speedValue;
}

double Controller::SpeedMmPerS() const { return m_cfg.speedScale / m_speedValue; }

bool Controller::IsValidRange(uint16_t start, uint16_t count) const {
    return count > 0 && static_cast<uint32_t>(start) + count <= kRegisterCount;
}

int32_t Controller::Reg32(uint16_t address) const {
    return static_cast<int32_t>(static_cast<uint32_t>(m_regs[address]) |
                                (static_cast<uint32_t>(m_regs[address + 1]) << 16));
}

int32_t Controller::Position(Axis axis) const { return AxisAt(static_cast<int>(axis), m_nowMs); }

int32_t Controller::TablePosition(Axis axis) const {
    const int a = static_cast<int>(axis);
    return ClampToInt32(AxisAt(a, m_nowMs) + m_tableOffset[a]);
}

void Controller::PowerCycle() {
    m_axes.StopAt(static_cast<double>(m_nowMs));
    if (m_drilling) FinishDrilling(m_nowMs, DrillEnd::Stopped);
    m_finished = m_hf = m_pump = m_head = m_locked = m_pauseRequest = false;
    m_signal = 0;
    m_limitLatched = false;
    m_signalClearMs = 0;
    m_speedValue = m_cfg.initialSpeedValue ? m_cfg.initialSpeedValue : 15;
    m_regs[kRegSpeed] = m_speedValue;
    for (int a = 0; a < Axes::kCount; ++a) {
        m_tableOffset[a] += AxisAt(a, m_nowMs);
        m_axes.Preset(static_cast<double>(m_nowMs), a, 0);
    }
}

bool Controller::Moving() const { return m_axes.Motion().active; }

uint16_t Controller::Status0() const { return m_axes.Motion().active ? kBitMoving : 0; }

uint16_t Controller::Status1() const {
    uint16_t s = 0;
    if (m_drilling) s |= kBitDrilling;
    if (m_hf) s |= kBitHf;
    if (m_pump) s |= kBitPump;
    if (m_head) s |= kBitHead;
    if (m_finished) s |= kBitHoleFinished;
    if (m_locked) s |= kBitAxisLocked;
    if (m_pauseRequest) s |= kBitPauseRequest;
    return s;
}

uint16_t Controller::ReadRegister(uint16_t address) const {
    auto word = [this](int axis, bool high) {
        uint32_t v = static_cast<uint32_t>(AxisAt(axis, m_nowMs));
        return static_cast<uint16_t>(high ? v >> 16 : v & 0xFFFF);
    };
    switch (address) {
    case kRegStatus0: return Status0();
    case kRegStatus1: return Status1();
    case 2: return word(0, false);
    case 3: return word(0, true);
    case 4: return word(1, false);
    case 5: return word(1, true);
    case 6: return word(2, false);
    case 7: return word(2, true);
    case kRegHolesDone: return static_cast<uint16_t>(m_holesFinished & 0xFFFF);
    case kRegSignal: return static_cast<uint16_t>(m_signal & 0xFF);
    default: return address < kRegisterCount ? m_regs[address] : 0;
    }
}

void Controller::StopAtLimit(double t, int axis, bool high) {
    m_axes.StopAtLimit(t, axis, high, m_cfg.travel[axis]);
    m_signal = LimitCode(axis, high);
    m_signalClearMs = 0;
    m_limitLatched = true;
}

void Controller::FinishDrilling(uint64_t t, DrillEnd how) {
    m_drilling = false;
    if (m_cfg.zFeedUmPerS > 0 && t > m_drillStartMs) {
        const int64_t sunk = int64_t(m_cfg.zFeedUmPerS) * int64_t(t - m_drillStartMs) / 1000;
        m_axes.Preset(double(t), 2, ClampToInt32(int64_t(AxisAt(2, double(t))) - sunk));
    }
    if (!m_drills.empty() && m_drills.back().end == DrillEnd::Running) {
        m_drills.back().endMs = t - m_startMs;
        m_drills.back().end = how;
    }
    if (how == DrillEnd::Finished || how == DrillEnd::Aborted) {
        m_finished = true;
        ++m_holesFinished;
    }
}

void Controller::StepTo(double t) {
    enum Happening { kNone, kMoveEnd, kLimit, kDrillEnd, kSignalClear, kScripted };
    for (;;) {
        // Earliest pending happening up to t.
        double next = kNever;
        Happening kind = kNone;
        auto consider = [&](double when, Happening k) {
            if (when <= t && when < next) {
                next = when;
                kind = k;
            }
        };
        const MotionState& motion = m_axes.Motion();
        if (motion.active && !motion.jog) consider(motion.endMs, kMoveEnd);
        int limitAxis = 0;
        bool limitHigh = false;
        consider(m_axes.LimitCrossing(m_cfg.travel, &limitAxis, &limitHigh), kLimit);
        if (m_drilling) consider(static_cast<double>(m_drillEndMs), kDrillEnd);
        if (m_signalClearMs) consider(static_cast<double>(m_signalClearMs), kSignalClear);
        for (size_t i = 0; i < m_events.size(); ++i) {
            const PendingEvent& e = m_events[i];
            if (e.armed && !e.fired) consider(static_cast<double>(e.dueMs), kScripted);
        }
        if (kind == kNone) break;
        switch (kind) {
        case kNone:
            break;
        case kMoveEnd:
            m_axes.Arrive();
            break;
        case kLimit:
            StopAtLimit(next, limitAxis, limitHigh);
            break;
        case kDrillEnd:
            FinishDrilling(m_drillEndMs, DrillEnd::Finished);
            break;
        case kSignalClear:
            if (!m_limitLatched) m_signal = 0;
            m_signalClearMs = 0;
            break;
        case kScripted:
            for (PendingEvent& e : m_events) {
                if (!e.armed || e.fired || static_cast<double>(e.dueMs) != next) continue;
                e.fired = true;
                if (e.ev.signalCode >= 0) {
                    m_signal = e.ev.signalCode & 0xFF;
                    m_limitLatched = false;
                    m_signalClearMs = e.ev.clearAfterMs ? e.dueMs + e.ev.clearAfterMs : 0;
                }
                if (e.ev.pauseRequest) m_pauseRequest = true;
            }
            break;
        }
        // Happenings exactly at `next` are handled; keep the clock there so
        // that limit times are measured from it.
        m_nowMs = std::max<uint64_t>(m_nowMs, static_cast<uint64_t>(next));
    }
}

void Controller::AdvanceTo(uint64_t nowMs) {
    if (nowMs <= m_nowMs) return;
    StepTo(static_cast<double>(nowMs));
    m_nowMs = nowMs;
}

void Controller::AddEvent(const ScriptedEvent& ev) {
    PendingEvent p;
    p.ev = ev;
    if (ev.atMs) {
        p.armed = true;
        p.dueMs = m_startMs + *ev.atMs + ev.offsetMs;
    }
    m_events.push_back(p);
    // An event already due fires at the next step (at the present time).
    if (p.armed && p.dueMs < m_nowMs) m_events.back().dueMs = m_nowMs;
    StepTo(static_cast<double>(m_nowMs));
}

void Controller::SetTravelRange(Axis axis, TravelRange range) {
    m_cfg.travel[static_cast<int>(axis)] = range;
}

void Controller::SetMoveVector(int32_t dx, int32_t dy, int32_t dz) {
    const int32_t v[3] = {dx, dy, dz};
    for (int i = 0; i < 3; ++i) {
        m_regs[kRegMoveX + 2 * i] = static_cast<uint16_t>(static_cast<uint32_t>(v[i]) & 0xFFFF);
        m_regs[kRegMoveX + 2 * i + 1] = static_cast<uint16_t>(static_cast<uint32_t>(v[i]) >> 16);
    }
}

uint8_t Controller::Command(int code) {
    uint16_t v = static_cast<uint16_t>(code & 0xFF);
    return WriteRegisters(kRegCommand, &v, 1);
}

void Controller::Record(CommandRecord r) {
    r.timeMs = m_nowMs - m_startMs;
    for (int a = 0; a < 3; ++a) r.pos[a] = AxisAt(a, m_nowMs);
    m_log.Add(r);
}

// A new motion clears a latched limit signal: the operator is driving away
// from the switch.
void Controller::ClearLimitSignal() {
    if (m_limitLatched) {
        m_signal = 0;
        m_limitLatched = false;
    }
}

void Controller::StartMove(int32_t dx, int32_t dy, int32_t dz) {
    m_axes.StopAt(static_cast<double>(m_nowMs));
    ClearLimitSignal();
    const int32_t d[3] = {dx, dy, dz};
    if (!m_axes.StartMove(static_cast<double>(m_nowMs), d, SpeedMmPerS())) return;
    StepTo(static_cast<double>(m_nowMs));  // a move that starts beyond a limit stops at once
}

void Controller::StartJog(int axis, bool positive) {
    m_axes.StopAt(static_cast<double>(m_nowMs));
    ClearLimitSignal();
    m_axes.StartJog(static_cast<double>(m_nowMs), axis, positive, SpeedMmPerS());
    StepTo(static_cast<double>(m_nowMs));
}

uint8_t Controller::Run(const CommandSpec& command) {
    CommandRecord r;
    r.code = command.code;
    TakeParams(command, r);
    // A move's line shows where it began: it is logged before the axes go.
    const bool logFirst = command.params == CommandParams::Move;
    if (logFirst) Record(r);
    (this->*command.act)(r);
    if (!logFirst) Record(r);
    return 0;
}

uint8_t Controller::WriteRegisters(uint16_t start, const uint16_t* values, uint16_t count) {
    if (!IsValidRange(start, count)) return 2;
    const uint32_t end = static_cast<uint32_t>(start) + count;
    auto has = [&](uint16_t a) { return a >= start && a < end; };
    const CommandSpec* command = has(kRegCommand) ? RegisterCommand(values[kRegCommand - start] & 0xFF) : nullptr;
    if (has(kRegCommand) && !command) return 3;
    for (uint16_t i = 0; i < count; ++i) m_regs[start + i] = values[i];
    if (has(kRegStatus0) && values[0] == 0) Run(*FindCommand(kStopCode));
    if (has(kRegHeartbeat)) ++m_heartbeats;
    if (has(kRegSignal)) {
        m_signal = m_regs[kRegSignal] & 0xFF;
        m_signalClearMs = 0;
        m_limitLatched = false;
    }
    return command ? Run(*command) : 0;
}

uint32_t Controller::DrillTimeOf(int n) const {
    if (m_cfg.drillSpreadMs == 0) return m_cfg.drillTimeMs;
    // splitmix64 of the seed and the number: the same draw for the same hole.
    uint64_t z = m_cfg.drillSeed + uint64_t(n) * 0x9E3779B97F4A7C15ull;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    z ^= z >> 31;
    const int64_t spread = int64_t(z % (2 * uint64_t(m_cfg.drillSpreadMs) + 1)) - int64_t(m_cfg.drillSpreadMs);
    return uint32_t(std::max<int64_t>(1, int64_t(m_cfg.drillTimeMs) + spread));
}

std::vector<DrillRecord> Controller::FinishedDrills() const {
    std::vector<DrillRecord> out;
    for (const DrillRecord& d : m_drills)
        if (d.end == DrillEnd::Finished || d.end == DrillEnd::Aborted) out.push_back(d);
    return out;
}

}  // namespace ks::sim
