// An operator's first hour on the bench: a new job that starts at its first
// hole, a start that says why it cannot go, a job that says it is complete,
// machining parameters that never go out as zeros, and a link label that
// tells the truth while the line is down and after a change of port.
#include "console_rig.h"

#include "app/console_texts.h"
#include "panels/panel_texts.h"
#include "platform/texts.h"
#include "settings/keys.h"
#include "settings/profile_file.h"

namespace ks::app::testing {
namespace {

using Holes = std::vector<std::pair<int32_t, int32_t>>;
namespace mach = res::machining;

std::string StatusLine(ConsoleRig& rig) { return rig.view.Text(ids::IDC_STATUS_LINE); }
bool Says(ConsoleRig& rig, const std::string& text) { return StatusLine(rig).find(text) != std::string::npos; }
size_t Moves(const ConsoleRig& rig) { return rig.driver.WritesTo(20).size(); }

// The file processing panel closed with `job` typed as the current job.
void ChooseJob(ConsoleRig& rig, const std::string& job) {
    rig.view.QueueModal([job](ui::testing::FakeView& panel, ui::Dialog&) {
        panel.Type(res::fileproc::IDC_JOB_PATH, job);
        panel.Click(res::fileproc::IDC_EXIT);
    });
    rig.view.Click(ids::IDC_FILE_PROCESS);
}

TEST(NewJob, StartsAtItsFirstHoleWithNothingMarkedDone) {
    ConsoleRig rig;
    const std::string oldJob = rig.WriteJob({{0, 0}, {1000, 0}, {2000, 0}, {3000, 0}}, "old.NC");
    const Holes fresh = {{5000, 5000}, {6000, 5000}};
    const std::string newJob = rig.WriteJob(fresh, "new.NC");
    rig.WriteSettings(oldJob, 3);  // three holes of the old job drilled
    rig.Start();
    rig.Ticks(3);

    ChooseJob(rig, newJob);
    ASSERT_EQ(rig.dlg->m_nHoleCount, 2);
    EXPECT_EQ(rig.dlg->m_Hole[1].bDone, 0);
    EXPECT_EQ(rig.dlg->m_Hole[2].bDone, 0);
    EXPECT_EQ(settings::ReadProfileString(rig.IniPath(), "FileParam Info", "Hole", "?"), "0");

    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }, 20000));
    EXPECT_EQ(rig.FinishedAt(), fresh);
}

TEST(StartRefused, SaysWhyWhenThereIsNoJobOrTheJobIsDone) {
    {
        ConsoleRig rig;
        rig.Start();  // no settings file: no job
        rig.Ticks(6);
        const size_t moves = Moves(rig);
        rig.view.Click(ids::IDC_START);
        EXPECT_TRUE(Says(rig, ConsoleText(kTextNoJobLoaded))) << StatusLine(rig);
        EXPECT_EQ(Moves(rig), moves);
        EXPECT_EQ(rig.view.Text(ids::IDC_RATE_LABEL), "完成率:0.00%");
    }
    {
        ConsoleRig rig;
        rig.WriteSettings(rig.WriteJob({{0, 0}, {1000, 0}}), 2);  // finished before a restart
        rig.Start();
        rig.Ticks(3);
        const size_t moves = Moves(rig);
        rig.view.Click(ids::IDC_START);
        rig.Ticks(6);
        EXPECT_TRUE(Says(rig, Fill(ConsoleText(kTextJobComplete), {"0"}))) << StatusLine(rig);
        EXPECT_EQ(Moves(rig), moves);
    }
}

