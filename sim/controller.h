#pragma once
// The simulated machine controller: the console's register map over a small
// machine model (three linear axes plus a C axis, drilling, switches) that is
// stepped by time. No I/O here; the RTU slave (rtu_slave.h) puts it on a line
// and InProcessDriver (in_process_driver.h) behind the console's serial port.
// The commands are one table (commands.h), the axes a model of their own
// (motion.h), and the commands taken a log of their own (command_log.h).
//
// Time is whatever the owner says it is: call AdvanceTo(nowMs) with a clock
// that only moves forward (virtual milliseconds in tests, steady time in
// kestrane-sim). Every register access takes the time of the access, so
// moves and drilling progress however the caller spaces its transfers.
//
// Behaviour of the commands, as far as the console cannot see it:
//  - 40 moves X/Y/Z by the move vector (20..25), all axes arriving together,
//    at the manual speed (see SpeedMmPerS). The moving bit (reg 0 bit 0) is up
//    until the target is reached; a zero vector completes at once.
//  - Writing 0 to register 0 stops every motion where it is (the console's
//    StopMotion then sends a 1 um move, which is carried out like any move).
//  - 1 starts drilling (refused while the axes move); after drillTimeMs the
//    drilling bit drops and the hole-finished bit rises. 40 and 1 clear the
//    finished bit (only 1 with Config::holdFinishedUntilDrill). 50 stops
//    drilling without finishing the hole. 12 ends the hole early: drilling
//    stops and the finished bit rises, so that a running job walks on to the
//    next hole.
//  - 30..35 jog X+, X-, Y+, Y-, C+, C- until 23 (or reg 0 := 0, or a move).
//    23 ends jogging only; a relative move under way goes on.
//  - Leaving the travel range of an axis stops all motion at the limit and
//    latches the limit's signal code (1..8) in register 50 until the next
//    motion command.
//  - 3/4 lock bit, 5..10 pump/HF/head, 13..15 presets, 16 speed from 62,
//    51 clears the pause request, 52..61 take the machining parameters, 41,
//    42 and 58 are recorded. Any other code is refused with exception 3.
//  - Register 8 reads the number of holes finished (low 16 bits).
//  - PowerCycle() is the cabinet switched off and on: everything stops,
//    switches and lock are off, the speed is the initial one, and the
//    coordinates read 0 where the axes stand. The table stays where it is;
//    TablePosition() and the drill records' table places follow it through
//    presets and power cycles alike.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "sim/command_log.h"
#include "sim/commands.h"
#include "sim/motion.h"

