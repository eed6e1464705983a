#include "sim/controller.h"

#include <algorithm>
#include <cmath>

#include "platform/textnum.h"

namespace ks::sim {

namespace {

constexpr double kNever = std::numeric_limits<double>::infinity();

int32_t ClampToInt32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

// Signal codes of the limit switches: X+ 1, X- 2, Y+ 3, Y- 4, C+ 5, C- 6,
// Z+ 7, Z- 8.
int LimitCode(int axis, bool high) {
    static const int base[4] = {1, 3, 7, 5};
    return base[axis] + (high ? 0 : 1);
}

bool KnownCommand(int code) {
    switch (code) {
    case 1: case 3: case 4: case 5: case 6: case 7: case 8: case 9: case 10: case 12:
    case 13: case 14: case 15: case 16: case 23: case 40: case 41: case 42:
        return true;
    default:
        return (code >= 30 && code <= 35) || (code >= 50 && code <= 61);
    }
}

}  // namespace

const char* CommandName(int code) {
    switch (code) {
    case 0: return "stop";
    case 1: return "drill";
    case 3: return "unlock";
    case 4: return "lock";
    case 5: return "pump-on";
    case 6: return "hf-on";
    case 7: return "head-on";
    case 8: return "pump-off";
    case 9: return "hf-off";
    case 10: return "head-off";
    case 12: return "abort-hole";
    case 13: return "preset-x";
    case 14: return "preset-y";
    case 15: return "preset-z";
    case 16: return "speed";
    case 23: return "jog-stop";
    case 30: return "jog-x+";
    case 31: return "jog-x-";
    case 32: return "jog-y+";
    case 33: return "jog-y-";
    case 34: return "jog-c+";
    case 35: return "jog-c-";
    case 40: return "move";
    case 41: return "voltage-flag-on";
    case 42: return "voltage-flag-off";
    case 50: return "stop-machining";
    case 51: return "pause-ack";
    case 52: return "pulse-width";
    case 53: return "pulse-interval";
    case 54: return "power-amp";
    case 55: return "capacitance";
    case 56: return "voltage";
    case 57: return "machining-speed";
    case 58: return "params-complete";
    case 59: return "lift-height";
    case 60: return "depth-upper";
    case 61: return "depth-lower";
    default: return "unknown";
    }
}

std::string FormatCommandRecord(const CommandRecord& r) {
    std::string s = FormatInt(static_cast<int64_t>(r.timeMs)) + " " + FormatInt(r.code) + " " +
                    CommandName(r.code);
    auto kv = [&s](const char* k, int64_t v) { s += std::string(" ") + k + "=" + FormatInt(v); };
    if (r.code == 40) {
        kv("dx", r.params[0]);
        kv("dy", r.params[1]);
        kv("dz", r.params[2]);
        s += " ->";
        kv("x", r.target[0]);
        kv("y", r.target[1]);
        kv("z", r.target[2]);
    } else if (r.code == 1) {
        kv("hole", r.params[0]);
        kv("x", r.pos[0]);
        kv("y", r.pos[1]);
        kv("z", r.pos[2]);
    } else if ((r.code >= 13 && r.code <= 16) || (r.code >= 52 && r.code <= 57) ||
               (r.code >= 59 && r.code <= 61)) {
        kv("value", r.params[0]);
    } else if (r.code == 0) {
        kv("x", r.pos[0]);
        kv("y", r.pos[1]);
        kv("z", r.pos[2]);
    }
    if (r.refused) s += " refused";
    return s;
}

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

int32_t Controller::AxisAt(int axis, double t) const {
    const Motion& m = m_motion;
    if (!m.active) return m_pos[axis];
    if (m.jog) {
        double moved = m.velocity[axis] * (t - m.startMs);
        return ClampToInt32(m.start[axis] + static_cast<int64_t>(moved));
    }
    if (t >= m.endMs) return m.target[axis];
    double frac = (t - m.startMs) / (m.endMs - m.startMs);
    int64_t delta = static_cast<int64_t>(m.target[axis]) - m.start[axis];
    return ClampToInt32(m.start[axis] + static_cast<int64_t>(static_cast<double>(delta) * frac));
}

int32_t Controller::Position(Axis axis) const { return AxisAt(static_cast<int>(axis), m_nowMs); }

bool Controller::Moving() const { return m_motion.active; }

uint16_t Controller::Status0() const { return m_motion.active ? kBitMoving : 0; }

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

double Controller::LimitCrossing(int* axis, bool* high) const {
    const Motion& m = m_motion;
    double best = kNever;
    if (!m.active) return best;
    for (int a = 0; a < 4; ++a) {
        const TravelRange& r = m_cfg.travel[a];
        double v;  // um per ms
        if (m.jog) {
            v = m.velocity[a];
        } else {
            if (m.target[a] <= r.max && m.target[a] >= r.min) continue;  // ends inside
            v = (static_cast<double>(m.target[a]) - m.start[a]) / (m.endMs - m.startMs);
        }
        if (v == 0) continue;
        double bound = v > 0 ? r.max : r.min;
        double t = std::max(m.startMs, m.startMs + (bound - m.start[a]) / v);
        if (t < best) {
            best = t;
            *axis = a;
            *high = v > 0;
        }
    }
    return best;
}

void Controller::StopMotionAt(double t) {
    if (!m_motion.active) return;
    for (int a = 0; a < 4; ++a) m_pos[a] = AxisAt(a, t);
    m_motion.active = false;
}

void Controller::StopAtLimit(double t, int axis, bool high) {
    const TravelRange& r = m_cfg.travel[axis];
    int32_t from = m_motion.start[axis];
    StopMotionAt(t);
    // Rest on the switch; a motion that began beyond it stays where it began.
    m_pos[axis] = high ? std::min(m_pos[axis], std::max(r.max, from))
                       : std::max(m_pos[axis], std::min(r.min, from));
    m_signal = LimitCode(axis, high);
    m_signalClearMs = 0;
    m_limitLatched = true;
}

void Controller::FinishDrilling(uint64_t t, DrillEnd how) {
    m_drilling = false;
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
        if (m_motion.active && !m_motion.jog) consider(m_motion.endMs, kMoveEnd);
        int limitAxis = 0;
        bool limitHigh = false;
        consider(LimitCrossing(&limitAxis, &limitHigh), kLimit);
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
            for (int a = 0; a < 4; ++a) m_pos[a] = m_motion.target[a];
            m_motion.active = false;
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
    ++m_commandTotal;
    ++m_commandCounts[static_cast<size_t>(r.code) & 0xFF];
    if (m_commands.size() == kCommandRecordLimit) m_commands.pop_front();
    m_commands.push_back(r);
    if (m_listener) m_listener(m_commands.back(), m_listenerUser);
}

void Controller::StartMove(int32_t dx, int32_t dy, int32_t dz) {
    StopMotionAt(m_nowMs);
    if (m_limitLatched) {
        m_signal = 0;
        m_limitLatched = false;
    }
    Motion m;
    const int32_t d[3] = {dx, dy, dz};
    int64_t longest = 0;
    for (int a = 0; a < 4; ++a) {
        m.start[a] = m_pos[a];
        m.target[a] = a < 3 ? ClampToInt32(static_cast<int64_t>(m_pos[a]) + d[a]) : m_pos[a];
        longest = std::max<int64_t>(longest, std::llabs(static_cast<int64_t>(m.target[a]) - m.start[a]));
    }
    if (longest == 0) return;  // nothing to do: the moving bit never rises
    m.active = true;
    m.startMs = static_cast<double>(m_nowMs);
    m.endMs = m.startMs + static_cast<double>(longest) / SpeedMmPerS();  // mm/s == um/ms
    m_motion = m;
    StepTo(static_cast<double>(m_nowMs));  // a move that starts beyond a limit stops at once
}

void Controller::StartJog(int axis, bool positive) {
    StopMotionAt(m_nowMs);
    if (m_limitLatched) {
        m_signal = 0;
        m_limitLatched = false;
    }
    Motion m;
    m.active = true;
    m.jog = true;
    m.startMs = static_cast<double>(m_nowMs);
    for (int a = 0; a < 4; ++a) m.start[a] = m_pos[a];
    m.velocity[axis] = positive ? SpeedMmPerS() : -SpeedMmPerS();
    m_motion = m;
    StepTo(static_cast<double>(m_nowMs));
}

uint8_t Controller::Execute(int code) {
    CommandRecord r;
    r.code = code;
    switch (code) {
    case 1:
        if (m_motion.active || m_drilling) {
            r.refused = true;
            break;
        }
        m_finished = false;
        m_drilling = true;
        m_drillEndMs = m_nowMs + m_cfg.drillTimeMs;
        ++m_holesStarted;
        r.params[0] = m_holesStarted;
        {
            DrillRecord d;
            d.hole = m_holesStarted;
            d.startMs = m_nowMs - m_startMs;
            d.x = AxisAt(0, m_nowMs);
            d.y = AxisAt(1, m_nowMs);
            d.z = AxisAt(2, m_nowMs);
            if (m_drills.size() == kDrillRecordLimit) m_drills.pop_front();
            m_drills.push_back(d);
        }
        for (PendingEvent& e : m_events) {
            if (!e.armed && e.ev.atHole && *e.ev.atHole == m_holesStarted) {
                e.armed = true;
                e.dueMs = m_nowMs + e.ev.offsetMs;
            }
        }
        break;
    case 3: m_locked = false; break;
    case 4: m_locked = true; break;
    case 5: m_pump = true; break;
    case 6: m_hf = true; break;
    case 7: m_head = true; break;
    case 8: m_pump = false; break;
    case 9: m_hf = false; break;
    case 10: m_head = false; break;
    case 12:
        if (m_drilling) FinishDrilling(m_nowMs, DrillEnd::Aborted);
        else r.refused = true;
        break;
    case 13: case 14: case 15: {
        int axis = code - 13;
        int32_t value = Reg32(kRegCoordinate);
        r.params[0] = value;
        int32_t old = AxisAt(axis, m_nowMs);
        int64_t shift = static_cast<int64_t>(value) - old;
        if (m_motion.active) {
            m_motion.start[axis] = ClampToInt32(m_motion.start[axis] + shift);
            m_motion.target[axis] = ClampToInt32(m_motion.target[axis] + shift);
        }
        m_pos[axis] = value;
        break;
    }
    case 16: {
        uint8_t v = static_cast<uint8_t>(m_regs[kRegSpeed] & 0xFF);
        r.params[0] = v;
        if (v == 0) {
            r.refused = true;
            break;
        }
        if (m_motion.active) {
            // Carry on from here at the new speed.
            Motion old = m_motion;
            StopMotionAt(m_nowMs);
            m_speedValue = v;
            if (old.jog) {
                for (int a = 0; a < 4; ++a)
                    if (old.velocity[a] != 0) StartJog(a, old.velocity[a] > 0);
            } else {
                StartMove(old.target[0] - m_pos[0], old.target[1] - m_pos[1],
                          old.target[2] - m_pos[2]);
            }
        }
        m_speedValue = v;
        break;
    }
    case 23:
        if (m_motion.active && m_motion.jog) StopMotionAt(m_nowMs);
        break;
    case 30: StartJog(0, true); break;
    case 31: StartJog(0, false); break;
    case 32: StartJog(1, true); break;
    case 33: StartJog(1, false); break;
    case 34: StartJog(3, true); break;
    case 35: StartJog(3, false); break;
    case 40: {
        int32_t d[3] = {Reg32(kRegMoveX), Reg32(kRegMoveY), Reg32(kRegMoveZ)};
        if (!m_cfg.holdFinishedUntilDrill) m_finished = false;
        for (int a = 0; a < 3; ++a) {
            r.params[a] = d[a];
            r.target[a] = ClampToInt32(static_cast<int64_t>(AxisAt(a, m_nowMs)) + d[a]);
        }
        // Recorded before the move starts so that pos[] is where it began.
        Record(r);
        StartMove(d[0], d[1], d[2]);
        return 0;
    }
    case 41: case 42: m_params.voltageFlagCommand = code; break;
    case 50:
        if (m_drilling) FinishDrilling(m_nowMs, DrillEnd::Stopped);
        break;
    case 51: m_pauseRequest = false; break;
    case 52: r.params[0] = m_params.pulseWidth = m_regs[kRegPulseWidth] & 0xFF; break;
    case 53: r.params[0] = m_params.pulseInterval = m_regs[kRegPulseInterval] & 0xFF; break;
    case 54: r.params[0] = m_params.powerAmp = m_regs[kRegPowerAmp] & 0xFF; break;
    case 55: r.params[0] = m_params.capacitance = m_regs[kRegCapacitance] & 0xFF; break;
    case 56: r.params[0] = m_params.voltage = m_regs[kRegVoltage] & 0xFF; break;
    case 57: r.params[0] = m_params.machSpeed = m_regs[kRegMachSpeed] & 0xFF; break;
    case 58: ++m_params.completeCount; break;
    case 59: r.params[0] = m_params.liftHeight = Reg32(kRegLiftHeight); break;
    case 60: r.params[0] = m_params.depthUpper = Reg32(kRegDepthUpper); break;
    case 61: r.params[0] = m_params.depthLower = Reg32(kRegDepthLower); break;
    default: return 3;
    }
    Record(r);
    return 0;
}

uint8_t Controller::WriteRegisters(uint16_t start, const uint16_t* values, uint16_t count) {
    if (!IsValidRange(start, count)) return 2;
    const uint32_t end = static_cast<uint32_t>(start) + count;
    auto has = [&](uint16_t a) { return a >= start && a < end; };
    if (has(kRegCommand) && !KnownCommand(values[kRegCommand - start] & 0xFF)) return 3;
    for (uint16_t i = 0; i < count; ++i) m_regs[start + i] = values[i];
    if (has(kRegStatus0) && values[0] == 0) {
        StopMotionAt(m_nowMs);
        CommandRecord r;
        r.code = 0;
        Record(r);
    }
    if (has(kRegHeartbeat)) ++m_heartbeats;
    if (has(kRegSignal)) {
        m_signal = m_regs[kRegSignal] & 0xFF;
        m_signalClearMs = 0;
        m_limitLatched = false;
    }
    if (has(kRegCommand)) return Execute(m_regs[kRegCommand] & 0xFF);
    return 0;
}

std::vector<DrillRecord> Controller::FinishedDrills() const {
    std::vector<DrillRecord> out;
    for (const DrillRecord& d : m_drills)
        if (d.end == DrillEnd::Finished || d.end == DrillEnd::Aborted) out.push_back(d);
    return out;
}

}  // namespace ks::sim