// The finished job counts the holes left undone, shows 100 %, and begins
// again only after 复位.
TEST(JobComplete, SaysSoWithTheSkippedHolesAndRestartsAfterReset) {
    ConsoleRig rig;
    const Holes holes = {{0, 0}, {1000, 0}, {2000, 0}};
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    rig.Ticks(3);
    rig.view.ListSetCurSel(ids::IDC_HOLE_LIST, 2);
    rig.view.Click(ids::IDC_SKIP_HOLE);  // straight to hole 3: holes 1 and 2 skipped
    rig.Ticks(6);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }, 20000));
    rig.Ticks(6);
    const std::string complete = Fill(ConsoleText(kTextJobComplete), {"2"});
    EXPECT_TRUE(Says(rig, complete)) << StatusLine(rig);
    EXPECT_EQ(rig.view.Text(ids::IDC_RATE_LABEL), "完成率:100.00%");

    rig.view.Click(ids::IDC_START);
    rig.Ticks(30);
    EXPECT_EQ(rig.FinishedAt(), (Holes{{2000, 0}}));  // nothing drilled twice
    EXPECT_TRUE(Says(rig, complete));

    rig.view.Click(ids::IDC_RESET);
    EXPECT_FALSE(Says(rig, complete));
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.machine.FinishedDrills().size() == 2; }, 20000));
    EXPECT_EQ(rig.FinishedAt().back(), holes[0]);
}

// One "+" on a panel never filled in would send the whole group, zeros and
// all, to a machine that may be drilling.
TEST(MachiningParams, AGroupWithUnsetValuesNeverReachesTheController) {
    ConsoleRig rig;
    rig.Start();
    rig.Ticks(3);
    rig.view.QueueModal([&](ui::testing::FakeView& panel, ui::Dialog&) {
        panel.Click(mach::IDC_CAP_PLUS);
        panel.Click(mach::IDC_SEG_SEND);
        rig.Ticks(3);
        EXPECT_EQ(panel.Messages().size(), 2u);  // one box each, not one per value
        EXPECT_EQ(panel.WarningTitles(), std::vector<std::string>(2, panels::PanelText(panels::kTextSegmentNotSentTitle)));
        EXPECT_NE(panel.Messages().back().find("脉宽：1～255（现为0）"), std::string::npos) << panel.Messages().back();
        panel.Click(res::IDOK);
    });
    rig.view.Click(ids::IDC_MACHINING_PARAM);
    EXPECT_TRUE(rig.driver.WritesTo(71).empty());
    // Raised by anything else, the flag still sends no unset group.
    rig.machining.m_bSegParamChanged = 1;
    rig.dlg->ForwardMachining();
    EXPECT_TRUE(rig.driver.WritesTo(71).empty());
}

TEST(MachiningParams, TheLastGroupSentIsWhatThePanelOpensWithAfterARestart) {
    const char* typed[] = {"20", "30", "5", "2", "2", "15"};
    const int edits[] = {mach::IDC_PULSE_WIDTH, mach::IDC_PULSE_INTERVAL, mach::IDC_POWER,
                         mach::IDC_CAP,         mach::IDC_VOLT,           mach::IDC_SPEED};
    ConsoleRig rig;
    rig.Start();
    rig.Ticks(3);
    rig.view.QueueModal([&](ui::testing::FakeView& panel, ui::Dialog&) {
        for (int i = 0; i < 6; ++i) panel.Type(edits[i], typed[i]);
        panel.Type(mach::IDC_LIFT, "0.25");
        panel.Click(mach::IDC_SEG_SEND);
        panel.Click(mach::IDC_LIFT_SEND);
        EXPECT_TRUE(panel.Messages().empty());
        panel.Click(res::IDOK);
    });
    rig.view.Click(ids::IDC_MACHINING_PARAM);
    ASSERT_EQ(rig.driver.WritesTo(71).size(), 1u);

    // A restart: a fresh panel object, the settings file as left.
    rig.view.Close();
    rig.dlg.reset();
    for (int32_t* field : {&rig.machining.m_nPulseWidth, &rig.machining.m_nPulseInterval, &rig.machining.m_nPowerAmp,
                           &rig.machining.m_nCapacitance, &rig.machining.m_nVoltage, &rig.machining.m_nMachSpeed,
                           &rig.machining.m_nLiftHeight})
        *field = 0;
    rig.Start();
    EXPECT_EQ(rig.machining.m_nPulseWidth, 20);
    EXPECT_EQ(rig.machining.m_nMachSpeed, 15);
    EXPECT_EQ(rig.machining.m_nLiftHeight, -250);
    EXPECT_TRUE(rig.machining.SegmentComplete());
}

