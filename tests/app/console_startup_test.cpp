// Start-up, settings load/save and the first paint's job load.
#include "console_rig.h"

#include "app/console_texts.h"
#include "link/modbus_result.h"
#include "settings/profile_file.h"

namespace ks::app::testing {
namespace {

TEST(ConsoleStartupTest, FreshStartCreatesTheSettingsFileAndOpensTheLink) {
    ConsoleRig rig;
    rig.Start(false);
    ASSERT_TRUE(rig.started);
    EXPECT_EQ(rig.ReadIni(),
              "[FileParam Info]\r\nOpenDXFPath=0\r\nDiameterMin=0\r\nDiameterMax=0\r\nSaveNCPath=0\r\n"
              "DirNCPath=0\r\nCom=1\r\nSpeed=1\r\nLockMotor=0\r\nHole=0\r\nViewType=1\r\nViewScale=160\r\n");
    EXPECT_EQ(rig.view.Title(), "Kestrane 分体机Ver19.2  加工文件:---------0");
    EXPECT_EQ(rig.dlg->m_nComPort, 1);
    EXPECT_EQ(rig.dlg->m_nViewScale, 160);
    EXPECT_EQ(rig.dlg->m_nState, RunState::Idle);
    EXPECT_EQ(rig.dlg->m_nNextStep, NextStep::None);
    EXPECT_EQ(rig.dlg->m_nPauseHole, -1);
    EXPECT_EQ(rig.view.TimerPeriod(ids::TIMER_STATUS), 300u);
    // Two status reads succeeded: the label shows the last transfer's result.
    EXPECT_EQ(rig.view.Text(ids::IDC_COMM_LABEL), "连接成功 , 端口号COM1   √通信正常");
    // Speed level 1 -> 20, then the lock as saved (0: release, command 3).
    EXPECT_EQ(rig.machine.SpeedValue(), 20);
    EXPECT_EQ(rig.driver.Commands(), (std::vector<int>{16, 3}));
    EXPECT_EQ(rig.dlg->m_bAxisLocked, 0);

    // The job path "0" names no job yet: no message of a missing file.
    rig.dlg->OnPaint();
    rig.dlg->OnPaint();
    EXPECT_TRUE(rig.view.Messages().empty());
    EXPECT_EQ(rig.view.List(ids::IDC_HOLE_LIST).selHistory.size(), 0u);
}

TEST(ConsoleStartupTest, PortFailureRetriesAfterOneSecondThenCarriesOn) {
    ConsoleRig rig;
    rig.simDriver.SetPresent(false);
    rig.Start(false);
    EXPECT_EQ(rig.simDriver.OpenCount(), 0);
    // Open, 1000 ms, open, 2 x 100 ms before the status reads; without a
    // port the link is down, so the speed and lock commands are dropped at
    // once and the label keeps its text.
    EXPECT_EQ(rig.clock.ElapsedMs(), 1000u + 200u);
    EXPECT_EQ(rig.view.Text(ids::IDC_COMM_LABEL), "未 建立通信");
    EXPECT_EQ(rig.dlg->m_wCommResult, kMbWriteFailed);
    EXPECT_TRUE(rig.dlg->Link().Down());
    // The label keeps its text; why the port did not open rests beside it.
    EXPECT_EQ(rig.view.ToolTip(ids::IDC_COMM_LABEL), PortOpenErrorTip(PortOpenError::NoDevice));
}

// The window is up before anything waits on the line: the initialisation
// reads the settings only, and the link's start-up (port, two status reads,
// speed, lock, in that order) runs at the first turn of the window's loop.
TEST(ConsoleStartupTest, WindowComesUpBeforeTheLinkWaitsOnASilentController) {
    ConsoleRig rig;
    rig.WriteSettings("none.NC", 0);
    rig.driver.drop = [](const SentFrame&) { return true; };  // nothing answers
    rig.view.HoldFirstTurn(true);
    rig.dlg = std::make_unique<CConsoleDlg>(rig.driver, rig.clock, rig.positioning, rig.machining, rig.folder.string());
    ASSERT_TRUE(rig.view.Open(*rig.dlg));
    EXPECT_EQ(rig.clock.ElapsedMs(), 0u);
    EXPECT_TRUE(rig.driver.frames.empty());
    EXPECT_EQ(rig.view.Title(), "Kestrane 分体机Ver19.2  加工文件:---------none.NC");
    EXPECT_FALSE(rig.view.TimerPeriod(ids::TIMER_STATUS).has_value());
    EXPECT_EQ(rig.view.TimerPeriod(ids::TIMER_LINK_START), 0u);

    rig.view.FireTimer(ids::TIMER_LINK_START);
    EXPECT_FALSE(rig.view.TimerPeriod(ids::TIMER_LINK_START).has_value());  // once
    std::vector<uint16_t> firstRegisters;
    for (const auto& f : rig.driver.frames) {
        const uint16_t start = f.Start();
        if (firstRegisters.empty() || firstRegisters.back() != start) firstRegisters.push_back(start);
    }
    // Status, status, speed, then its command; the third failure in a row
    // takes the link down and the rest is dropped at once.
    EXPECT_EQ(firstRegisters, (std::vector<uint16_t>{0, 62}));
    EXPECT_EQ(rig.view.TimerPeriod(ids::TIMER_STATUS), 300u);
    EXPECT_TRUE(rig.dlg->Link().Down());
    const uint64_t linkWork = rig.clock.ElapsedMs();
    rig.view.FireTimer(ids::TIMER_LINK_START);  // a late turn of the same timer does nothing
    EXPECT_EQ(rig.clock.ElapsedMs(), linkWork);
}

// A job file that stops with a message halfway: while the box is up (its
// loop ticks and paints), the window already has the whole job as loaded.
TEST(ConsoleStartupTest, JobIsWholeBeforeItsMessageBoxShows) {
    ConsoleRig rig;
    const std::string job = (rig.folder / "cut.NC").string();
    std::ofstream(job, std::ios::binary) << "Kestrane NC\r\nSTART\r\nN1 X1000 Y2000 R500\r\nN2 X3000 Y2000 R500\r\n"
                                            "N3 X5000 Y2000 R500\r\nN4 X7000 Y2000 Rbad\r\nSTOP\r\n";
    rig.WriteSettings(job, 0);
    int seenCount = -1;
    size_t seenRows = 0;
    int32_t seenSlotZeroX = -1;
    rig.view.whileMessageShown = [&](const std::string&) {
        rig.Tick();
        seenCount = rig.dlg->m_nHoleCount;
        seenRows = rig.view.List(ids::IDC_HOLE_LIST).rows.size();
        seenSlotZeroX = rig.dlg->m_Hole[0].nX;
    };
    rig.Start();
    EXPECT_EQ(rig.view.Messages(), (std::vector<std::string>{"文件打开出错"}));
    EXPECT_EQ(rig.dlg->m_nHoleCount, 3);
    EXPECT_EQ(seenCount, 3);
    EXPECT_EQ(seenRows, 3u);
    EXPECT_EQ(seenSlotZeroX, 1000);
}

TEST(ConsoleStartupTest, UnknownLockValueSendsNoLockCommand) {
    ConsoleRig rig;
    rig.WriteSettings("none.NC", 0, /*lock=*/7);  // a lock value that sends nothing
    // The start-up's status reads go unanswered, so the lock bit does not
    // overwrite the value read from the settings.
    rig.driver.drop = [](const SentFrame& f) { return !f.IsWrite(); };
    rig.Start(false);
    EXPECT_EQ(rig.dlg->m_nLockMotor, 7);
    EXPECT_EQ(rig.driver.Commands(), (std::vector<int>{16}));  // only the speed
}

TEST(ConsoleStartupTest, SettingsLoadMarksDoneHolesAndReadsMissingKeysAsTheirTexts) {
    ConsoleRig rig;
    std::string job = rig.WriteJob({{1000, 1000}, {2000, 1000}, {3000, 1000}});
    rig.WriteIni("[Other]\r\nx=1\r\n[FileParam Info]\r\nDirNCPath=" + job + "\r\nHole=5\r\nCom=2\r\n");
    rig.Start();
    EXPECT_EQ(rig.dlg->m_nHoleCount, 3);
    EXPECT_EQ(rig.dlg->m_nCurHole, 5);
    EXPECT_EQ(rig.dlg->m_nHoleDone, 5);
    EXPECT_EQ(rig.dlg->m_nSpeedLevel, 0);  // "没找到指定的速度" reads as 0
    EXPECT_EQ(rig.dlg->m_nViewScale, 0);
    EXPECT_EQ(rig.view.Title(), "Kestrane 分体机Ver19.2  加工文件:---------" + job);
    // Slots 0..5 were marked before the job load, which keeps the marks.
    for (int i = 0; i <= 5; ++i) EXPECT_EQ(rig.dlg->m_Hole[i].bDone, 1) << i;
    EXPECT_EQ(rig.dlg->m_Hole[6].bDone, 0);
    // List: three rows, first selected.
    const auto& list = rig.view.List(ids::IDC_HOLE_LIST);
    ASSERT_EQ(list.rows.size(), 3u);
    EXPECT_EQ(list.rows[0], "N1" + std::string(16, ' ') + "X1000" + std::string(16, ' ') + "Y1000");
    EXPECT_EQ(list.curSel, 0);
    // An existing file is never re-created: the other section survives the
    // saves, and only the three keys of the save change.
    rig.dlg->SaveSettings();
    EXPECT_EQ(rig.ReadIni(), "[Other]\r\nx=1\r\n[FileParam Info]\r\nDirNCPath=" + job +
                                 "\r\nHole=5\r\nCom=2\r\nLockMotor=0\r\nViewScale=0\r\n");
}

TEST(ConsoleStartupTest, HoleBeyondTheTableMarksOnlyTheTableAndMovesNowhere) {
    ConsoleRig rig;
    std::string job = rig.WriteJob({{1000, 1000}, {2000, 1000}});
    rig.WriteSettings(job, 20000);
    rig.Start();
    rig.dlg->LoadSettings();
    for (int i = 0; i < kHoleSlots; ++i) ASSERT_EQ(rig.dlg->m_Hole[i].bDone, 1) << i;
    EXPECT_EQ(rig.dlg->m_nCurHole, 20000);
    size_t before = rig.driver.frames.size();
    EXPECT_FALSE(rig.dlg->MoveToHole());
    rig.view.Click(ids::IDC_START);  // start ignored: no hole after 20000
    rig.view.Click(ids::IDC_PREV_HOLE);  // 19999: outside the job, no move
    EXPECT_EQ(rig.driver.frames.size(), before);
    EXPECT_EQ(rig.dlg->m_nState, RunState::Idle);
    rig.dlg->ShowCompletion();
    EXPECT_EQ(rig.view.Text(ids::IDC_RATE_LABEL), "完成率:0.00%");

    rig.WriteSettings(job, -3);
    rig.dlg->LoadSettings();
    EXPECT_EQ(rig.dlg->m_Hole[0].bDone, 0);  // no marks for a negative hole
    rig.view.Click(ids::IDC_START);
    EXPECT_EQ(rig.driver.frames.size(), before);
}

TEST(ConsoleStartupTest, KeysSizeAndWheel) {
    ConsoleRig rig;
    rig.Start();
    EXPECT_TRUE(rig.view.PressKey(ui::kKeyEscape));
    EXPECT_TRUE(rig.view.PressKey(ui::kKeyEnter));
    EXPECT_FALSE(rig.view.PressKey(ui::kKeySpace));
    EXPECT_FALSE(rig.view.EndResult().has_value());
    rig.dlg->OnSize(false);
    EXPECT_EQ(rig.dlg->m_bNeedRepaint, 0);
    rig.dlg->OnSize(true);
    rig.Tick();
    EXPECT_EQ(rig.view.Invalidations(), (std::vector<bool>{true}));
    // Colours: coordinate rows, status bar, the hole list.
    auto row = rig.dlg->OnCtlColor(ids::IDC_Z_DEC, ui::CtlColorKind::Static);
    ASSERT_TRUE(row.has_value());
    EXPECT_EQ(row->text, (ui::Rgb{255, 255, 0}));
    EXPECT_EQ(row->fontPoints, 25);
    EXPECT_EQ(rig.dlg->OnCtlColor(ids::IDC_STATUS_LINE, ui::CtlColorKind::Static)->background, (ui::Rgb{50, 70, 80}));
    EXPECT_EQ(rig.dlg->OnCtlColor(ids::IDC_HOLE_LIST, ui::CtlColorKind::ListBox)->fontFace, "黑体");
    EXPECT_FALSE(rig.dlg->OnCtlColor(ids::IDC_START, ui::CtlColorKind::Button).has_value());
    // A wheel step zooms and saves at once.
    rig.dlg->OnMouseWheel(120);
    EXPECT_EQ(settings::ReadProfileString(rig.IniPath(), "FileParam Info", "ViewScale", ""), "157");
}

}  // namespace
}  // namespace ks::app::testing

