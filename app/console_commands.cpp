// Every controller command: the one write path with its retries, and the
// operations built on it (moves, jogs, presets, speed, parameters, toggles).
#include "app/console_dlg.h"

#include <functional>
#include "link/register_map.h"
#include "platform/textnum.h"

namespace ks::app {

using ks::panels::JogAxis;
namespace {

constexpr int kWriteAttempts = 6;
constexpr uint32_t kRetryPauseMs = 500;

// Registers go out high byte first; a 32-bit value takes two registers,
// low word first.
void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v & 0xFF);
}
void Put32(uint8_t* p, int32_t v) {
    const uint32_t u = static_cast<uint32_t>(v);
    Put16(p, static_cast<uint16_t>(u & 0xFFFF));
    Put16(p + 2, static_cast<uint16_t>(u >> 16));
}
// A byte value: high byte 0, low byte the value's low 8 bits.
void PutByte(uint8_t* p, int32_t v) { Put16(p, static_cast<uint16_t>(static_cast<uint32_t>(v) & 0xFF)); }

int32_t Diff32(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}

}  // namespace

// Every transfer goes through these two: while the link is down they make
// none (but for the probe) and report the failure that put it down at once.
ModbusResult CConsoleDlg::ReadRegisters(uint16_t start, uint16_t count, uint8_t* dest) {
    m_bSkipped = m_link.Down() && !m_bProbing;
    if (m_bSkipped) return m_link.Failure();
    const ModbusResult r =
        m_pModbus ? m_pModbus->ReadHoldingRegisters(kControllerSlave, start, count, dest) : kMbWriteFailed;
    if (m_link.Note(r)) NoteLinkLoss();
    return r;
}

ModbusResult CConsoleDlg::WriteRegisters(uint16_t start, uint16_t count, const uint8_t* src) {
    m_bSkipped = m_link.Down();
    if (m_bSkipped) return m_link.Failure();
    const ModbusResult r =
        m_pModbus ? m_pModbus->WriteMultipleRegisters(kControllerSlave, start, count, src) : kMbWriteFailed;
    if (m_link.Note(r)) NoteLinkLoss();
    return r;
}

// Up to six attempts 500 ms apart, fewer once the link is down. Before a
// repeat, `repeatIsWrong` may look at the machine and end the attempts.
ModbusResult CConsoleDlg::WriteAttempts(uint16_t address, uint16_t count, const uint8_t* src,
                                        const std::function<bool()>& repeatIsWrong) {
    ModbusResult result = kMbWriteFailed;
    for (int attempt = 1;; ++attempt) {
        result = WriteRegisters(address, count, src);
        m_wCommResult = result;
        if (result == kMbOk || attempt >= kWriteAttempts || m_link.Down()) break;
        m_clock.Sleep(kRetryPauseMs);
        if (repeatIsWrong && repeatIsWrong()) break;
        if (m_link.Down()) break;
    }
    m_wCommResult = result;
    ShowCommResult(result);
    return result;
}

bool CConsoleDlg::WriteRegs(uint16_t address, uint16_t count, const uint8_t* src) {
    return WriteAttempts(address, count, src, nullptr) == kMbOk;
}

bool CConsoleDlg::SendCommand(uint8_t code) {
    uint8_t b[2];
    PutByte(b, code);
    return WriteRegs(kRegCommand, 1, b);
}

// Drilling is not a command to repeat blindly: when only its answer was
// lost the controller has taken it, and a second one after the hole is
// through drills the hole again. So it is sent again only when a status
// read shows that it did not arrive: the drilling bit is down and the
// finished bit does not stand for this hole (a controller may keep it from
// the previous hole until drilling starts). When the status cannot be read
// either, it is not sent again; the run then waits for the bits, as after
// any start command that was lost. Nor is it sent again once the
// controller asks for a pause or the run is paused.
void CConsoleDlg::StartDrill() {
    uint8_t b[2];
    PutByte(b, kCmdStartDrill);
    WriteAttempts(kRegCommand, 1, b, [this] {
        StatusBits st;
        return !PeekStatus(&st) || st.drilling || HoleFinishedHere(st.finished) || st.pauseRequest || m_bPauseReq;
    });
}

