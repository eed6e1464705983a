// The console's own Modbus master talking to the simulated controller through
// the in-process driver, in virtual time: transfers, machine progress while
// the master sleeps, and every fault the line can show.
#include <gtest/gtest.h>

#include "link/modbus_master.h"
#include "link/modbus_result.h"
#include "platform/clock.h"
#include "sim/controller.h"
#include "sim/in_process_driver.h"

namespace ks::sim {
namespace {

struct Rig {
    explicit Rig(FaultPlan plan = {}, Config cfg = MakeConfig())
        : machine(cfg, clock.NowMs()), driver(machine, clock, plan), master(driver, clock) {
        opened = master.OpenPath("/dev/sim", 57600, 8, 0, 0);
    }
    static Config MakeConfig() {
        Config c;
        c.drillTimeMs = 2000;
        c.speedScale = 300.0;  // 20 mm/s at the start-up value 15
        return c;
    }
    ModbusResult ReadBlock(uint16_t regs[9]) {
        uint8_t raw[18];
        ModbusResult r = master.ReadHoldingRegisters(1, 0, 9, raw);
        if (r == kMbOk)
            for (int i = 0; i < 9; ++i) regs[i] = static_cast<uint16_t>((raw[2 * i] << 8) | raw[2 * i + 1]);
        return r;
    }
    ModbusResult Write(uint16_t start, std::initializer_list<uint16_t> values) {
        uint8_t raw[256];
        size_t n = 0;
        for (uint16_t v : values) {
            raw[n++] = static_cast<uint8_t>(v >> 8);
            raw[n++] = static_cast<uint8_t>(v & 0xFF);
        }
        return master.WriteMultipleRegisters(1, start, static_cast<uint16_t>(values.size()), raw);
    }
    ModbusResult Command(uint16_t code) { return Write(41, {code}); }

