// The panel launchers: guards, the gates of the request forwarding while a
// panel is open, and what the main window takes over when it closes.
#include "console_rig.h"

#include "panels/machine_param_dlg.h"
#include "res/ids.h"

namespace ks::app::testing {
namespace {

TEST(ConsolePanelsTest, PositioningPanelForwardsWhileOpenAndRestoresTheSpeed) {
    ConsoleRig rig;
    rig.Start();
    rig.view.QueueModal([&rig](ui::testing::FakeView& panel, ui::Dialog&) {
        EXPECT_EQ(rig.dlg->m_bPosPanelOpen, 1);
        rig.positioning.m_nSpeedMode = 4;  // "快速"
        rig.positioning.m_bSpeedChanged = 1;
        rig.Tick();  // the main window's timer runs under the panel
        EXPECT_EQ(rig.machine.SpeedValue(), 3);
        panel.Click(res::IDOK);
    });
    rig.view.Click(ids::IDC_POSITIONING);
    EXPECT_EQ(rig.view.ModalRuns(), (std::vector<int>{res::IDD_POSITIONING}));
    EXPECT_EQ(rig.dlg->m_bPosPanelOpen, 0);
    EXPECT_EQ(rig.machine.SpeedValue(), 20);  // everyday level 1 again

    rig.dlg->m_nState = RunState::Positioning;  // refused while positioning or machining
    rig.view.Click(ids::IDC_POSITIONING);
    rig.view.Click(ids::IDC_FILE_PROCESS);
    rig.view.Click(ids::IDC_MACHINE_PARAM);
    rig.view.Click(ids::IDC_SYSTEM_INFO);     // no guard
    rig.view.Click(ids::IDC_MACHINING_PARAM);  // discharge settings: any state
    EXPECT_EQ(rig.view.ModalRuns(),
              (std::vector<int>{res::IDD_POSITIONING, res::IDD_SYSTEM_INFO, res::IDD_MACHINING_PARAM}));
}

TEST(ConsolePanelsTest, MachiningPanelChangesAcceptedAtCloseStillGoOut) {
    ConsoleRig rig;
    rig.Start();
    rig.view.QueueModal([&rig](ui::testing::FakeView& panel, ui::Dialog&) {
        rig.machining.m_nLiftHeight = -800;
        rig.machining.m_bLiftHeightChanged = 1;
        panel.Click(res::IDOK);
    });
    rig.view.Click(ids::IDC_MACHINING_PARAM);
    EXPECT_EQ(rig.machine.Params().liftHeight, -800);
    EXPECT_EQ(rig.dlg->m_bParamPanelOpen, 0);
    rig.machining.m_bLiftHeightChanged = 1;  // closed: nothing is sent
    rig.Tick();
    EXPECT_EQ(rig.machining.m_bLiftHeightChanged, 1);
}

TEST(ConsolePanelsTest, FileProcessingPanelNamesTheJobThatTheWindowLoads) {
    ConsoleRig rig;
    rig.Start();
    std::string job = rig.WriteJob({{1000, 1000}, {2000, 1000}, {3000, 1000}}, "next.NC");
    rig.view.QueueModal([&job](ui::testing::FakeView& panel, ui::Dialog&) {
        panel.QueueOpenFile(ui::OpenFileResult{job, "next.NC"});
        panel.Click(res::fileproc::IDC_CHOOSE_JOB);
        panel.Click(res::fileproc::IDC_EXIT);
    });
    rig.view.Click(ids::IDC_FILE_PROCESS);
    EXPECT_EQ(rig.dlg->m_strJobPath, job);
    EXPECT_EQ(rig.view.Title(), "Kestrane 分体机Ver19.2  加工文件:---------" + job);
    EXPECT_EQ(rig.dlg->m_nHoleCount, 3);
    EXPECT_EQ(rig.view.List(ids::IDC_HOLE_LIST).rows.size(), 3u);
    EXPECT_EQ(rig.view.Text(ids::IDC_RATE_LABEL), "完成率:0.00%");
    EXPECT_EQ(rig.dlg->m_bNeedRepaint, 1);
}

TEST(ConsolePanelsTest, MachineSettingsPanelChangesTheSpeedLevel) {
    ConsoleRig rig;
    panels::CMachineParamDlg machinePanel;
    rig.Start();
    rig.dlg->SetMachinePanel(&machinePanel);
    rig.view.QueueModal([](ui::testing::FakeView& panel, ui::Dialog&) {
        panel.SelectCombo(res::machine::IDC_SPEED, 4);  // "5挡"
        panel.Click(res::IDOK);
    });
    rig.view.Click(ids::IDC_MACHINE_PARAM);
    EXPECT_EQ(rig.dlg->m_nSpeedLevel, 5);
    EXPECT_EQ(rig.machine.SpeedValue(), 3);
}

}  // namespace
}  // namespace ks::app::testing