// The same rule for command 40: it moves by whatever vector the controller
// holds, so a repeat after a lost answer moves the machine twice. A move
// that arrived shows as motion or as a position other than the last read.
bool CConsoleDlg::ExecuteMove() {
    const int32_t fromX = m_nPosX, fromY = m_nPosY, fromZ = m_nPosZ;
    uint8_t b[2];
    PutByte(b, kCmdExecuteMove);
    bool arrived = false;
    const ModbusResult result = WriteAttempts(kRegCommand, 1, b, [&] {
        StatusBits st;
        if (!PeekStatus(&st)) return true;  // unknown: one move too many is worse than none
        arrived = st.moving || st.x != fromX || st.y != fromY || st.z != fromZ;
        return arrived;
    });
    return arrived || result == kMbOk;
}

void CConsoleDlg::Heartbeat() {
    uint8_t b[2] = {0, 1};
    WriteRegs(kRegHeartbeat, 1, b);
}

bool CConsoleDlg::MoveToHole() {
    // Only holes of the loaded job (and slot 0, hole 1's copy) are targets;
    // anything else would read outside the job or the table.
    if (m_nCurHole < 0 || m_nCurHole > m_nHoleCount || !HoleInTable(m_nCurHole)) return false;
    m_bMoveIssued = 1;
    // Evidence of drilling (and its timing for the record) counts from
    // this move on.
    m_bDrillSeen = 0;
    m_bFinishSeenClear = 0;
    m_bDrillTimed = 0;
    const JobHole& target = m_Hole[static_cast<size_t>(m_nCurHole)];

    // Where the machine stands now: up to three reads, 100 ms and then
    // 200 ms apart, then 100 ms more and the old position.
    if (m_nSpeedLevel > 0) {
        StatusBits st;
        if (!PeekStatus(&st)) {
            if (!m_link.Down()) m_clock.Sleep(100);
        } else {
            ApplyStatusBlock(st);
        }
    }

    uint8_t v[12];
    Put32(v, Diff32(target.nX, m_nPosX));
    Put32(v + 4, Diff32(target.nY, m_nPosY));
    Put32(v + 8, 0);
    // Command 40 executes whatever vector the controller holds: after a lost
    // vector it would repeat the previous move, so it only follows a vector
    // that arrived.
    if (!WriteRegs(kRegMoveVector, 6, v)) return false;
    m_moveTarget = Place{target.nX, target.nY};
    const bool executed = ExecuteMove();
    m_bMoving = 1;
    return executed;
}

void CConsoleDlg::StepJog(JogAxis axis, uint8_t positive) {
    const int32_t step = positive ? 5 : -5;
    uint8_t v[12];
    Put32(v, axis == JogAxis::X ? step : 0);
    Put32(v + 4, axis == JogAxis::Y ? step : 0);
    Put32(v + 8, 0);
    // A 5 um step repeated would be 10 um: the vector must be in place and
    // the command goes out once.
    if (WriteRegs(kRegMoveVector, 6, v)) ExecuteMove();
}

void CConsoleDlg::ContinuousJog(JogAxis axis, uint8_t positive) {
    if (m_posPanel.m_nSpeedMode == 1) return;
    switch (axis) {
        case JogAxis::X: SendCommand(positive ? kCmdJogXPlus : kCmdJogXMinus); break;
        case JogAxis::Y: SendCommand(positive ? kCmdJogYPlus : kCmdJogYMinus); break;
        case JogAxis::C: SendCommand(positive ? kCmdJogCPlus : kCmdJogCMinus); break;
        case JogAxis::None: break;
    }
}

// A stop the line lost is kept for the link's return (console_outage.cpp);
// one that a controller answered and refused would be refused again.
bool CConsoleDlg::StopLost(bool sent) const { return !sent && LinkWatch::IsLinkError(m_wCommResult); }

void CConsoleDlg::StopJog() {
    if (StopLost(SendCommand(kCmdStopJog))) m_stops.jog = true;
}

void CConsoleDlg::StopMotion() {
    uint8_t zero[2] = {0, 0};
    if (StopLost(WriteRegs(kRegStatus0, 1, zero))) m_stops.motion = true;
    uint8_t v[12];
    Put32(v, 1);
    Put32(v + 4, 1);
    Put32(v + 8, 1);
    if (WriteRegs(kRegMoveVector, 6, v)) ExecuteMove();
}

void CConsoleDlg::StopMachining() {
    if (StopLost(SendCommand(kCmdStopMachining))) m_stops.drilling = true;
}

