#pragma once
// The controller's register map (slave 1, holding registers), its status
// bits, command codes and signal texts: the one place these numbers live.
#include <cstdint>

namespace ks {

inline constexpr uint8_t kControllerSlave = 1;

// Registers.
inline constexpr uint16_t kRegStatus0 = 0;      // low byte bit 0: axes moving
inline constexpr uint16_t kRegStatus1 = 1;      // switch and run bits, below
inline constexpr uint16_t kRegPosX = 2;         // 2,3: 32-bit um, low word first
inline constexpr uint16_t kRegPosY = 4;         // 4,5
inline constexpr uint16_t kRegPosZ = 6;         // 6,7
inline constexpr uint16_t kRegStatus8 = 8;      // read with the block, unused
inline constexpr uint16_t kStatusBlockCount = 9;  // registers 0..8 in one read
inline constexpr uint16_t kRegMoveVector = 20;  // 20..25: X, Y, Z relative, 32-bit each
inline constexpr uint16_t kRegCommand = 41;     // command code (byte)
inline constexpr uint16_t kRegHeartbeat = 43;   // written with 1
inline constexpr uint16_t kRegSignal = 50;      // low byte: signal code 0..14
inline constexpr uint16_t kRegCoordinate = 60;  // 60,61: 32-bit um for commands 13..15
inline constexpr uint16_t kRegManualSpeed = 62;
inline constexpr uint16_t kRegPulseWidth = 71;
inline constexpr uint16_t kRegPulseInterval = 72;
inline constexpr uint16_t kRegPowerAmp = 73;
inline constexpr uint16_t kRegCapacitance = 74;
inline constexpr uint16_t kRegVoltage = 75;
inline constexpr uint16_t kRegMachSpeed = 76;
inline constexpr uint16_t kRegLiftHeight = 77;  // 77,78
inline constexpr uint16_t kRegDepthUpper = 79;  // 79,80
inline constexpr uint16_t kRegDepthLower = 81;  // 81,82

// Status word 0, low byte.
inline constexpr uint16_t kSt0Moving = 0x0001;
// Status word 1: low byte bits 0..3, high byte bits 4..6 (as bits 12..14 of the word).
inline constexpr uint16_t kSt1Drilling = 0x0001;
inline constexpr uint16_t kSt1Hf = 0x0002;
inline constexpr uint16_t kSt1Pump = 0x0004;
inline constexpr uint16_t kSt1Head = 0x0008;
inline constexpr uint16_t kSt1HoleFinished = 0x1000;
inline constexpr uint16_t kSt1AxisLocked = 0x2000;
inline constexpr uint16_t kSt1PauseRequest = 0x4000;

// Command codes written to kRegCommand.
enum ControllerCommand : uint8_t {
    kCmdStartDrill = 1,
    kCmdUnlockAxes = 3,
    kCmdLockAxes = 4,
    kCmdPumpOn = 5,
    kCmdHfOn = 6,
    kCmdHeadOn = 7,
    kCmdPumpOff = 8,
    kCmdHfOff = 9,
    kCmdHeadOff = 10,
    kCmdAbortHole = 12,
    kCmdSetX = 13,
    kCmdSetY = 14,
    kCmdSetZ = 15,
    kCmdTakeSpeed = 16,
    kCmdStopJog = 23,
    kCmdJogXPlus = 30,
    kCmdJogXMinus = 31,
    kCmdJogYPlus = 32,
    kCmdJogYMinus = 33,
    kCmdJogCPlus = 34,
    kCmdJogCMinus = 35,
    kCmdExecuteMove = 40,
    kCmdVoltageFlagOn = 41,
    kCmdVoltageFlagOff = 42,
    kCmdStopMachining = 50,
    kCmdAckPause = 51,
    kCmdTakePulseWidth = 52,
    kCmdTakePulseInterval = 53,
    kCmdTakePowerAmp = 54,
    kCmdTakeCapacitance = 55,
    kCmdTakeVoltage = 56,
    kCmdTakeMachSpeed = 57,
    kCmdSegParamsDone = 58,
    kCmdTakeLiftHeight = 59,
    kCmdTakeDepthUpper = 60,
    kCmdTakeDepthLower = 61,
};

// The status-line text of a signal code, with its leading blanks; codes 0
// and above 14 give 26 blanks.
const char* SignalText(uint8_t code);

}  // namespace ks
