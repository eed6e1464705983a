// The run never drills a wrong place, leaves an axis moving, or loses its
// resume point without a word: panels closed any way, a controller that
// keeps its finished bit, axes that stop short, motion commands whose
// answer is lost, and a settings folder that goes away.
#include "console_rig.h"

#include "app/console_texts.h"
#include "panels/machine_param_dlg.h"
#include "settings/profile_file.h"

namespace ks::app::testing {
namespace {

using Holes = std::vector<std::pair<int32_t, int32_t>>;

// Drilling outlasts one write retry (answer time-out plus 500 ms), as real
// holes do: a read after a lost answer then sees the drilling bit.
sim::Config HoldingMachine() {
    sim::Config c = FastMachine();
    c.drillTimeMs = 1500;
    c.holdFinishedUntilDrill = true;
    return c;
}

int CountOf(const std::vector<int>& v, int x) { return static_cast<int>(std::count(v.begin(), v.end(), x)); }

TEST(ConsoleSafetyTest, PositioningPanelClosedAnyWayStopsForwardingAndTheJog) {
    // Closed by the close box while a jog button is held; then released in
    // the same instant as a quick OK, before a tick could see it.
    for (bool releaseThenOk : {false, true}) {
        ConsoleRig rig;
        rig.Start();
        rig.view.QueueModal([&](ui::testing::FakeView& panel, ui::Dialog&) {
            rig.positioning.m_nSpeedMode = 2;
            rig.positioning.m_nJogAxis = ks::panels::JogAxis::X;
            rig.positioning.m_bJogPositive = 1;
            rig.positioning.m_bJogging = 1;
            rig.Tick();
            ASSERT_TRUE(rig.machine.Jogging());
            if (releaseThenOk) {
                rig.positioning.m_bJogging = 0;
                panel.Click(res::IDOK);
            }
        });
        rig.view.Click(ids::IDC_POSITIONING);
        EXPECT_EQ(rig.dlg->m_bPosPanelOpen, 0) << releaseThenOk;
        EXPECT_FALSE(rig.machine.Jogging()) << releaseThenOk;
        rig.driver.frames.clear();
        rig.Ticks(20);
        EXPECT_TRUE(rig.driver.WritesTo(62).empty()) << "speed still forwarded";
        EXPECT_EQ(CountOf(rig.driver.Commands(), 23), 0);
    }
}

// The controller keeps the finished bit of the previous hole until the next
// drilling starts. A lost start command must not let that old bit mark the
// new hole done: the start goes out again and every hole is drilled.
TEST(ConsoleSafetyTest, FinishedBitFromThePreviousHoleMarksNothingDone) {
    for (bool loseAnswerOnly : {false, true}) {
        ConsoleRig rig(HoldingMachine());
        const Holes holes = {{0, 0}, {1500, 0}, {3000, 0}, {4500, 0}};
        rig.WriteSettings(rig.WriteJob(holes), 0);
        rig.Start();
        rig.view.Click(ids::IDC_START);
        ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[1].bDone == 1; }));
        int starts = 0;
        rig.driver.drop = [&](const SentFrame& f) {
            const bool start = f.IsWrite() && f.Start() == 41 && f.Word(0) == 1;
            if (start && starts++ == 0) {
                auto& plan = rig.simDriver.Link().Plan();
                (loseAnswerOnly ? plan.dropEveryN : plan.ignoreEveryN) = rig.simDriver.Link().Counters().requests + 1;
            }
            return false;
        };
        for (int i = 0; i < 4000 && !rig.JobEnded(); ++i) {
            rig.Tick();
            for (int h = 1; h <= 4; ++h) {
                // A hole counts as done only once the controller drilled it.
                if (rig.dlg->m_Hole[h].bDone == 1) {
                    ASSERT_GE(rig.machine.FinishedDrills().size(), size_t(h));
                }
            }
        }
        ASSERT_TRUE(rig.JobEnded());
        EXPECT_EQ(rig.FinishedAt(), holes) << loseAnswerOnly;
        EXPECT_EQ(rig.machine.Drills().size(), holes.size()) << loseAnswerOnly;
    }
}

