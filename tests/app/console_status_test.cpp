// The status tick: decoding, displays, the six-tick cycle, a lost link.
#include "console_rig.h"

#include "app/console_texts.h"

#include "link/modbus_result.h"

namespace ks::app::testing {
namespace {

TEST(ConsoleStatusTest, CommunicationLabelTexts) {
    EXPECT_EQ(CommResultText(0, 3), "连接成功 , 端口号COM3   √通信正常");
    EXPECT_EQ(CommResultText(0, 12), "连接成功 , 端口号COM12   √通信正常");
    // Failures carry their code so that shared texts stay distinguishable.
    // One line: the texts' line ends would push a label's text out of its field.
    EXPECT_EQ(CommResultText(0x8002, 3), "0x8002 通信未知错误！");
    EXPECT_EQ(CommResultText(0x4007, 3), "0x4007 通信应答超时！");
}

TEST(ConsoleStatusTest, TickShowsPositionsWithSignAndDecimals) {
    ConsoleRig rig;
    rig.Start();
    rig.Tick();
    // The first tick writes all six controls, even for position 0.
    EXPECT_EQ(rig.view.Text(ids::IDC_X_INT), "0");
    EXPECT_EQ(rig.view.Text(ids::IDC_X_DEC), ".000");
    EXPECT_EQ(rig.view.Text(ids::IDC_Z_INT), "0");
    EXPECT_EQ(rig.view.Text(ids::IDC_Z_DEC), ".000");

    rig.SetMachinePosition(13, 12345);
    rig.SetMachinePosition(14, -12345);
    rig.SetMachinePosition(15, -500);
    rig.Tick();
    EXPECT_EQ(rig.view.Text(ids::IDC_X_INT), "12");
    EXPECT_EQ(rig.view.Text(ids::IDC_X_DEC), ".345");
    EXPECT_EQ(rig.view.Text(ids::IDC_Y_INT), "-12");
    EXPECT_EQ(rig.view.Text(ids::IDC_Y_DEC), ".345");
    EXPECT_EQ(rig.view.Text(ids::IDC_Z_INT), "-0");  // between -1 mm and 0
    EXPECT_EQ(rig.view.Text(ids::IDC_Z_DEC), ".500");
    EXPECT_EQ(rig.positioning.m_nCurX, 12345);
    EXPECT_EQ(rig.positioning.m_nCurY, -12345);
    EXPECT_EQ(rig.positioning.m_nCurZ, -500);
    EXPECT_FLOAT_EQ(rig.dlg->m_fPosZ, -500.0f);

    rig.SetMachinePosition(13, -999);
    rig.SetMachinePosition(14, -1000);
    rig.SetMachinePosition(15, -2000007);
    rig.Tick();
    EXPECT_EQ(rig.view.Text(ids::IDC_X_INT), "-0");
    EXPECT_EQ(rig.view.Text(ids::IDC_X_DEC), ".999");
    EXPECT_EQ(rig.view.Text(ids::IDC_Y_INT), "-1");
    EXPECT_EQ(rig.view.Text(ids::IDC_Y_DEC), ".000");
    EXPECT_EQ(rig.view.Text(ids::IDC_Z_INT), "-2000");
    EXPECT_EQ(rig.view.Text(ids::IDC_Z_DEC), ".007");
}

TEST(ConsoleStatusTest, SlowGroupShowsStatusLineCompletionAndSignal) {
    ConsoleRig rig;
    rig.Start();
    rig.Ticks(6);  // the sixth tick runs the slow group
    EXPECT_EQ(rig.view.Text(ids::IDC_STATUS_LINE), "\t\t   暂停状态   预约暂停孔号 N 0" + std::string(26, ' '));
    EXPECT_EQ(rig.view.Text(ids::IDC_RATE_LABEL), "完成率:0.00%");  // no job: nothing is complete

    sim::ScriptedEvent ev;
    ev.atMs = rig.clock.NowMs() - rig.machine.StartMs();
    ev.signalCode = 9;
    rig.machine.AddEvent(ev);
    rig.dlg->m_nPauseHole = 7;
    rig.dlg->m_nState = RunState::Machining;
    rig.dlg->m_nHoleCount = 8;
    rig.dlg->m_nCurHole = 3;
    rig.Ticks(6);
    EXPECT_EQ(rig.dlg->m_nSignalCode, 9);
    rig.Ticks(6);  // the line is built before the signal read of its tick
    EXPECT_EQ(rig.view.Text(ids::IDC_STATUS_LINE),
              "\t\t   加工状态   预约暂停孔号 N 7           S1信号  已触发");
    EXPECT_EQ(rig.view.Text(ids::IDC_RATE_LABEL), "完成率:37.50%");
    rig.dlg->m_nCurHole = 8;
    rig.dlg->ShowCompletion();
    EXPECT_EQ(rig.view.Text(ids::IDC_RATE_LABEL), "完成率:100.00%");
    rig.dlg->m_nCurHole = -1;
    rig.dlg->ShowCompletion();
    EXPECT_EQ(rig.view.Text(ids::IDC_RATE_LABEL), "完成率:0.00%");
    rig.dlg->m_nState = RunState::Positioning;
    rig.dlg->m_nPauseHole = -1;
    rig.dlg->m_nSignalCode = 15;
    rig.dlg->ShowStatusLine();
    EXPECT_EQ(rig.view.Text(ids::IDC_STATUS_LINE), "\t\t   走位状态   预约暂停孔号 N 0" + std::string(26, ' '));
}

TEST(ConsoleStatusTest, SixTickCycleHeartbeatsAndRearms) {
    ConsoleRig rig;
    rig.Start();
    uint32_t beats = rig.machine.HeartbeatCount();
    std::vector<uint32_t> beatsAfter;
    std::vector<size_t> signalReads;
    for (int i = 0; i < 12; ++i) {
        rig.Tick();
        beatsAfter.push_back(rig.machine.HeartbeatCount() - beats);
        size_t reads = 0;
        for (const auto& f : rig.driver.frames) reads += (f.bytes[1] == 3 && f.Start() == 50);
        signalReads.push_back(reads);
    }
    EXPECT_EQ(beatsAfter, (std::vector<uint32_t>{1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6}));
    // Every heartbeat writes 1 to register 43, not merely something.
    const auto beatWrites = rig.driver.WritesTo(43);
    ASSERT_GE(beatWrites.size(), 6u);
    for (const auto& f : beatWrites) EXPECT_EQ(f.Word(0), 1);
    EXPECT_EQ(signalReads, (std::vector<size_t>{0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 2}));
    EXPECT_EQ(rig.view.TimerPeriod(ids::TIMER_STATUS), 60u);
    rig.dlg->m_nState = RunState::Machining;
    rig.Tick();
    EXPECT_EQ(rig.view.TimerPeriod(ids::TIMER_STATUS), 100u);
    // Another timer id does nothing, not even re-arming.
    size_t calls = rig.view.TimerCalls().size();
    size_t frames = rig.driver.frames.size();
    rig.view.FireTimer(7);
    EXPECT_EQ(rig.view.TimerCalls().size(), calls);
    EXPECT_EQ(rig.driver.frames.size(), frames);
}

TEST(ConsoleStatusTest, StatusBitsDriveMembersPicturesAndLockSave) {
    ConsoleRig rig;
    rig.Start();
    rig.Tick();
    EXPECT_EQ(rig.view.Picture(ids::IDC_LOCK), res::IDB_UNLOCKED);  // start-up assumed locked
    rig.view.Click(ids::IDC_PUMP);
    EXPECT_EQ(rig.dlg->m_bPumpOn, 1);
    EXPECT_EQ(rig.view.Picture(ids::IDC_PUMP), res::IDB_PUMP_ON);
    rig.view.Click(ids::IDC_HEAD);
    rig.view.Click(ids::IDC_HF);
    EXPECT_EQ(rig.view.Picture(ids::IDC_HEAD), res::IDB_HEAD_ON);
    EXPECT_EQ(rig.view.Picture(ids::IDC_HF), res::IDB_HF_ON);
    rig.view.Click(ids::IDC_HF);
    EXPECT_EQ(rig.view.Picture(ids::IDC_HF), res::IDB_HF_OFF);
    rig.view.Click(ids::IDC_DRILL);
    EXPECT_EQ(rig.dlg->m_bDrilling, 1);
    EXPECT_EQ(rig.view.Picture(ids::IDC_DRILL), res::IDB_DRILL_ON);
    rig.view.Click(ids::IDC_DRILL);
    EXPECT_EQ(rig.view.Picture(ids::IDC_DRILL), res::IDB_DRILL_OFF);
    // Lock: command 4, LockMotor saved as 1 at once; the picture follows
    // the status bit at the next read.
    rig.view.Click(ids::IDC_LOCK);
    EXPECT_NE(rig.ReadIni().find("LockMotor=1\r\n"), std::string::npos);
    rig.Tick();
    EXPECT_EQ(rig.dlg->m_bAxisLocked, 1);
    EXPECT_EQ(rig.view.Picture(ids::IDC_LOCK), res::IDB_LOCKED);
    EXPECT_EQ(rig.driver.Commands(), (std::vector<int>{16, 3, 5, 7, 6, 9, 1, 50, 4}));
    // Early abort only while machining.
    rig.view.Click(ids::IDC_ABORT);
    rig.dlg->m_nState = RunState::Machining;
    rig.view.Click(ids::IDC_ABORT);
    const std::vector<int> commands = rig.driver.Commands();
    EXPECT_EQ(commands.back(), 12);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), 12), 1);
}