TEST(LinkLabel, OneLineTheReconnectingTextWhileDownAndStaleDisplays) {
    sim::Config slow = FastMachine();
    slow.drillTimeMs = 60000;
    ConsoleRig rig(slow);
    rig.WriteSettings(rig.WriteJob({{0, 0}, {1000, 0}}), 0);
    rig.Start();
    rig.Ticks(3);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_bDrilling == 1; }, 500));
    ASSERT_EQ(rig.view.Picture(ids::IDC_DRILL), res::IDB_DRILL_ON);
    rig.driver.drop = [](const SentFrame&) { return true; };  // a silent controller
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->Link().Down(); }, 100));
    rig.Ticks(40);  // probes of the open, silent port
    EXPECT_EQ(rig.view.Text(ids::IDC_COMM_LABEL), ConsoleText(kTextReconnecting));
    EXPECT_EQ(rig.view.ToolTip(ids::IDC_COMM_LABEL).rfind("0x4007", 0), 0u) << rig.view.ToolTip(ids::IDC_COMM_LABEL);
    EXPECT_FALSE(rig.view.IsEnabled(ids::IDC_DRILL));
    EXPECT_EQ(rig.view.Picture(ids::IDC_DRILL), res::IDB_DRILL_OFF);
    const auto rowColour = [&] { return rig.dlg->OnCtlColor(ids::IDC_X_INT, ui::CtlColorKind::Static)->text; };
    const ui::Rgb stale = *rowColour();

    rig.driver.drop = nullptr;
    ASSERT_TRUE(rig.TickUntil([&] { return !rig.dlg->Link().Down(); }, 200));
    rig.Tick();
    EXPECT_TRUE(rig.view.IsEnabled(ids::IDC_DRILL));
    EXPECT_TRUE(rig.view.ToolTip(ids::IDC_COMM_LABEL).empty());
    EXPECT_NE(rowColour()->r, stale.r);
}

TEST(LinkLabel, AfterAReturnTheStatusLineSaysStartGoesOn) {
    ConsoleRig rig;
    rig.WriteSettings(rig.WriteJob({{0, 0}, {40000, 0}}), 0);
    rig.Start();
    rig.Ticks(3);
    rig.view.Click(ids::IDC_START);
    rig.Tick();
    rig.driver.drop = [](const SentFrame&) { return true; };
    ASSERT_TRUE(rig.TickUntil([&] { return Says(rig, ConsoleText(kTextLinkLost)); }, 200));
    rig.driver.drop = nullptr;
    ASSERT_TRUE(rig.TickUntil([&] { return !rig.dlg->Link().Down(); }, 200));
    EXPECT_TRUE(Says(rig, ConsoleText(kTextLinkBack))) << StatusLine(rig);
    rig.view.Click(ids::IDC_START);
    EXPECT_FALSE(Says(rig, ConsoleText(kTextLinkBack)));
    EXPECT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }, 20000));
}

TEST(PortChange, TheLinkOpensTheNewPortAtOnce) {
    ConsoleRig rig;
    panels::CMachineParamDlg machinePanel;
    rig.Start();
    rig.dlg->SetMachinePanel(&machinePanel);
    rig.Ticks(3);
    ASSERT_EQ(rig.view.Text(ids::IDC_COMM_LABEL).rfind("连接成功 , 端口号COM1", 0), 0u);

    rig.view.QueueModal([](ui::testing::FakeView& panel, ui::Dialog&) {
        panel.ComboSetCurSel(res::machine::IDC_PORT, 1);  // COM2
        panel.Click(res::IDOK);
    });
    rig.view.Click(ids::IDC_MACHINE_PARAM);
    EXPECT_EQ(rig.view.Text(ids::IDC_COMM_LABEL), ConsoleText(kTextReconnecting));
    ASSERT_TRUE(rig.TickUntil([&] { return !rig.dlg->Link().Down(); }, 200));
    rig.Tick();
    const std::vector<std::string>& paths = rig.driver.opened;
    ASSERT_GE(paths.size(), 2u);
    EXPECT_NE(paths.back(), paths.front());  // COM2's device, not COM1's
    EXPECT_EQ(rig.dlg->m_nComPort, 2);
    EXPECT_EQ(rig.view.Text(ids::IDC_COMM_LABEL).rfind("连接成功 , 端口号COM2", 0), 0u);
}

}  // namespace
}  // namespace ks::app::testing
