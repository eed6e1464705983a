// Controller commands: the write retries, move vectors, and the panels'
// requests reaching the controller in the written order.
#include "console_rig.h"

#include "app/console_texts.h"

#include "link/modbus_result.h"

namespace ks::app::testing {
namespace {

// A silent controller gets attempts 500 ms apart until the failures in a
// row put the link down; from then on writes are dropped at once.
TEST(ConsoleCommandsTest, SilentControllerGetsAttempts500msApartUntilTheLinkIsDown) {
    ConsoleRig rig;
    rig.Start();
    rig.simDriver.Link().Plan().ignoreEveryN = 1;
    // What one unanswered exchange costs, measured on the same line.
    uint8_t word[2] = {0, 1};
    uint64_t t0 = rig.clock.NowMs();
    ASSERT_EQ(rig.dlg->m_pModbus->WriteMultipleRegisters(1, 43, 1, word), kMbResponseTimeout);
    const uint64_t exchange = rig.clock.NowMs() - t0;
    rig.clock.Advance(500);  // past the time a late answer to it may take

    size_t first = rig.driver.frames.size();
    t0 = rig.clock.NowMs();
    EXPECT_FALSE(rig.dlg->SendCommand(50));
    const int attempts = 3;  // three failures in a row put the link down
    EXPECT_EQ(rig.clock.NowMs() - t0, attempts * exchange + (attempts - 1) * 500);
    ASSERT_EQ(rig.driver.frames.size() - first, size_t(attempts));
    for (size_t i = first + 1; i < rig.driver.frames.size(); ++i) {
        EXPECT_EQ(rig.driver.frames[i].atMs - rig.driver.frames[i - 1].atMs, exchange + 500);
        EXPECT_EQ(rig.driver.frames[i].bytes, rig.driver.frames[first].bytes);
    }
    // Down: the label says it reconnects, the failure rests in its tooltip.
    EXPECT_EQ(rig.view.Text(ids::IDC_COMM_LABEL), kTextReconnecting);
    EXPECT_EQ(rig.view.ToolTip(ids::IDC_COMM_LABEL), "0x4007 通信应答超时！");
    EXPECT_TRUE(rig.dlg->Link().Down());
    t0 = rig.clock.NowMs();
    first = rig.driver.frames.size();
    EXPECT_FALSE(rig.dlg->SendCommand(51));
    EXPECT_EQ(rig.clock.NowMs(), t0);
    EXPECT_EQ(rig.driver.frames.size(), first);

    // One lost answer costs one retry; the label then shows success.
    rig.simDriver.Link().Plan().ignoreEveryN = 0;
    ASSERT_TRUE(rig.TickUntil([&] { return !rig.dlg->Link().Down(); }, 40));
    rig.driver.frames.clear();
    int dropped = 0;
    rig.driver.drop = [&dropped](const SentFrame&) { return dropped++ == 0; };
    EXPECT_TRUE(rig.dlg->SendCommand(5));
    EXPECT_EQ(rig.driver.frames.size(), 2u);
    EXPECT_EQ(rig.view.Text(ids::IDC_COMM_LABEL), "连接成功 , 端口号COM1   √通信正常");

    // Refused writes leave the link up and get all six attempts, 500 ms
    // after each refusal (no late answer to wait for after a whole one).
    rig.driver.drop = nullptr;
    rig.simDriver.Link().Plan().exceptionEveryN = 1;
    t0 = rig.clock.NowMs();
    ASSERT_EQ(rig.dlg->m_pModbus->WriteMultipleRegisters(1, 43, 1, word), kMbExceptionBase + 6);
    const uint64_t refusal = rig.clock.NowMs() - t0;
    rig.driver.frames.clear();
    EXPECT_FALSE(rig.dlg->SendCommand(5));
    ASSERT_EQ(rig.driver.frames.size(), 6u);
    for (size_t i = 1; i < rig.driver.frames.size(); ++i)
        EXPECT_EQ(rig.driver.frames[i].atMs - rig.driver.frames[i - 1].atMs, refusal + 500);
    EXPECT_FALSE(rig.dlg->Link().Down());
}

TEST(ConsoleCommandsTest, MoveToHoleSendsTheRelativeVectorLowWordFirst) {
    ConsoleRig rig;
    rig.WriteSettings(rig.WriteJob({{1000, 2000}, {-1500, 2000}}), 0);
    rig.Start();
    rig.SetMachinePosition(13, 1000);
    rig.SetMachinePosition(14, 2000);
    rig.dlg->m_nCurHole = 1;
    rig.driver.frames.clear();
    ASSERT_TRUE(rig.dlg->MoveToHole());  // already there: zero vector
    rig.dlg->m_nCurHole = 0;             // slot 0: the copy of hole 1
    ASSERT_TRUE(rig.dlg->MoveToHole());
    rig.SetMachinePosition(13, -1000);
    rig.dlg->m_nCurHole = 2;
    ASSERT_TRUE(rig.dlg->MoveToHole());
    auto vectors = rig.driver.WritesTo(20);
    ASSERT_EQ(vectors.size(), 3u);
    EXPECT_EQ(vectors[0].bytes, vectors[1].bytes);
    // X -500 um, Y 0, Z 0 (the example frame of the register map).
    EXPECT_EQ(vectors[2].bytes, (std::vector<uint8_t>{0x01, 0x10, 0x00, 0x14, 0x00, 0x06, 0x0C, 0xFE, 0x0C, 0xFF,
                                                      0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xE0,
                                                      0x59}));
    EXPECT_EQ(rig.dlg->m_bMoving, 1);
    // A status read precedes each vector (speed level above 0).
    EXPECT_EQ(rig.driver.frames[0].bytes[1], 3);
    rig.Ticks(3);
    EXPECT_EQ(rig.machine.Position(sim::Axis::X), -1500);
}

TEST(ConsoleCommandsTest, LostVectorIsNotFollowedByExecute) {
    ConsoleRig rig;
    rig.WriteSettings(rig.WriteJob({{5000, 0}}), 0);
    rig.Start();
    rig.dlg->m_nCurHole = 1;
    rig.driver.drop = [](const SentFrame& f) { return f.IsWrite() && f.Start() == 20; };
    rig.driver.frames.clear();
    EXPECT_FALSE(rig.dlg->MoveToHole());
    // Attempts until three failures in a row put the link down.
    EXPECT_EQ(rig.driver.WritesTo(20).size(), 3u);
    EXPECT_TRUE(rig.driver.Commands().empty());
    rig.Ticks(2);
    EXPECT_EQ(rig.machine.Position(sim::Axis::X), 0);
}

TEST(ConsoleCommandsTest, PresetsJogsAndSpeedsReachTheController) {
    ConsoleRig rig;
    rig.Start();
    auto& p = rig.positioning;
    // Presets go out whatever the panel gate, X then Y then Z, once.
    p.m_nSetX = 1500;
    p.m_nSetZ = -250;
    p.m_bSetX = p.m_bSetZ = 1;
    rig.driver.frames.clear();
    rig.Tick();
    EXPECT_EQ(rig.machine.Position(sim::Axis::X), 1500);
    EXPECT_EQ(rig.machine.Position(sim::Axis::Z), -250);
    EXPECT_EQ(p.m_bSetX + p.m_bSetZ, 0);
    EXPECT_EQ(rig.driver.Commands(), (std::vector<int>{13, 15}));

    // Panel closed: jogs and speed stay home.
    p.m_bJogging = 1;
    p.m_nJogAxis = ks::panels::JogAxis::X;
    p.m_bJogPositive = 1;
    p.m_nSpeedMode = 1;
    p.m_bSpeedChanged = 1;
    rig.driver.frames.clear();
    rig.Tick();
    EXPECT_TRUE(rig.driver.Commands().empty());

    // Step mode: one 5 um step per press.
    rig.dlg->m_bPosPanelOpen = 1;
    rig.Ticks(3);
    EXPECT_EQ(rig.driver.Commands(), (std::vector<int>{40}));
    EXPECT_EQ(rig.machine.Position(sim::Axis::X), 1505);
    p.m_bJogging = 0;
    rig.Tick();
    EXPECT_EQ(rig.driver.Commands(), (std::vector<int>{40, 23}));

    // Medium: held jog on Y negative, speed 7 sent on every tick.
    p.m_nSpeedMode = 3;
    p.m_nJogAxis = ks::panels::JogAxis::Y;
    p.m_bJogPositive = 0;
    p.m_bJogging = 1;
    rig.driver.frames.clear();
    rig.Tick();
    rig.Tick();
    EXPECT_EQ(rig.driver.Commands(), (std::vector<int>{33, 16, 16}));
    EXPECT_EQ(rig.machine.SpeedValue(), 7);
    EXPECT_TRUE(rig.machine.Jogging());
    p.m_bJogging = 0;
    p.m_nSpeedMode = 4;
    rig.driver.frames.clear();
    rig.Tick();
    EXPECT_EQ(rig.driver.Commands(), (std::vector<int>{23, 16}));
    EXPECT_EQ(rig.machine.SpeedValue(), 3);
    EXPECT_FALSE(rig.machine.Jogging());

    // C axis continuous; step mode on C sends a zero vector.
    p.m_nSpeedMode = 2;
    p.m_nJogAxis = ks::panels::JogAxis::C;
    p.m_bJogPositive = 1;
    p.m_bJogging = 1;
    rig.driver.frames.clear();
    rig.Tick();
    EXPECT_EQ(rig.driver.Commands(), (std::vector<int>{34, 16}));
    EXPECT_EQ(rig.machine.SpeedValue(), 20);
    rig.dlg->StepJog(ks::panels::JogAxis::C, 1);
    auto v = rig.driver.WritesTo(20).back();
    for (int i = 0; i < 6; ++i) EXPECT_EQ(v.Word(i), 0);
}

TEST(ConsoleCommandsTest, SpeedTableAndCoordinates) {
    ConsoleRig rig;
    rig.Start();
    const std::pair<int, int> table[] = {{0, 15}, {1, 20}, {2, 10}, {3, 7}, {4, 5}, {5, 3}, {6, 15}, {-1, 15}};
    for (auto [level, value] : table) {
        rig.dlg->SetSpeed(level);
        EXPECT_EQ(rig.machine.SpeedValue(), value) << level;
    }
    rig.dlg->SetCoordinate(2, -70000);
    EXPECT_EQ(rig.machine.Position(sim::Axis::Y), -70000);
}

TEST(ConsoleCommandsTest, SegmentDownloadIsFourteenWritesInOrder) {
    ConsoleRig rig;
    rig.Start();
    auto& m = rig.machining;
    m.m_nPulseWidth = 44;
    m.m_nPulseInterval = 40;
    m.m_nPowerAmp = 12;
    m.m_nCapacitance = 39;
    m.m_nVoltage = 2;
    m.m_nMachSpeed = 9;
    m.m_nDepthUpper = -1500;
    m.m_nDepthLower = 2500;
    m.m_nLiftHeight = -300;
    m.m_bSegParamChanged = m.m_bDepthLimitChanged = m.m_bLiftHeightChanged = 1;
    rig.Tick();  // gate closed
    EXPECT_EQ(m.m_bSegParamChanged, 1);

    rig.dlg->m_bParamPanelOpen = 1;
    rig.driver.frames.clear();
    rig.Tick();
    std::vector<std::pair<int, int>> writes;  // (register, first word)
    for (const auto& f : rig.driver.frames)
        if (f.IsWrite() && f.Start() != 43) writes.emplace_back(f.Start(), f.Word(0));
    const std::vector<std::pair<int, int>> expected = {
        {71, 44}, {41, 52}, {72, 40}, {41, 53}, {73, 12}, {41, 54}, {74, 39}, {41, 55},
        {75, 2},  {41, 56}, {76, 9},  {41, 57}, {41, 41}, {41, 58},
        {79, 0xFA24}, {41, 60}, {81, 2500}, {41, 61}, {77, 0xFED4}, {41, 59}};
    EXPECT_EQ(writes, expected);
    const auto& got = rig.machine.Params();
    EXPECT_EQ(got.pulseWidth, 44);
    EXPECT_EQ(got.voltageFlagCommand, 41);
    EXPECT_EQ(got.depthUpper, -1500);
    EXPECT_EQ(got.liftHeight, -300);
    EXPECT_EQ(m.m_bSegParamChanged + m.m_bDepthLimitChanged + m.m_bLiftHeightChanged, 0);

    // Voltage stage 1 gives flag 42; the flags are cleared before the sends,
    // so a download that fails is not repeated.
    m.m_nVoltage = 1;
    m.m_bSegParamChanged = 1;
    rig.Tick();
    auto commands = rig.driver.Commands();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), 42), 1);
    EXPECT_EQ(rig.machine.Params().voltageFlagCommand, 42);
    m.m_bSegParamChanged = 1;
    rig.driver.drop = [](const SentFrame&) { return true; };  // the line goes silent
    rig.driver.frames.clear();
    rig.Tick();
    const size_t tried = rig.driver.WritesTo(71).size();
    rig.Ticks(40);
    EXPECT_EQ(rig.driver.WritesTo(71).size(), tried);
    EXPECT_EQ(m.m_bSegParamChanged, 0);
}

}  // namespace
}  // namespace ks::app::testing