namespace ks::app::testing {
namespace {

class RecordingSurface final : public view::MapSurface {
public:
    bool contextOk = true;
    std::vector<view::Frame> frames;
    bool CreateContext() override { return contextOk; }
    void Present(const view::Frame& f) override { frames.push_back(f); }
};

TEST(ConsoleStartupTest, NoDrawingContextStopsTheStartUpEarly) {
    ConsoleRig rig;
    RecordingSurface surface;
    surface.contextOk = false;
    rig.dlg = std::make_unique<CConsoleDlg>(rig.driver, rig.clock, rig.positioning, rig.machining,
                                            rig.folder.string(), &surface);
    EXPECT_FALSE(rig.view.Open(*rig.dlg));
    EXPECT_FALSE(fs::exists(rig.IniPath()));
    EXPECT_FALSE(rig.view.TimerPeriod(ids::TIMER_STATUS).has_value());
    EXPECT_EQ(rig.simDriver.OpenCount(), 0);
}

TEST(ConsoleStartupTest, MapIsCentredOnPaintAndRedrawnEverySixthTick) {
    ConsoleRig rig;
    rig.WriteSettings(rig.WriteJob({{10000, 20000}, {15000, 20000}}), 0);
    RecordingSurface surface;
    rig.Start(false);
    rig.dlg->SetMapSurface(&surface);
    rig.dlg->OnPaint();
    ASSERT_EQ(surface.frames.size(), 1u);
    // View type 1, scale 160: the current hole (slot 0 = hole 1) centred.
    EXPECT_EQ(surface.frames[0].translateX, -40);
    EXPECT_EQ(surface.frames[0].translateY, -63);
    rig.Ticks(6);
    EXPECT_EQ(surface.frames.size(), 2u);
    rig.view.Click(ids::IDC_NEXT_HOLE);
    rig.view.Click(ids::IDC_NEXT_HOLE);
    rig.dlg->OnMouseWheel(-120);  // zoom out re-centres on hole 2
    EXPECT_EQ(surface.frames.back().translateX, -51);  // scale 163: tx -36, minus 15 mm
    EXPECT_EQ(rig.dlg->m_nViewScale, 163);
}

}  // namespace
}  // namespace ks::app::testing