    VirtualClock clock;
    Controller machine;
    InProcessDriver driver;
    CModbusMaster master;
    int opened = 0;
};

int32_t Pos(const uint16_t* regs, int first) {
    return static_cast<int32_t>(regs[first] | (static_cast<uint32_t>(regs[first + 1]) << 16));
}

TEST(InProcess, MoveAndDrillProgressWhileTheMasterSleeps) {
    Rig rig;
    ASSERT_EQ(rig.opened, 1);
    EXPECT_EQ(rig.driver.Timeouts().readTotalConstant, 100u);
    uint16_t regs[9];
    ASSERT_EQ(rig.ReadBlock(regs), kMbOk);
    EXPECT_EQ(regs[0], 0);
    // X -500, Y +3000: the example frame's vector, then command 40.
    ASSERT_EQ(rig.Write(20, {0xFE0C, 0xFFFF, 3000, 0, 0, 0}), kMbOk);
    ASSERT_EQ(rig.Command(40), kMbOk);
    // Answers come at once: no virtual time has passed for the exchanges.
    EXPECT_EQ(rig.clock.NowMs(), 0u);
    ASSERT_EQ(rig.ReadBlock(regs), kMbOk);
    EXPECT_EQ(regs[0] & 1, 1);
    int polls = 0;
    do {
        rig.clock.Sleep(60);
        ASSERT_EQ(rig.ReadBlock(regs), kMbOk);
        ++polls;
    } while ((regs[0] & 1) && polls < 100);
    EXPECT_EQ(polls, 3);  // 3000 um at 20 um/ms = 150 ms
    EXPECT_EQ(rig.driver.RequestCount(), 7u);
    EXPECT_EQ(rig.driver.LastRequest(), (std::vector<uint8_t>{0x01, 0x03, 0x00, 0x00, 0x00, 0x09, 0x85, 0xCC}));
    EXPECT_EQ(Pos(regs, 2), -500);
    EXPECT_EQ(Pos(regs, 4), 3000);

    ASSERT_EQ(rig.Command(1), kMbOk);
    ASSERT_EQ(rig.ReadBlock(regs), kMbOk);
    EXPECT_EQ(regs[1] & 0x1001, 0x0001);
    rig.clock.Sleep(2000);
    ASSERT_EQ(rig.ReadBlock(regs), kMbOk);
    EXPECT_EQ(regs[1] & 0x1001, 0x1000);
    EXPECT_EQ(regs[8], 1);
    ASSERT_EQ(rig.machine.FinishedDrills().size(), 1u);
    EXPECT_EQ(rig.machine.FinishedDrills()[0].x, -500);
    EXPECT_EQ(rig.machine.FinishedDrills()[0].y, 3000);
}

TEST(InProcess, RefusedCommandAndBadAddressComeBackAsExceptionsAfterTheTimeout) {
    Rig rig;
    uint64_t t0 = rig.clock.NowMs();
    EXPECT_EQ(rig.Command(2), kMbExceptionBase + 3);
    // The master recognises a 5-byte answer only when its time-out runs out.
    EXPECT_GE(rig.clock.NowMs() - t0, 500u);
    uint8_t raw[20];
    EXPECT_EQ(rig.master.ReadHoldingRegisters(1, 120, 10, raw), kMbExceptionBase + 2);
    EXPECT_EQ(rig.master.ReadRegisters(1, 4, 0, 9, raw), kMbExceptionBase + 1);
}

TEST(InProcess, FaultsShowAsTheMastersLinkErrors) {
    FaultPlan plan;
    plan.dropEveryN = 5;
    plan.corruptCrcEveryN = 3;
    plan.wrongSlaveEveryN = 7;
    Rig rig(plan);
    uint16_t regs[9];
    std::vector<ModbusResult> results;
    for (int i = 0; i < 10; ++i) results.push_back(rig.ReadBlock(regs));
    // Requests 1..10: 3, 6, 9 corrupted; 5, 10 dropped; 7 as slave 2.
    const std::vector<ModbusResult> expected = {kMbOk, kMbOk, kMbCrcError, kMbOk,
                                                kMbResponseTimeout, kMbCrcError,
                                                kMbSlaveMismatch, kMbOk, kMbCrcError,
                                                kMbResponseTimeout};
    EXPECT_EQ(results, expected);
    const FaultCounters& n = rig.driver.Link().Counters();
    EXPECT_EQ(n.requests, 10u);
    EXPECT_EQ(n.corruptedCrc, 3u);
    EXPECT_EQ(n.dropped, 2u);
    EXPECT_EQ(n.wrongSlave, 1u);
}

TEST(InProcess, DroppedWriteAnswerStillCarriesTheCommandOut) {
    FaultPlan plan;
    plan.dropEveryN = 1;
    Rig rig(plan);
    EXPECT_EQ(rig.Command(5), kMbResponseTimeout);
    EXPECT_EQ(rig.machine.Status1() & 0x0004, 0x0004);
    rig.driver.Link().Plan().dropEveryN = 0;
    rig.driver.Link().Plan().ignoreEveryN = 1;
    EXPECT_EQ(rig.Command(8), kMbResponseTimeout);
    EXPECT_EQ(rig.machine.Status1() & 0x0004, 0x0004);  // the request never arrived
    EXPECT_EQ(rig.driver.Link().Counters().ignored, 1u);
}

TEST(InProcess, InjectedExceptionAndDelays) {
    FaultPlan plan;
    plan.exceptionEveryN = 2;
    plan.exceptionCode = 6;
    Rig rig(plan);
    uint16_t regs[9];
    EXPECT_EQ(rig.ReadBlock(regs), kMbOk);
    EXPECT_EQ(rig.Command(5), kMbExceptionBase + 6);
    EXPECT_EQ(rig.machine.Status1() & 0x0004, 0);  // refused, not carried out

    rig.driver.Link().Plan().exceptionEveryN = 0;
    rig.driver.Link().Plan().delayMs = 300;
    uint64_t t0 = rig.clock.NowMs();
    EXPECT_EQ(rig.ReadBlock(regs), kMbOk);
    EXPECT_EQ(rig.clock.NowMs() - t0, 300u);
    rig.driver.Link().Plan().delayMs = 700;
    EXPECT_EQ(rig.ReadBlock(regs), kMbResponseTimeout);
    // The late answer lands during the next exchange's wait and is purged or
    // mistaken, never crashing the master; after it the line is clean again.
    rig.driver.Link().Plan().delayMs = 0;
    rig.clock.Sleep(1000);
    EXPECT_EQ(rig.ReadBlock(regs), kMbOk);
    EXPECT_GE(rig.driver.Link().Counters().delayed, 2u);
}

TEST(InProcess, VanishClosesThePortAndARestartFindsTheControllerAgain) {
    FaultPlan plan;
    plan.vanishAfterMs = 1000;
    Rig rig(plan);
    uint16_t regs[9];
    EXPECT_EQ(rig.ReadBlock(regs), kMbOk);
    rig.clock.Sleep(1200);
    EXPECT_EQ(rig.ReadBlock(regs), kMbWriteFailed);  // the write call fails: port closed
    EXPECT_FALSE(rig.master.IsOpen());
    EXPECT_EQ(rig.ReadBlock(regs), kMbWriteFailed);
    EXPECT_EQ(rig.driver.Link().Counters().vanished, 1u);

    CModbusMaster restarted(rig.driver, rig.clock);
    ASSERT_EQ(restarted.OpenPath("/dev/sim", 57600, 8, 0, 0), 1);
    uint8_t raw[18];
    EXPECT_EQ(restarted.ReadHoldingRegisters(1, 0, 9, raw), kMbOk);

    // Vanish during a read: the read call fails and closes the port.
    rig.driver.Vanish();
    EXPECT_EQ(restarted.ReadHoldingRegisters(1, 0, 9, raw), kMbWriteFailed);
    rig.driver.SetPresent(false);
    CModbusMaster third(rig.driver, rig.clock);
    EXPECT_EQ(third.OpenPath("/dev/sim", 57600, 8, 0, 0), 0);
}

TEST(InProcess, PortIsExclusive) {
    Rig rig;
    CModbusMaster second(rig.driver, rig.clock);
    EXPECT_EQ(second.OpenPath("/dev/sim", 57600, 8, 0, 0), 0);
    rig.master.ClosePort();
    EXPECT_EQ(second.OpenPath("/dev/sim", 57600, 8, 0, 0), 1);
}

}  // namespace
}  // namespace ks::sim

