// The command table and the actions it names.
#include "sim/commands.h"

#include "sim/controller.h"

namespace ks::sim {

const CommandSpec* FindCommand(int code) {
    using C = Controller;
    using K = CommandParams;
    using P = MachiningParams;
    static const CommandSpec kCommands[] = {
        {kStopCode, "stop", K::Position, 0, &C::Stop},
        {1, "drill", K::Hole, 0, &C::Drill},
        {3, "unlock", K::None, 0, &C::Switch<&C::m_locked, false>},
        {4, "lock", K::None, 0, &C::Switch<&C::m_locked, true>},
        {5, "pump-on", K::None, 0, &C::Switch<&C::m_pump, true>},
        {6, "hf-on", K::None, 0, &C::Switch<&C::m_hf, true>},
        {7, "head-on", K::None, 0, &C::Switch<&C::m_head, true>},
        {8, "pump-off", K::None, 0, &C::Switch<&C::m_pump, false>},
        {9, "hf-off", K::None, 0, &C::Switch<&C::m_hf, false>},
        {10, "head-off", K::None, 0, &C::Switch<&C::m_head, false>},
        {12, "abort-hole", K::None, 0, &C::AbortHole},
        {13, "preset-x", K::Word, kRegCoordinate, &C::Preset<0>},
        {14, "preset-y", K::Word, kRegCoordinate, &C::Preset<1>},
        {15, "preset-z", K::Word, kRegCoordinate, &C::Preset<2>},
        {16, "speed", K::Byte, kRegSpeed, &C::Speed},
        {23, "jog-stop", K::None, 0, &C::JogStop},
        {30, "jog-x+", K::None, 0, &C::Jog<0, true>},
        {31, "jog-x-", K::None, 0, &C::Jog<0, false>},
        {32, "jog-y+", K::None, 0, &C::Jog<1, true>},
        {33, "jog-y-", K::None, 0, &C::Jog<1, false>},
        {34, "jog-c+", K::None, 0, &C::Jog<3, true>},
        {35, "jog-c-", K::None, 0, &C::Jog<3, false>},
        {40, "move", K::Move, 0, &C::Move},
        {41, "voltage-flag-on", K::None, 0, &C::VoltageFlag},
        {42, "voltage-flag-off", K::None, 0, &C::VoltageFlag},
        {50, "stop-machining", K::None, 0, &C::StopMachining},
        {51, "pause-ack", K::None, 0, &C::PauseAck},
        {52, "pulse-width", K::Byte, kRegPulseWidth, &C::SetParam<&P::pulseWidth>},
        {53, "pulse-interval", K::Byte, kRegPulseInterval, &C::SetParam<&P::pulseInterval>},
        {54, "power-amp", K::Byte, kRegPowerAmp, &C::SetParam<&P::powerAmp>},
        {55, "capacitance", K::Byte, kRegCapacitance, &C::SetParam<&P::capacitance>},
        {56, "voltage", K::Byte, kRegVoltage, &C::SetParam<&P::voltage>},
        {57, "machining-speed", K::Byte, kRegMachSpeed, &C::SetParam<&P::machSpeed>},
        {58, "params-complete", K::None, 0, &C::ParamsComplete},
        {59, "lift-height", K::Word, kRegLiftHeight, &C::SetParam<&P::liftHeight>},
        {60, "depth-upper", K::Word, kRegDepthUpper, &C::SetParam<&P::depthUpper>},
        {61, "depth-lower", K::Word, kRegDepthLower, &C::SetParam<&P::depthLower>},
    };
    for (const CommandSpec& c : kCommands)
        if (c.code == code) return &c;
    return nullptr;
}

const CommandSpec* RegisterCommand(int code) { return code == kStopCode ? nullptr : FindCommand(code); }

void Controller::TakeParams(const CommandSpec& command, CommandRecord& r) const {
    switch (command.params) {
    case CommandParams::Byte: r.params[0] = m_regs[command.reg] & 0xFF; break;
    case CommandParams::Word: r.params[0] = Reg32(command.reg); break;
    case CommandParams::Move:
        for (int a = 0; a < 3; ++a) {
            r.params[a] = Reg32(static_cast<uint16_t>(kRegMoveX + 2 * a));
            r.target[a] = ClampToInt32(static_cast<int64_t>(AxisAt(a, m_nowMs)) + r.params[a]);
        }
        break;
    case CommandParams::None:
    case CommandParams::Hole:
    case CommandParams::Position: break;
    }
}

void Controller::Stop(CommandRecord&) { m_axes.StopAt(static_cast<double>(m_nowMs)); }

void Controller::Drill(CommandRecord& r) {
    if (m_axes.Motion().active || m_drilling) {
        r.refused = true;
        return;
    }
    m_finished = false;
    m_drilling = true;
    ++m_holesStarted;
    m_drillStartMs = m_nowMs;
    m_drillEndMs = m_nowMs + DrillTimeOf(m_holesStarted);
    r.params[0] = m_holesStarted;
    DrillRecord d;
    d.hole = m_holesStarted;
    d.startMs = m_nowMs - m_startMs;
    d.x = AxisAt(0, m_nowMs);
    d.y = AxisAt(1, m_nowMs);
    d.z = AxisAt(2, m_nowMs);
    d.tableX = TablePosition(Axis::X);
    d.tableY = TablePosition(Axis::Y);
    if (m_drills.size() == kDrillRecordLimit) m_drills.pop_front();
    m_drills.push_back(d);
    for (PendingEvent& e : m_events) {
        if (!e.armed && e.ev.atHole && *e.ev.atHole == m_holesStarted) {
            e.armed = true;
            e.dueMs = m_nowMs + e.ev.offsetMs;
        }
    }
}

template <bool Controller::*Flag, bool On>
void Controller::Switch(CommandRecord&) {
    this->*Flag = On;
}

void Controller::AbortHole(CommandRecord& r) {
    if (m_drilling) FinishDrilling(m_nowMs, DrillEnd::Aborted);
    else r.refused = true;
}

template <int AxisIndex>
void Controller::Preset(CommandRecord& r) {
    m_tableOffset[AxisIndex] += static_cast<int64_t>(AxisAt(AxisIndex, m_nowMs)) - r.params[0];
    m_axes.Preset(static_cast<double>(m_nowMs), AxisIndex, r.params[0]);
}

void Controller::Speed(CommandRecord& r) {
    const uint8_t v = static_cast<uint8_t>(r.params[0]);
    if (v == 0) {
        r.refused = true;
        return;
    }
    const MotionState old = m_axes.Motion();
    if (old.active) {
        // Carry on from here at the new speed.
        m_axes.StopAt(static_cast<double>(m_nowMs));
        m_speedValue = v;
        if (old.jog) {
            for (int a = 0; a < Axes::kCount; ++a)
                if (old.velocity[a] != 0) StartJog(a, old.velocity[a] > 0);
        } else {
            StartMove(old.target[0] - AxisAt(0, m_nowMs), old.target[1] - AxisAt(1, m_nowMs),
                      old.target[2] - AxisAt(2, m_nowMs));
        }
    }
    m_speedValue = v;
}

void Controller::JogStop(CommandRecord&) {
    if (m_axes.Motion().active && m_axes.Motion().jog) m_axes.StopAt(static_cast<double>(m_nowMs));
}

template <int AxisIndex, bool Positive>
void Controller::Jog(CommandRecord&) {
    StartJog(AxisIndex, Positive);
}

void Controller::Move(CommandRecord& r) {
    if (!m_cfg.holdFinishedUntilDrill) m_finished = false;
    StartMove(r.params[0], r.params[1], r.params[2]);
}

void Controller::VoltageFlag(CommandRecord& r) { m_params.voltageFlagCommand = r.code; }

void Controller::StopMachining(CommandRecord&) {
    if (m_drilling) FinishDrilling(m_nowMs, DrillEnd::Stopped);
}

void Controller::PauseAck(CommandRecord&) { m_pauseRequest = false; }

template <int MachiningParams::*Field>
void Controller::SetParam(CommandRecord& r) {
    m_params.*Field = r.params[0];
}

void Controller::ParamsComplete(CommandRecord&) { ++m_params.completeCount; }

}  // namespace ks::sim
