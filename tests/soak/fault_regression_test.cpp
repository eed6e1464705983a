// Faults the soak found, each pinned down alone.
#include "tests/app/console_rig.h"

namespace ks::app::testing {
namespace {

using Holes = std::vector<std::pair<int32_t, int32_t>>;

Holes FinishedAt(const ConsoleRig& rig) {
    Holes out;
    for (const auto& d : rig.machine.FinishedDrills()) out.emplace_back(d.x, d.y);
    return out;
}

bool IsCommand(const SentFrame& f, int code) {
    return f.IsWrite() && f.Start() == 41 && f.bytes.size() >= 9 && f.Word(0) == code;
}

// One-shot faults for the requests that `pick` chooses, `times` of them:
// the answer is lost (the request is carried out) or the request is lost.
struct OneShot {
    std::function<bool(const SentFrame&)> pick;
    int times = 1;
    bool loseRequest = false;
};

void Sabotage(ConsoleRig& rig, std::vector<OneShot> shots) {
    rig.driver.drop = [&rig, shots = std::move(shots)](const SentFrame& f) mutable {
        auto& plan = rig.simDriver.Link().Plan();
        plan.dropEveryN = plan.ignoreEveryN = 0;
        for (OneShot& s : shots) {
            if (s.times == 0 || !s.pick(f)) continue;
            --s.times;
            (s.loseRequest ? plan.ignoreEveryN : plan.dropEveryN) = rig.simDriver.Link().Counters().requests + 1;
            break;
        }
        return false;
    };
}

bool IsStatusRead(const SentFrame& f) { return f.bytes.size() > 1 && f.bytes[1] == 3 && f.Start() == 0; }

// The controller carries out the move but its answer is lost: the write is
// tried again and the controller, whose moves are relative, moves by the
// same vector once more. On an evenly spaced row that lands exactly on the
// next hole. Nothing may be drilled there while this hole is current.
TEST(SoakRegression, RepeatedMoveCommandDoesNotDrillAtTheWrongHole) {
    ConsoleRig rig;
    const Holes holes = {{0, 0}, {1500, 0}, {3000, 0}, {4500, 0}};
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[1].bDone == 1; }));

    Sabotage(rig, {{[](const SentFrame& f) { return IsCommand(f, 40); }}});
    // Hole 2 is current from the move on; whatever is drilled while it is
    // must be drilled at its place. The operator resumes a paused run.
    for (int i = 0; i < 4000 && !(rig.dlg->m_nState == RunState::Idle && rig.dlg->m_nCurHole == 0 &&
                                  rig.dlg->m_nNextStep == NextStep::None && rig.dlg->m_bPauseReq == 0);
         ++i) {
        const size_t before = rig.machine.Drills().size();
        const int current = rig.dlg->m_nCurHole;
        rig.Tick();
        if (rig.machine.Drills().size() > before) {
            const auto& d = rig.machine.Drills().back();
            ASSERT_GE(current, 1);
            EXPECT_EQ(std::make_pair(d.x, d.y), holes[static_cast<size_t>(current) - 1]) << "hole " << current;
        }
        if (rig.dlg->m_nState == RunState::Idle && rig.dlg->m_bPauseReq == 1) rig.view.Click(ids::IDC_START);
    }
    EXPECT_EQ(rig.simDriver.Link().Counters().dropped, 1u);
    EXPECT_EQ(FinishedAt(rig), holes);
    EXPECT_EQ(rig.machine.Drills().size(), holes.size());
}