namespace ks::sim {

inline constexpr uint16_t kRegisterCount = 128;  // addresses 0..127 exist

// Register addresses of the map.
enum Reg : uint16_t {
    kRegStatus0 = 0,
    kRegStatus1 = 1,
    kRegPosX = 2,
    kRegPosY = 4,
    kRegPosZ = 6,
    kRegHolesDone = 8,
    kRegMoveX = 20,
    kRegMoveY = 22,
    kRegMoveZ = 24,
    kRegCommand = 41,
    kRegHeartbeat = 43,
    kRegSignal = 50,
    kRegCoordinate = 60,
    kRegSpeed = 62,
    kRegPulseWidth = 71,
    kRegPulseInterval = 72,
    kRegPowerAmp = 73,
    kRegCapacitance = 74,
    kRegVoltage = 75,
    kRegMachSpeed = 76,
    kRegLiftHeight = 77,
    kRegDepthUpper = 79,
    kRegDepthLower = 81,
};

// Status bits.
inline constexpr uint16_t kBitMoving = 0x0001;        // reg 0
inline constexpr uint16_t kBitDrilling = 0x0001;      // reg 1, low byte
inline constexpr uint16_t kBitHf = 0x0002;
inline constexpr uint16_t kBitPump = 0x0004;
inline constexpr uint16_t kBitHead = 0x0008;
inline constexpr uint16_t kBitHoleFinished = 0x1000;  // reg 1, high byte bit 4
inline constexpr uint16_t kBitAxisLocked = 0x2000;    // high byte bit 5
inline constexpr uint16_t kBitPauseRequest = 0x4000;  // high byte bit 6

enum class Axis : int { X = 0, Y = 1, Z = 2, C = 3 };

struct Config {
    // Keep it longer than one status tick of the console (a few hundred ms):
    // the console starts a hole only once it has seen the drilling bit.
    uint32_t drillTimeMs = 3000;
    // Holes differ (electrode wear, flushing): each drilling takes
    // drillTimeMs plus a spread drawn for it, uniform in [-drillSpreadMs,
    // +drillSpreadMs], from drillSeed and the drilling's number alone, so
    // that the same seed gives the same times however the console paces
    // its requests. 0: every hole takes drillTimeMs.
    uint32_t drillSpreadMs = 0;
    uint64_t drillSeed = 1;
    // The electrode burns down while it drills: Z sinks this many um per
    // second of drilling. 0: Z stays where it is.
    uint32_t zFeedUmPerS = 0;
    // Axis speed in mm/s = speedScale / (speed value of register 62). The
    // console's values run from 3 (fastest) to 20 (slowest), 15 by default.
    double speedScale = 600.0;
    uint8_t initialSpeedValue = 15;
    // Travel ranges in micrometres; the defaults never trigger.
    TravelRange travel[4];
    // A controller that keeps the hole-finished bit of the previous hole
    // through the next move, until the next drilling starts (command 1).
    bool holdFinishedUntilDrill = false;
};

// A scripted event: raises a signal code and/or the pause request, either at
// a time or when the given hole (count of drillings started, 1-based) starts
// drilling, plus an offset. A signal with clearAfterMs > 0 drops back to 0.
struct ScriptedEvent {
    std::optional<uint64_t> atMs;
    std::optional<int> atHole;
    uint64_t offsetMs = 0;
    int signalCode = -1;  // -1: no signal
    bool pauseRequest = false;
    uint64_t clearAfterMs = 0;
};

enum class DrillEnd { Running, Finished, Stopped, Aborted };

// One drilling, from command 1 to its end.
struct DrillRecord {
    int hole = 0;  // 1-based count of drillings started
    uint64_t startMs = 0;
    uint64_t endMs = 0;
    int32_t x = 0, y = 0, z = 0;  // position when drilling started
    // The same place on the machine table: where the electrode stood,
    // whatever the coordinates read after presets or a power cycle.
    int32_t tableX = 0, tableY = 0;
    DrillEnd end = DrillEnd::Running;
};

struct MachiningParams {
    int pulseWidth = 0, pulseInterval = 0, powerAmp = 0, capacitance = 0, voltage = 0,
        machSpeed = 0;
    int32_t liftHeight = 0, depthUpper = 0, depthLower = 0;
    int voltageFlagCommand = 0;  // last of 41 / 42, 0 before any
    int completeCount = 0;       // commands 58 taken
};

// The controller keeps counters of everything it did, but only the most
// recent records (kCommandRecordLimit commands, command_log.h). 65536
// drillings hold every hole of the largest test jobs (a few thousand holes),
// with room for restarts and retries, in about 2.5 MB.
inline constexpr size_t kDrillRecordLimit = 65536;

class Controller {
public:
    explicit Controller(Config config = {}, uint64_t startMs = 0);

    // Steps the model to nowMs (earlier times are ignored).
    void AdvanceTo(uint64_t nowMs);
    uint64_t NowMs() const { return m_nowMs; }
    // The time the controller was created with; log times count from it.
    uint64_t StartMs() const { return m_startMs; }

    // Register access as the slave performs it, at the current model time.
    bool IsValidRange(uint16_t start, uint16_t count) const;
    uint16_t ReadRegister(uint16_t address) const;
    // Stores the values, then applies their effects in address order
    // (register 0 stop, command register, heartbeat, signal). Returns the
    // Modbus exception code (0 when taken; 3 for an unknown command code).
    uint8_t WriteRegisters(uint16_t start, const uint16_t* values, uint16_t count);

    // Convenience for tests and the program: one command with its parameters.
    uint8_t Command(int code);
    void SetMoveVector(int32_t dx, int32_t dy, int32_t dz);

    void AddEvent(const ScriptedEvent& ev);
    void SetTravelRange(Axis axis, TravelRange range);