namespace ks::sim {
namespace {

// A job walked the way the console walks it (relative move to each hole from
// the position just read, wait for the moving bit to clear, drill, wait for
// the finished bit), with a controller pause request in the middle, all in
// virtual time. The command log then answers "was every hole drilled once,
// at its coordinates".
TEST(InProcess, WholeJobInVirtualTimeLeavesOneFinishedDrillPerHole) {
    Config cfg;
    cfg.drillTimeMs = 3000;
    Rig rig({}, cfg);
    ScriptedEvent pause;
    pause.atHole = 4;
    pause.offsetMs = 1000;
    pause.pauseRequest = true;
    rig.machine.AddEvent(pause);

    std::vector<std::pair<int32_t, int32_t>> holes;
    for (int i = 0; i < 40; ++i) holes.emplace_back((i % 8) * 2500 - 9000, (i / 8) * -3000 + 1500);

    uint16_t regs[9];
    auto tick = [&] {
        rig.clock.Sleep(60);
        return rig.ReadBlock(regs) == kMbOk;
    };
    auto moveTo = [&](int32_t x, int32_t y) {
        ASSERT_EQ(rig.ReadBlock(regs), kMbOk);
        int32_t dx = x - Pos(regs, 2), dy = y - Pos(regs, 4);
        ASSERT_EQ(rig.Write(20, {static_cast<uint16_t>(dx & 0xFFFF), static_cast<uint16_t>(static_cast<uint32_t>(dx) >> 16),
                                 static_cast<uint16_t>(dy & 0xFFFF), static_cast<uint16_t>(static_cast<uint32_t>(dy) >> 16), 0, 0}),
                  kMbOk);
        ASSERT_EQ(rig.Command(40), kMbOk);
        do ASSERT_TRUE(tick()); while (regs[0] & 1);
    };
    int pauses = 0;
    for (size_t h = 0; h < holes.size(); ++h) {
        moveTo(holes[h].first, holes[h].second);
        rig.clock.Sleep(1000);
        ASSERT_EQ(rig.Command(1), kMbOk);
        bool finished = false;
        while (!finished) {
            ASSERT_TRUE(tick());
            if (regs[1] & 0x4000) {  // the controller asks for a pause
                ++pauses;
                ASSERT_EQ(rig.Command(50), kMbOk);
                ASSERT_EQ(rig.Command(51), kMbOk);
                rig.clock.Sleep(5000);  // the operator presses start again: same hole anew
                moveTo(holes[h].first, holes[h].second);
                ASSERT_EQ(rig.Command(1), kMbOk);
            }
            finished = regs[1] & 0x1000;
        }
    }
    EXPECT_EQ(pauses, 1);
    const auto done = rig.machine.FinishedDrills();
    ASSERT_EQ(done.size(), holes.size());
    for (size_t h = 0; h < holes.size(); ++h) {
        EXPECT_EQ(done[h].x, holes[h].first) << "hole " << h + 1;
        EXPECT_EQ(done[h].y, holes[h].second) << "hole " << h + 1;
    }
    ASSERT_EQ(rig.machine.Drills().size(), holes.size() + 1);
    EXPECT_EQ(rig.machine.Drills()[3].end, DrillEnd::Stopped);
    // About 40 x (3 s drilling + 1 s pause + the move) of machine time.
    EXPECT_GT(rig.clock.ElapsedMs(), 40u * 4000u);
    EXPECT_LT(rig.clock.ElapsedMs(), 40u * 4000u + 60000u);
}

}  // namespace
}  // namespace ks::sim