void CConsoleDlg::SetSpeed(int32_t level) {
    int32_t value = 15;
    switch (level) {
        case 1: value = 20; break;
        case 2: value = 10; break;
        case 3: value = 7; break;
        case 4: value = 5; break;
        case 5: value = 3; break;
        default: break;
    }
    uint8_t b[2];
    PutByte(b, value);
    WriteRegs(kRegManualSpeed, 1, b);
    SendCommand(kCmdTakeSpeed);
}

bool CConsoleDlg::SetCoordinate(int32_t axis, int32_t value) {
    if (axis < 1 || axis > 3) return false;
    uint8_t b[4];
    Put32(b, value);
    const bool valueArrived = WriteRegs(kRegCoordinate, 2, b);
    return SendCommand(static_cast<uint8_t>(kCmdSetX + axis - 1)) && valueArrived;
}

namespace {
struct ByteParam {
    uint16_t reg;
    uint8_t command;
};
}  // namespace

// True when the value and its command both arrived.
static bool SendByteParam(CConsoleDlg& dlg, ByteParam p, int32_t value) {
    uint8_t b[2];
    PutByte(b, value);
    const bool valueArrived = dlg.WriteRegs(p.reg, 1, b);
    return dlg.SendCommand(p.command) && valueArrived;
}

static bool SendWideParam(CConsoleDlg& dlg, uint16_t reg, uint8_t command, int32_t value) {
    uint8_t b[4];
    Put32(b, value);
    const bool valueArrived = dlg.WriteRegs(reg, 2, b);
    return dlg.SendCommand(command) && valueArrived;
}

bool CConsoleDlg::SetPulseWidth(int32_t v) { return SendByteParam(*this, {kRegPulseWidth, kCmdTakePulseWidth}, v); }
bool CConsoleDlg::SetPulseInterval(int32_t v) {
    return SendByteParam(*this, {kRegPulseInterval, kCmdTakePulseInterval}, v);
}
bool CConsoleDlg::SetPowerAmp(int32_t v) { return SendByteParam(*this, {kRegPowerAmp, kCmdTakePowerAmp}, v); }
bool CConsoleDlg::SetCapacitance(int32_t v) {
    return SendByteParam(*this, {kRegCapacitance, kCmdTakeCapacitance}, v);
}
bool CConsoleDlg::SetVoltage(int32_t v) { return SendByteParam(*this, {kRegVoltage, kCmdTakeVoltage}, v); }
bool CConsoleDlg::SetMachSpeed(int32_t v) { return SendByteParam(*this, {kRegMachSpeed, kCmdTakeMachSpeed}, v); }
bool CConsoleDlg::SetVoltageFlag(bool on) { return SendCommand(on ? kCmdVoltageFlagOn : kCmdVoltageFlagOff); }
bool CConsoleDlg::SegmentParamsComplete() { return SendCommand(kCmdSegParamsDone); }
bool CConsoleDlg::SetLiftHeight(int32_t v) { return SendWideParam(*this, kRegLiftHeight, kCmdTakeLiftHeight, v); }
bool CConsoleDlg::SetDepthUpper(int32_t v) { return SendWideParam(*this, kRegDepthUpper, kCmdTakeDepthUpper, v); }
bool CConsoleDlg::SetDepthLower(int32_t v) { return SendWideParam(*this, kRegDepthLower, kCmdTakeDepthLower, v); }

// The toggles decide by the last status read, then read again at once so
// that the button picture follows the controller.
void CConsoleDlg::OnPumpButton() {
    SendCommand(m_bPumpOn == 1 ? kCmdPumpOff : kCmdPumpOn);
    ReadStatus();
}

void CConsoleDlg::OnHeadButton() {
    SendCommand(m_bHeadOn == 1 ? kCmdHeadOff : kCmdHeadOn);
    ReadStatus();
}

void CConsoleDlg::OnHfButton() {
    SendCommand(m_bHfOn == 1 ? kCmdHfOff : kCmdHfOn);
    ReadStatus();
}

void CConsoleDlg::OnDrillButton() {
    if (m_bDrilling != 0) {
        StopMachining();
    } else {
        SendCommand(kCmdStartDrill);
    }
    ReadStatus();
}

void CConsoleDlg::OnLockButton() {
    if (m_bAxisLocked != 1) {
        SendCommand(kCmdLockAxes);
        m_nLockMotor = 1;
    } else {
        SendCommand(kCmdUnlockAxes);
        m_nLockMotor = 0;
    }
    SaveSettings();
}

void CConsoleDlg::OnAbortButton() {
    if (m_nState == RunState::Machining) SendCommand(kCmdAbortHole);
}

}  // namespace ks::app