TEST(ConsoleSafetyTest, AxesStoppedOffTheHolePauseWithAReason) {
    ConsoleRig rig;
    const Holes holes = {{0, 0}, {1500, 0}, {90000, 0}};
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.machine.SetTravelRange(sim::Axis::X, {-100000, 50000});  // hole 3 lies past the limit
    rig.Start();
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nCurHole == 3 && rig.dlg->m_bPauseReq == 1; }));
    EXPECT_EQ(rig.machine.Drills().size(), 2u);
    EXPECT_NE(rig.view.Text(ids::IDC_STATUS_LINE).find(kTextNotOnHole), std::string::npos)
        << rig.view.Text(ids::IDC_STATUS_LINE);
    rig.machine.SetTravelRange(sim::Axis::X, {});
    rig.view.Click(ids::IDC_START);
    rig.Ticks(6);
    EXPECT_EQ(rig.view.Text(ids::IDC_STATUS_LINE).find(kTextNotOnHole), std::string::npos);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }));
    EXPECT_EQ(rig.FinishedAt(), holes);
}

// The axes may stand one jog step (5 um) off a hole and drill it; two steps
// short is off the hole.
TEST(ConsoleSafetyTest, StopTwoJogStepsShortPausesAndOneStepOffDrills) {
    ConsoleRig rig;
    rig.WriteSettings(rig.WriteJob({{0, 0}, {1500, 0}}), 0);
    rig.Start();
    // Each move to hole 2 starts with the X axis put back by `shortBy`.
    int32_t shortBy = 10;
    rig.driver.drop = [&](const SentFrame& f) {
        if (f.IsWrite() && f.Start() == 41 && f.Word(0) == 40 && rig.dlg->m_nCurHole == 2)
            rig.SetMachinePosition(13, rig.machine.Position(sim::Axis::X) - shortBy);
        return false;
    };
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nCurHole == 2 && rig.dlg->m_bPauseReq == 1; }, 2000));
    EXPECT_EQ(rig.machine.Position(sim::Axis::X), 1490);
    EXPECT_EQ(rig.machine.Drills().size(), 1u);
    EXPECT_NE(rig.view.Text(ids::IDC_STATUS_LINE).find("轴未到达孔位，已暂停"), std::string::npos);

    shortBy = 5;
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }));
    EXPECT_EQ(rig.FinishedAt(), (Holes{{0, 0}, {1495, 0}}));
}

// A 5 um jog step and the 1 um move of the stop sequence whose answers are
// lost are not made twice: the status shows they arrived.
TEST(ConsoleSafetyTest, MotionWithALostAnswerIsMadeOnce) {
    ConsoleRig rig;
    rig.Start();
    rig.Tick();
    auto loseNextExecuteAnswer = [&rig] {
        rig.driver.drop = [&rig, armed = true](const SentFrame& f) mutable {
            if (armed && f.IsWrite() && f.Start() == 41 && f.Word(0) == 40) {
                rig.simDriver.Link().Plan().dropEveryN = rig.simDriver.Link().Counters().requests + 1;
                armed = false;
            }
            return false;
        };
    };
    loseNextExecuteAnswer();
    rig.dlg->StepJog(ks::panels::JogAxis::X, 1);
    rig.Ticks(3);
    EXPECT_EQ(rig.machine.Position(sim::Axis::X), 5);
    loseNextExecuteAnswer();
    rig.dlg->StopMotion();
    rig.Ticks(3);
    EXPECT_EQ(rig.machine.Position(sim::Axis::X), 6);
    EXPECT_EQ(rig.machine.Position(sim::Axis::Y), 1);
    EXPECT_EQ(rig.simDriver.Link().Counters().dropped, 2u);
}

// The moment after the run's arrival wait: state 1, drilling still to come,
// no pause. Clicks that waited behind the wait arrive here.
bool StartPending(const ConsoleRig& rig) {
    return rig.dlg->m_nState == RunState::Idle && rig.dlg->m_nNextStep == NextStep::StartDrilling &&
           rig.dlg->m_bPauseReq == 0 && rig.dlg->m_bStartSent == 0;
}