// The controller takes the start-drilling command but its answer is lost.
// A second start, sent after the hole is through, would drill it again
// with no operator in between; sent while it is still drilled, a controller
// might start its cycle again. Neither may go out, and the console must not
// stand waiting for a drilling bit it never saw either.
TEST(SoakRegression, LostAnswerToStartDrillingDoesNotDrillTheHoleAgain) {
    // Through before the retry (500 ms answer time and 500 ms pause), or not.
    for (uint32_t drillMs : {300u, 1500u}) {
        sim::Config config = FastMachine();
        config.drillTimeMs = drillMs;
        ConsoleRig rig(config);
        const Holes holes = {{0, 0}, {1500, 0}, {3000, 0}};
        rig.WriteSettings(rig.WriteJob(holes), 0);
        rig.Start();
        rig.view.Click(ids::IDC_START);
        ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[1].bDone == 1; }));

        Sabotage(rig, {{[](const SentFrame& f) { return IsCommand(f, 1); }}});
        ASSERT_TRUE(rig.TickUntil([&] {
            return rig.dlg->m_nState == RunState::Idle && rig.dlg->m_nCurHole == 0 && rig.dlg->m_nNextStep == NextStep::None;
        }, 2000)) << "the run stands in state " << static_cast<int>(rig.dlg->m_nState) << "/" << static_cast<int>(rig.dlg->m_nNextStep);
        EXPECT_EQ(rig.dlg->m_bPauseReq, 0);
        EXPECT_EQ(rig.simDriver.Link().Counters().dropped, 1u);
        EXPECT_EQ(FinishedAt(rig), holes);
        // One start per hole reached the controller, refused ones counted.
        EXPECT_EQ(rig.machine.CommandCount(1), holes.size()) << drillMs;
    }
}

// The same, and the status reads that follow fail too: with nothing known
// the start is not sent again. Four failures in a row put the link down and
// pause the run; back, the status shows the hole finished, so it is marked
// done and the operator's start goes on with the next hole.
TEST(SoakRegression, StartDrillingIsNotRepeatedWhenTheStatusCannotBeRead) {
    ConsoleRig rig;
    const Holes holes = {{0, 0}, {1500, 0}, {3000, 0}};
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[1].bDone == 1; }));
    bool armed = false;
    Sabotage(rig, {{[&](const SentFrame& f) { return armed = IsCommand(f, 1); }, 1},
                   {[&](const SentFrame& f) { return armed && IsStatusRead(f); }, 3, true}});
    ASSERT_TRUE(rig.TickUntil([&] {
        if (rig.dlg->m_bPauseReq == 1 && !rig.dlg->Link().Down()) {
            EXPECT_EQ(rig.dlg->m_nCurHole, 3);  // hole 2 settled as done
            rig.view.Click(ids::IDC_START);
        }
        return rig.dlg->m_nState == RunState::Idle && rig.dlg->m_nCurHole == 0 && rig.dlg->m_nNextStep == NextStep::None;
    }, 2000)) << "the run stands in state " << static_cast<int>(rig.dlg->m_nState) << "/" << static_cast<int>(rig.dlg->m_nNextStep);
    EXPECT_EQ(rig.simDriver.Link().Counters().dropped, 1u);
    EXPECT_EQ(rig.simDriver.Link().Counters().ignored, 3u);
    EXPECT_EQ(FinishedAt(rig), holes);
    EXPECT_EQ(rig.machine.Drills().size(), holes.size());
}

// The start is lost on the way and, while the console waits to send it
// again, the controller asks for a pause. A paused run must not be started
// behind the operator's back.
TEST(SoakRegression, StartDrillingIsNotSentAgainOnceTheRunIsPaused) {
    ConsoleRig rig;
    const Holes holes = {{0, 0}, {1500, 0}, {3000, 0}};
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[1].bDone == 1; }));
    Sabotage(rig, {{[&](const SentFrame& f) {
                        if (!IsCommand(f, 1)) return false;
                        sim::ScriptedEvent pause;
                        pause.atMs = f.atMs - rig.machine.StartMs() + 200;
                        pause.pauseRequest = true;
                        rig.machine.AddEvent(pause);
                        return true;
                    },
                    1, true}});
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_bPauseReq == 1; }, 200));
    rig.Ticks(60);
    EXPECT_EQ(rig.machine.HolesStarted(), 1) << "drilled while paused";
    EXPECT_EQ(rig.dlg->m_nState, RunState::Idle);

    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] {
        return rig.dlg->m_nState == RunState::Idle && rig.dlg->m_nCurHole == 0 && rig.dlg->m_nNextStep == NextStep::None;
    }, 2000));
    EXPECT_EQ(FinishedAt(rig), holes);
    EXPECT_EQ(rig.machine.Drills().size(), holes.size());
}

}  // namespace
}  // namespace ks::app::testing
