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

    bool armed = true, clearNext = false;
    rig.driver.drop = [&](const SentFrame& f) {
        auto& plan = rig.simDriver.Link().Plan();
        if (clearNext) {
            plan.dropEveryN = 0;
            clearNext = false;
        }
        if (armed && IsCommand(f, 40)) {
            plan.dropEveryN = rig.simDriver.Link().Counters().requests + 1;
            armed = false;
            clearNext = true;
        }
        return false;
    };
    // Hole 2 is current from the move on; whatever is drilled while it is
    // must be drilled at its place. The operator resumes a paused run.
    for (int i = 0; i < 4000 && !(rig.dlg->m_nState == 1 && rig.dlg->m_nCurHole == 0 &&
                                  rig.dlg->m_nNextStep == 1 && rig.dlg->m_bPauseReq == 0);
         ++i) {
        const size_t before = rig.machine.Drills().size();
        const int current = rig.dlg->m_nCurHole;
        rig.Tick();
        if (rig.machine.Drills().size() > before) {
            const auto& d = rig.machine.Drills().back();
            ASSERT_GE(current, 1);
            EXPECT_EQ(std::make_pair(d.x, d.y), holes[static_cast<size_t>(current) - 1]) << "hole " << current;
        }
        if (rig.dlg->m_nState == 1 && rig.dlg->m_bPauseReq == 1) rig.view.Click(ids::IDC_START);
    }
    EXPECT_EQ(rig.simDriver.Link().Counters().dropped, 1u);
    EXPECT_EQ(FinishedAt(rig), holes);
    EXPECT_EQ(rig.machine.Drills().size(), holes.size());
}

}  // namespace
}  // namespace ks::app::testing