    // Model state.
    int32_t Position(Axis axis) const;
    // Where the axis stands on the machine table: the position as read
    // when the controller started, before any preset or power cycle.
    int32_t TablePosition(Axis axis) const;
    void PowerCycle();
    bool Moving() const;
    bool Jogging() const { return m_axes.Motion().active && m_axes.Motion().jog; }
    bool Drilling() const { return m_drilling; }
    uint16_t Status0() const;
    uint16_t Status1() const;
    int SignalCode() const { return m_signal; }
    uint8_t SpeedValue() const { return m_speedValue; }
    double SpeedMmPerS() const;
    const MachiningParams& Params() const { return m_params; }
    uint32_t HeartbeatCount() const { return m_heartbeats; }
    // Drillings started, and those that ended with the finished bit
    // (finished or ended early), since the controller was created.
    int HolesStarted() const { return m_holesStarted; }
    int HolesFinished() const { return m_holesFinished; }
    // Commands taken or refused since the controller was created, in all
    // and of one code (0..255; 0 is the stop written to register 0).
    uint64_t CommandCount() const { return m_log.Count(); }
    uint64_t CommandCount(int code) const { return m_log.Count(code); }

    // The most recent kCommandRecordLimit commands and kDrillRecordLimit
    // drillings, oldest first; older ones are dropped.
    const std::deque<CommandRecord>& Commands() const { return m_log.Records(); }
    const std::deque<DrillRecord>& Drills() const { return m_drills; }
    // How long drilling number n (1-based) takes: drillTimeMs and its spread.
    uint32_t DrillTimeOf(int n) const;
    // Drillings of Drills() that ended with the finished bit.
    std::vector<DrillRecord> FinishedDrills() const;
    // Called for every command taken (kestrane-sim writes its log from it).
    void SetCommandListener(CommandLog::Listener fn, void* user) { m_log.SetListener(fn, user); }

private:
    struct PendingEvent {
        ScriptedEvent ev;
        bool armed = false;  // hole events: time known once the hole starts
        uint64_t dueMs = 0;
        bool fired = false;
    };

    // The command table names the actions below.
    friend const CommandSpec* FindCommand(int code);

    void StepTo(double t);
    int32_t AxisAt(int axis, double t) const { return m_axes.At(axis, t); }
    void StopAtLimit(double t, int axis, bool high);
    void FinishDrilling(uint64_t t, DrillEnd how);
    void ClearLimitSignal();
    void StartMove(int32_t dx, int32_t dy, int32_t dz);
    void StartJog(int axis, bool positive);
    uint8_t Run(const CommandSpec& command);
    void TakeParams(const CommandSpec& command, CommandRecord& r) const;
    void Record(CommandRecord r);
    int32_t Reg32(uint16_t address) const;

    // Actions of the command table (commands.cpp).
    void Stop(CommandRecord& r);
    void Drill(CommandRecord& r);
    template <bool Controller::*Flag, bool On>
    void Switch(CommandRecord& r);
    void AbortHole(CommandRecord& r);
    template <int AxisIndex>
    void Preset(CommandRecord& r);
    void Speed(CommandRecord& r);
    void JogStop(CommandRecord& r);
    template <int AxisIndex, bool Positive>
    void Jog(CommandRecord& r);
    void Move(CommandRecord& r);
    void VoltageFlag(CommandRecord& r);
    void StopMachining(CommandRecord& r);
    void PauseAck(CommandRecord& r);
    template <int MachiningParams::*Field>
    void SetParam(CommandRecord& r);
    void ParamsComplete(CommandRecord& r);

    Config m_cfg;
    uint64_t m_nowMs;
    uint64_t m_startMs;
    uint16_t m_regs[kRegisterCount] = {};
    Axes m_axes;
    int64_t m_tableOffset[Axes::kCount] = {};  // table place minus the position read
    bool m_drilling = false;
    uint64_t m_drillStartMs = 0;
    uint64_t m_drillEndMs = 0;
    bool m_finished = false, m_hf = false, m_pump = false, m_head = false, m_locked = false;
    bool m_pauseRequest = false;
    int m_signal = 0;
    bool m_limitLatched = false;
    uint64_t m_signalClearMs = 0;  // 0: stays
    uint8_t m_speedValue;
    MachiningParams m_params;
    uint32_t m_heartbeats = 0;
    int m_holesStarted = 0, m_holesFinished = 0;
    std::vector<PendingEvent> m_events;
    CommandLog m_log;
    std::deque<DrillRecord> m_drills;
};

}  // namespace ks::sim