TEST(ConsoleSafetyTest, NoPanelOpensUnderARunAndClosingOneKeepsTheCurrentHole) {
    ConsoleRig rig;
    panels::CMachineParamDlg machinePanel;
    const Holes holes = {{0, 0}, {1500, 0}, {3000, 0}, {4500, 0}};
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    rig.dlg->SetMachinePanel(&machinePanel);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nCurHole == 2 && StartPending(rig); }));
    for (int launcher : {ids::IDC_POSITIONING, ids::IDC_FILE_PROCESS, ids::IDC_MACHINE_PARAM})
        rig.view.Click(launcher);
    EXPECT_TRUE(rig.view.ModalRuns().empty());

    // Paused in the middle of hole 3: the machine settings close, and start
    // drills hole 3, not hole 2 (the last one saved) again.
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nCurHole == 3 && rig.dlg->m_nState == RunState::Machining; }));
    rig.view.Click(ids::IDC_PAUSE);
    rig.view.Click(ids::IDC_MACHINE_PARAM);
    EXPECT_EQ(rig.view.ModalRuns(), (std::vector<int>{res::IDD_MACHINE_PARAM}));
    EXPECT_EQ(rig.dlg->m_nCurHole, 3);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }));
    EXPECT_EQ(rig.FinishedAt(), holes);
}

// Next, previous and skip while the drilling of the hole arrived at is
// still to come: the new hole is moved to and checked like any other
// before anything drills, and the run goes on from there.
TEST(ConsoleSafetyTest, HoleChosenWhileTheStartIsPendingIsDrilledOnlyAfterItsArrival) {
    for (int button : {ids::IDC_NEXT_HOLE, ids::IDC_PREV_HOLE, ids::IDC_SKIP_HOLE}) {
        ConsoleRig rig;
        const Holes holes = {{0, 0}, {30000, 0}, {60000, 0}, {90000, 0}};  // a second's move apart
        rig.WriteSettings(rig.WriteJob(holes), 0);
        rig.Start();
        rig.view.Click(ids::IDC_START);
        ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nCurHole == 3 && StartPending(rig); }));
        rig.view.SelectRow(ids::IDC_HOLE_LIST, 3);  // hole 4, for skip
        rig.view.Click(button);
        const size_t from = rig.machine.Drills().size();
        ASSERT_TRUE(rig.TickUntil([&] { return rig.machine.Drills().size() > from; }, 400)) << button;
        const int chosen = rig.dlg->m_nCurHole;
        EXPECT_EQ(chosen, button == ids::IDC_NEXT_HOLE ? 4 : button == ids::IDC_PREV_HOLE ? 2 : 4);
        const auto& drill = rig.machine.Drills().back();
        EXPECT_EQ(std::make_pair(drill.x, drill.y), holes[size_t(chosen) - 1]) << button;
        for (const auto& c : rig.machine.Commands()) EXPECT_FALSE(c.code == 1 && c.refused) << button;
        ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); })) << button;
    }
}

TEST(ConsoleSafetyTest, UnsavedResumePointIsToldOnceAndTheRunGoesOn) {
    ConsoleRig rig;
    const Holes holes = {{0, 0}, {1500, 0}, {3000, 0}, {4500, 0}};
    const std::string job = rig.WriteJob(holes);
    rig.WriteSettings(job, 0);
    rig.Start();
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[1].bDone == 1; }));
    // The folder goes away (a pulled stick, a removed share): saves fail.
    const fs::path moved = rig.folder.string() + ".away";
    fs::rename(rig.folder, moved);
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[3].bDone == 1; }));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(rig.dlg->m_strSaveProblem, kTextHoleNotSaved);
    EXPECT_NE(rig.view.Text(ids::IDC_STATUS_LINE).find(kTextHoleNotSaved), std::string::npos);
    size_t told = 0;
    for (size_t at = err.find("not saved"); at != std::string::npos; at = err.find("not saved", at + 1)) ++told;
    EXPECT_EQ(told, 1u) << err;  // once for the streak
    fs::rename(moved, rig.folder);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }));
    EXPECT_TRUE(rig.dlg->m_strSaveProblem.empty());
    EXPECT_EQ(settings::ReadProfileString(rig.IniPath(), "FileParam Info", "Hole", "?"), "4");
    EXPECT_EQ(rig.FinishedAt(), holes);
}

}  // namespace
}  // namespace ks::app::testing