TEST(ConsoleStatusTest, LostControllerLeavesStatusAndShowsTheFailure) {
    ConsoleRig rig;
    rig.Start();
    rig.view.Click(ids::IDC_PUMP);
    rig.SetMachinePosition(13, 4321);
    rig.Tick();
    const CConsoleDlg& d = *rig.dlg;
    auto snapshot = [&d] {
        return std::vector<double>{d.m_fPosX, d.m_fPosY, d.m_fPosZ, double(d.m_nPosX), double(d.m_bMoving),
                                   double(d.m_bDrilling), double(d.m_bPumpOn), double(d.m_bHeadOn),
                                   double(d.m_bHfOn), double(d.m_bFinshJG), double(d.m_bAxisLocked),
                                   double(d.m_nLockMotor), double(d.m_nSignalCode)};
    };
    auto before = snapshot();
    size_t pictures = rig.view.PictureHistory().size();
    rig.simDriver.Vanish();
    rig.simDriver.SetPresent(false);  // and it stays away
    rig.Ticks(6);
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(rig.view.PictureHistory().size(), pictures);
    EXPECT_EQ(rig.view.Text(ids::IDC_X_INT), "4");
    EXPECT_EQ(rig.dlg->m_wCommResult, kMbWriteFailed);
    EXPECT_TRUE(rig.dlg->Link().Down());
    EXPECT_EQ(rig.view.Text(ids::IDC_COMM_LABEL), kTextReconnecting);
}

TEST(ConsoleStatusTest, SilentControllerShowsResponseTimeout) {
    ConsoleRig rig;
    rig.Start();
    rig.Tick();
    rig.simDriver.Link().Plan().ignoreEveryN = 1;
    float x = rig.dlg->m_fPosX;
    rig.SetMachinePosition(13, 777);
    rig.dlg->ReadStatus();
    EXPECT_EQ(rig.dlg->m_fPosX, x);
    EXPECT_EQ(rig.view.Text(ids::IDC_COMM_LABEL), "0x4007 通信应答超时！");
}

}  // namespace
}  // namespace ks::app::testing
