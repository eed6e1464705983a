// The machine model on its own: moves, drilling, switches, jogging, presets,
// parameters, scripted events and limit switches, stepped by explicit time.
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include "sim/controller.h"

namespace ks::sim {
namespace {

Config FastConfig() {
    Config c;
    c.drillTimeMs = 1000;
    c.speedScale = 300.0;  // value 15 -> 20 mm/s = 20 um/ms
    return c;
}

int32_t Reg32(const Controller& c, uint16_t a) {
    return static_cast<int32_t>(c.ReadRegister(a) | (static_cast<uint32_t>(c.ReadRegister(a + 1)) << 16));
}

void Move(Controller& c, int32_t dx, int32_t dy, int32_t dz = 0) {
    c.SetMoveVector(dx, dy, dz);
    ASSERT_EQ(c.Command(40), 0);
}

TEST(ControllerMove, RelativeMoveRaisesMovingBitAndArrives) {
    Controller c(FastConfig());
    Move(c, -500, 2000);
    EXPECT_EQ(c.ReadRegister(0) & 1, 1);
    // 2000 um at 20 um/ms: 100 ms; halfway at 50 ms.
    c.AdvanceTo(50);
    EXPECT_EQ(c.ReadRegister(0) & 1, 1);
    EXPECT_EQ(Reg32(c, 2), -250);
    EXPECT_EQ(Reg32(c, 4), 1000);
    c.AdvanceTo(99);
    EXPECT_EQ(c.ReadRegister(0) & 1, 1);
    c.AdvanceTo(100);
    EXPECT_EQ(c.ReadRegister(0) & 1, 0);
    EXPECT_EQ(Reg32(c, 2), -500);
    EXPECT_EQ(Reg32(c, 4), 2000);
    // Relative again from there; negative positions are two's complement words.
    Move(c, -1, 0);
    c.AdvanceTo(200);
    EXPECT_EQ(c.ReadRegister(2), 0xFE0B);
    EXPECT_EQ(c.ReadRegister(3), 0xFFFF);
    ASSERT_EQ(c.Commands().size(), 2u);
    EXPECT_EQ(c.Commands()[0].target[0], -500);
    EXPECT_EQ(c.Commands()[1].target[0], -501);
    EXPECT_EQ(c.Commands()[1].pos[0], -500);
}

TEST(ControllerMove, SpeedFollowsRegister62AndZeroMoveNeverRaisesBit) {
    Controller c(FastConfig());
    EXPECT_DOUBLE_EQ(c.SpeedMmPerS(), 20.0);
    uint16_t v = 3;  // fastest level: 100 mm/s
    ASSERT_EQ(c.WriteRegisters(62, &v, 1), 0);
    ASSERT_EQ(c.Command(16), 0);
    Move(c, 10000, 0);
    c.AdvanceTo(99);
    EXPECT_TRUE(c.Moving());
    c.AdvanceTo(100);
    EXPECT_FALSE(c.Moving());
    // Speed value 0 is refused and the old speed stays.
    v = 0;
    c.WriteRegisters(62, &v, 1);
    c.Command(16);
    EXPECT_TRUE(c.Commands().back().refused);
    EXPECT_EQ(c.SpeedValue(), 3);
    Move(c, 0, 0);
    EXPECT_EQ(c.ReadRegister(0), 0);
}

TEST(ControllerMove, StopMotionSequenceStopsWhereTheAxesAre) {
    Controller c(FastConfig());
    Move(c, 10000, 0);  // 500 ms
    c.AdvanceTo(100);
    uint16_t zero = 0;
    ASSERT_EQ(c.WriteRegisters(0, &zero, 1), 0);
    EXPECT_FALSE(c.Moving());
    EXPECT_EQ(c.Position(Axis::X), 2000);
    // The console then sends a 1 um move, which completes almost at once.
    Move(c, 1, 1, 1);
    c.AdvanceTo(101);
    EXPECT_FALSE(c.Moving());
    EXPECT_EQ(c.Position(Axis::X), 2001);
    EXPECT_EQ(c.Position(Axis::Y), 1);
    c.AdvanceTo(1000);
    EXPECT_EQ(c.Position(Axis::X), 2001);  // the old target is forgotten
    EXPECT_EQ(c.Commands()[1].code, 0);
}

TEST(ControllerDrill, FinishedBitRisesAfterDrillTimeAndNextMoveClearsIt) {
    Controller c(FastConfig());
    Move(c, 1000, 0);
    // Refused while moving: the hole would be drilled off position.
    EXPECT_EQ(c.Command(1), 0);
    EXPECT_TRUE(c.Commands().back().refused);
    EXPECT_FALSE(c.Drilling());
    c.AdvanceTo(50);
    ASSERT_EQ(c.Command(1), 0);
    EXPECT_EQ(c.ReadRegister(1) & 0x1001, 0x0001);
    c.AdvanceTo(1049);
    EXPECT_EQ(c.ReadRegister(1) & 0x1001, 0x0001);
    c.AdvanceTo(1050);
    EXPECT_EQ(c.ReadRegister(1) & 0x1001, 0x1000);
    EXPECT_EQ(c.ReadRegister(8), 1);
    c.AdvanceTo(5000);
    EXPECT_EQ(c.ReadRegister(1) & 0x1000, 0x1000);  // stays until the next move
    Move(c, 1000, 0);
    EXPECT_EQ(c.ReadRegister(1) & 0x1000, 0);
    ASSERT_EQ(c.Drills().size(), 1u);
    EXPECT_EQ(c.Drills()[0].hole, 1);
    EXPECT_EQ(c.Drills()[0].x, 1000);
    EXPECT_EQ(c.Drills()[0].startMs, 50u);
    EXPECT_EQ(c.Drills()[0].endMs, 1050u);
    EXPECT_EQ(c.Drills()[0].end, DrillEnd::Finished);
}

TEST(ControllerDrill, SeededSpreadVariesEachHoleAndZSinksWithTheDrillingTime) {
    Config cfg = FastConfig();
    cfg.drillSpreadMs = 400;
    cfg.drillSeed = 7;
    cfg.zFeedUmPerS = 250;
    Controller c(cfg);
    uint64_t now = 0;
    int32_t z = Reg32(c, 6);
    std::vector<uint32_t> times;
    for (int hole = 1; hole <= 12; ++hole) {
        ASSERT_EQ(c.Command(1), 0);
        while (c.Drilling()) c.AdvanceTo(++now);
        const DrillRecord& d = c.Drills().back();
        times.push_back(uint32_t(d.endMs - d.startMs));
        EXPECT_EQ(times.back(), c.DrillTimeOf(hole));
        EXPECT_GE(times.back(), 600u);
        EXPECT_LE(times.back(), 1400u);
        // The electrode burnt down for as long as it drilled.
        EXPECT_EQ(Reg32(c, 6), z - int32_t(250 * int64_t(times.back()) / 1000));
        z = Reg32(c, 6);
    }
    EXPECT_GE(std::set<uint32_t>(times.begin(), times.end()).size(), 8u);
    // The same seed, the same times; another seed, others.
    Controller again(cfg);
    cfg.drillSeed = 8;
    Controller other(cfg);
    int same = 0;
    for (int hole = 1; hole <= 12; ++hole) {
        EXPECT_EQ(again.DrillTimeOf(hole), times[size_t(hole - 1)]);
        same += other.DrillTimeOf(hole) == times[size_t(hole - 1)];
    }
    EXPECT_LT(same, 3);
}

TEST(ControllerRecord, KeepsTheLatestEntriesWhileTheCountersCountOn) {
    Controller c(FastConfig());
    // Abort (finished) and stop (not finished) in turn, past both bounds.
    const int drills = static_cast<int>(kDrillRecordLimit) + 5;
    for (int i = 0; i < drills; ++i) {
        ASSERT_EQ(c.Command(1), 0);
        ASSERT_EQ(c.Command(i % 2 == 0 ? 12 : 50), 0);
    }
    ASSERT_EQ(c.Drills().size(), kDrillRecordLimit);
    EXPECT_EQ(c.Drills().front().hole, 6);
    EXPECT_EQ(c.Drills().back().hole, drills);
    EXPECT_EQ(c.Drills().back().end, DrillEnd::Aborted);  // drills is odd: the last one was aborted
    EXPECT_EQ(c.FinishedDrills().size(), kDrillRecordLimit / 2);
    EXPECT_EQ(c.HolesStarted(), drills);
    EXPECT_EQ(c.HolesFinished(), (drills + 1) / 2);

    ASSERT_EQ(c.Commands().size(), kCommandRecordLimit);
    EXPECT_EQ(c.Commands().back().code, 12);
    EXPECT_EQ(c.Commands().front().code, 1);
    EXPECT_EQ(c.CommandCount(), 2u * drills);
    EXPECT_EQ(c.CommandCount(1), static_cast<uint64_t>(drills));
    EXPECT_EQ(c.CommandCount(12), static_cast<uint64_t>(drills + 1) / 2);
    EXPECT_EQ(c.CommandCount(50), static_cast<uint64_t>(drills) / 2);
    EXPECT_EQ(c.CommandCount(40), 0u);
    EXPECT_EQ(c.CommandCount(256), 0u);
}

TEST(ControllerDrill, StopAndAbortEndTheHoleDifferently) {
    Controller c(FastConfig());
    c.Command(1);
    c.AdvanceTo(300);
    c.Command(50);  // pause: no finished bit
    EXPECT_EQ(c.ReadRegister(1) & 0x1001, 0);
    c.AdvanceTo(2000);
    EXPECT_EQ(c.ReadRegister(1) & 0x1001, 0);
    c.Command(1);
    c.AdvanceTo(2100);
    c.Command(12);  // early abort: the hole counts as finished
    EXPECT_EQ(c.ReadRegister(1) & 0x1001, 0x1000);
    c.Command(1);  // the next drill clears the finished bit
    EXPECT_EQ(c.ReadRegister(1) & 0x1001, 0x0001);
    ASSERT_EQ(c.Drills().size(), 3u);
    EXPECT_EQ(c.Drills()[0].end, DrillEnd::Stopped);
    EXPECT_EQ(c.Drills()[1].end, DrillEnd::Aborted);
    EXPECT_EQ(c.Drills()[2].end, DrillEnd::Running);
    EXPECT_EQ(c.FinishedDrills().size(), 1u);
    EXPECT_EQ(c.HolesFinished(), 1);
}

TEST(ControllerSwitches, PumpHfHeadLockBits) {
    Controller c;
    c.Command(5);
    c.Command(6);
    c.Command(7);
    c.Command(4);
    EXPECT_EQ(c.ReadRegister(1), 0x2000 | 0x0E);
    c.Command(8);
    EXPECT_EQ(c.ReadRegister(1), 0x2000 | 0x0A);
    c.Command(9);
    c.Command(10);
    c.Command(3);
    EXPECT_EQ(c.ReadRegister(1), 0);
}

TEST(ControllerJog, JogsUntilStopAndStopJogLeavesMovesAlone) {
    Controller c(FastConfig());
    c.Command(33);  // Y-
    c.AdvanceTo(100);
    EXPECT_EQ(c.ReadRegister(0) & 1, 1);
    EXPECT_EQ(c.Position(Axis::Y), -2000);
    c.AdvanceTo(150);
    c.Command(23);
    EXPECT_EQ(c.ReadRegister(0) & 1, 0);
    EXPECT_EQ(c.Position(Axis::Y), -3000);
    c.AdvanceTo(500);
    EXPECT_EQ(c.Position(Axis::Y), -3000);
    c.Command(34);  // C+ is tracked but has no register
    c.AdvanceTo(600);
    c.Command(23);
    EXPECT_EQ(c.Position(Axis::C), 2000);
    EXPECT_EQ(c.Position(Axis::X), 0);
    Move(c, 5, 0);  // a step jog, then the release sends 23
    c.Command(23);
    c.AdvanceTo(601);
    EXPECT_EQ(c.Position(Axis::X), 5);
}

TEST(ControllerPresets, CoordinatesTakeTheValueOf60And61) {
    Controller c(FastConfig());
    Move(c, 1000, 0);
    c.AdvanceTo(25);  // X at 500, heading for 1000
    const int32_t v = -123456;
    uint16_t regs[2] = {static_cast<uint16_t>(v & 0xFFFF), static_cast<uint16_t>(static_cast<uint32_t>(v) >> 16)};
    c.WriteRegisters(60, regs, 2);
    c.Command(13);
    EXPECT_EQ(c.Position(Axis::X), -123456);
    c.AdvanceTo(1000);  // the rest of the move goes on in the new frame
    EXPECT_EQ(c.Position(Axis::X), -123456 + 500);
    c.Command(14);
    c.Command(15);
    EXPECT_EQ(Reg32(c, 4), -123456);
    EXPECT_EQ(Reg32(c, 6), -123456);
}

// Presets and a power cycle change what the axes read, not where they
// stand on the table; a drilling records both.
TEST(ControllerPresets, TablePlaceSurvivesPresetsAndAPowerCycle) {
    Controller c(FastConfig());
    Move(c, 1000, 2000);
    c.AdvanceTo(500);
    uint16_t regs[2] = {50, 0};
    c.WriteRegisters(60, regs, 2);
    c.Command(13);  // X reads 50
    ASSERT_EQ(c.Command(4), 0);  // locked
    ASSERT_EQ(c.Command(1), 0);  // drilling
    EXPECT_EQ(c.TablePosition(Axis::X), 1000);
    c.PowerCycle();
    EXPECT_EQ(Reg32(c, 2), 0);
    EXPECT_EQ(Reg32(c, 4), 0);
    EXPECT_EQ(c.TablePosition(Axis::X), 1000);
    EXPECT_EQ(c.TablePosition(Axis::Y), 2000);
    EXPECT_EQ(c.Status1(), 0);  // not drilling, not locked, nothing on
    EXPECT_EQ(c.Drills().back().end, DrillEnd::Stopped);
    EXPECT_EQ(c.Drills().back().x, 50);
    EXPECT_EQ(c.Drills().back().tableX, 1000);
    Move(c, 10, 0);
    c.AdvanceTo(1000);
    ASSERT_EQ(c.Command(1), 0);
    EXPECT_EQ(c.Drills().back().x, 10);
    EXPECT_EQ(c.Drills().back().tableX, 1010);
}

TEST(ControllerParams, MachiningParametersAreKept) {
    Controller c;
    uint16_t seg[6] = {12, 40, 7, 22, 2, 0x0113};  // a high byte is ignored
    c.WriteRegisters(71, seg, 6);
    for (int code = 52; code <= 57; ++code) c.Command(code);
    c.Command(41);
    c.Command(58);
    uint16_t lim[6] = {0xFC18, 0xFFFF, 0x1388, 0, 0x0BB8, 0};  // -1000, 5000, 3000
    c.WriteRegisters(77, lim, 6);
    c.Command(59);
    c.Command(60);
    c.Command(61);
    const MachiningParams& p = c.Params();
    EXPECT_EQ(p.pulseWidth, 12);
    EXPECT_EQ(p.pulseInterval, 40);
    EXPECT_EQ(p.powerAmp, 7);
    EXPECT_EQ(p.capacitance, 22);
    EXPECT_EQ(p.voltage, 2);
    EXPECT_EQ(p.machSpeed, 0x13);
    EXPECT_EQ(p.voltageFlagCommand, 41);
    EXPECT_EQ(p.completeCount, 1);
    EXPECT_EQ(p.liftHeight, -1000);
    EXPECT_EQ(p.depthUpper, 5000);
    EXPECT_EQ(p.depthLower, 3000);
    c.Command(42);
    EXPECT_EQ(c.Params().voltageFlagCommand, 42);
    // Registers read back as written.
    EXPECT_EQ(c.ReadRegister(73), 7);
}

TEST(ControllerCommands, UnknownCodeIsRefusedAndNothingStored) {
    Controller c;
    uint16_t block[22] = {};
    block[0] = 777;            // register 20
    block[21] = 2;             // register 41: no such command
    EXPECT_EQ(c.WriteRegisters(20, block, 22), 3);
    EXPECT_EQ(c.ReadRegister(20), 0);
    EXPECT_TRUE(c.Commands().empty());
    EXPECT_FALSE(c.IsValidRange(120, 9));
    EXPECT_FALSE(c.IsValidRange(4, 125));
    EXPECT_FALSE(c.IsValidRange(0, 0));
    EXPECT_TRUE(c.IsValidRange(3, 125));
    uint16_t one = 1;
    EXPECT_EQ(c.WriteRegisters(43, &one, 1), 0);
    EXPECT_EQ(c.HeartbeatCount(), 1u);
}

TEST(ControllerEvents, PauseRequestAtHoleIsRaisedAndAcknowledged) {
    Controller c(FastConfig());
    ScriptedEvent ev;
    ev.atHole = 2;
    ev.offsetMs = 300;
    ev.pauseRequest = true;
    c.AddEvent(ev);
    c.Command(1);
    c.AdvanceTo(2000);
    EXPECT_EQ(c.ReadRegister(1) & 0x4000, 0);
    c.Command(1);  // hole 2 at t=2000
    c.AdvanceTo(2299);
    EXPECT_EQ(c.ReadRegister(1) & 0x4000, 0);
    c.AdvanceTo(2300);
    EXPECT_EQ(c.ReadRegister(1) & 0x4000, 0x4000);
    c.AdvanceTo(9000);
    EXPECT_EQ(c.ReadRegister(1) & 0x4000, 0x4000);  // held until acknowledged
    c.Command(51);
    EXPECT_EQ(c.ReadRegister(1) & 0x4000, 0);
}

TEST(ControllerEvents, TimedSignalSetsAndClearsRegister50) {
    Controller c(FastConfig(), 1000);  // the script counts from the start time
    ScriptedEvent ev;
    ev.atMs = 500;
    ev.signalCode = 9;
    ev.clearAfterMs = 200;
    c.AddEvent(ev);
    c.AdvanceTo(1499);
    EXPECT_EQ(c.ReadRegister(50), 0);
    c.AdvanceTo(1500);
    EXPECT_EQ(c.ReadRegister(50), 9);
    c.AdvanceTo(1700);
    EXPECT_EQ(c.ReadRegister(50), 0);
}

TEST(ControllerLimits, LeavingTheTravelRangeStopsAndLatchesTheCode) {
    Controller c(FastConfig());
    c.SetTravelRange(Axis::X, {-1000, 1000});
    Move(c, 3000, 500);
    c.AdvanceTo(1000);
    EXPECT_FALSE(c.Moving());
    EXPECT_EQ(c.Position(Axis::X), 1000);
    EXPECT_EQ(c.Position(Axis::Y), 166);  // stopped together, a third of the way
    EXPECT_EQ(c.ReadRegister(50), 1);
    // Moving further out stops at once; moving back in clears the code.
    Move(c, 10, 0);
    EXPECT_FALSE(c.Moving());
    EXPECT_EQ(c.ReadRegister(50), 1);
    Move(c, -500, 0);
    EXPECT_EQ(c.ReadRegister(50), 0);
    c.AdvanceTo(2000);
    EXPECT_EQ(c.Position(Axis::X), 500);
    c.Command(31);  // jog X- into the other switch
    c.AdvanceTo(3000);
    EXPECT_FALSE(c.Moving());
    EXPECT_EQ(c.Position(Axis::X), -1000);
    EXPECT_EQ(c.ReadRegister(50), 2);
}

TEST(ControllerLog, LinesCarryTimeCodeAndParameters) {
    Controller c(FastConfig(), 100);
    c.AdvanceTo(350);
    Move(c, -500, 20);
    EXPECT_EQ(FormatCommandRecord(c.Commands().back()),
              "250 40 move dx=-500 dy=20 dz=0 -> x=-500 y=20 z=0");
    c.AdvanceTo(1000);
    c.Command(1);
    EXPECT_EQ(FormatCommandRecord(c.Commands().back()), "900 1 drill hole=1 x=-500 y=20 z=0");
    uint16_t v = 7;
    c.WriteRegisters(62, &v, 1);
    c.Command(16);
    EXPECT_EQ(FormatCommandRecord(c.Commands().back()), "900 16 speed value=7");
}

}  // namespace
}  // namespace ks::sim
