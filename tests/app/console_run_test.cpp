// Run control against the simulated controller: whole jobs, resume, pause,
// the reserved pause hole, visit-only, the controller's pause request, a
// move that never arrives and a finished bit that arrives stale.
#include <algorithm>

#include "console_rig.h"

#include "settings/profile_file.h"

namespace ks::app::testing {
namespace {

using Holes = std::vector<std::pair<int32_t, int32_t>>;

Holes Grid(int count) {
    Holes h;
    for (int i = 0; i < count; ++i) h.emplace_back((i % 40) * 1500 - 20000, (i / 40) * 1500 + 300);
    return h;
}

std::string SavedHole(const ConsoleRig& rig) {
    return settings::ReadProfileString(rig.IniPath(), "FileParam Info", "Hole", "?");
}

bool JobEnded(const ConsoleRig& rig) {
    return rig.dlg->m_nState == RunState::Idle && rig.dlg->m_nNextStep == NextStep::None && rig.dlg->m_nCurHole == 0 &&
           rig.dlg->m_bPauseReq == 0;
}

// Drills that ended with the finished bit, as (x, y).
Holes FinishedAt(const ConsoleRig& rig) {
    Holes out;
    for (const auto& d : rig.machine.FinishedDrills()) out.emplace_back(d.x, d.y);
    return out;
}

// Against both kinds of controller: one that clears the finished bit with
// the next move, and one that keeps it until the next drilling starts.
class WholeJob : public ::testing::TestWithParam<bool> {};

TEST_P(WholeJob, ThousandHolesDrilledOnceEachAtTheirPlace) {
    // Settings on a memory file system when there is one: each saved hole
    // costs two fsyncs, which on a disk would dominate the run.
    std::error_code ec;
    sim::Config config = FastMachine();
    config.holdFinishedUntilDrill = GetParam();
    ConsoleRig rig(config, std::filesystem::is_directory("/dev/shm", ec) ? "/dev/shm" : "");
    const Holes holes = Grid(1000);
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    ASSERT_EQ(rig.dlg->m_nHoleCount, 1000);

    rig.view.Click(ids::IDC_START);
    std::vector<std::string> savedAt;  // Hole as saved once hole k is marked
    for (int k : {1, 2, 500}) {
        ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[k].bDone == 1; }, 60000));
        savedAt.push_back(SavedHole(rig));
    }
    ASSERT_TRUE(rig.TickUntil([&] { return JobEnded(rig); }, 60000));

    EXPECT_EQ(savedAt, (std::vector<std::string>{"1", "2", "500"}));
    EXPECT_EQ(SavedHole(rig), "1000");
    EXPECT_EQ(FinishedAt(rig), holes);
    EXPECT_EQ(rig.machine.Drills().size(), 1000u);  // no hole drilled twice
    for (int i = 1; i <= 1000; ++i) ASSERT_EQ(rig.dlg->m_Hole[i].bDone, 1) << i;
    EXPECT_EQ(rig.driver.Commands().back(), 50);
    EXPECT_EQ(rig.view.List(ids::IDC_HOLE_LIST).curSel, 0);
    EXPECT_EQ(rig.view.Picture(ids::IDC_START), res::IDB_START);
    EXPECT_EQ(rig.view.Picture(ids::IDC_SYNC), res::IDB_SYNC_OFF);
    rig.Ticks(20);
    EXPECT_EQ(rig.machine.Drills().size(), 1000u);
}

INSTANTIATE_TEST_SUITE_P(Controllers, WholeJob, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "HoldsFinished" : "ClearsFinished"; });

// A line on which one status answer comes very late: the answer to the
// status read after `hold` is set is kept back (that read times out), and
// it arrives during the status read after `release` is set, whose own
// answer is lost. The master cannot tell it from an answer of its own.
class LateStatusLine final : public SerialDriver {
public:
    explicit LateStatusLine(SerialDriver& inner) : m_inner(inner) {}
    bool hold = false;
    bool release = false;
    std::vector<uint8_t> kept;

    SerialHandle Open(const std::string& p) override { return m_inner.Open(p); }
    bool SetLineSettings(SerialHandle h, const LineSettings& l) override { return m_inner.SetLineSettings(h, l); }
    void SetQueueSizes(SerialHandle h, uint32_t i, uint32_t o) override { m_inner.SetQueueSizes(h, i, o); }
    bool SetTimeouts(SerialHandle h, const CommTimeouts& t) override { return m_inner.SetTimeouts(h, t); }
    void Close(SerialHandle h) override { m_inner.Close(h); }
    bool Purge(SerialHandle h) override {
        m_arrived.clear();
        return m_inner.Purge(h);
    }
    bool Read(SerialHandle h, uint8_t* b, uint32_t n, uint32_t* got) override {
        if (m_arrived.empty()) return m_inner.Read(h, b, n, got);
        *got = std::min<uint32_t>(n, static_cast<uint32_t>(m_arrived.size()));
        std::copy_n(m_arrived.begin(), *got, b);
        m_arrived.erase(m_arrived.begin(), m_arrived.begin() + *got);
        return true;
    }
    bool Write(SerialHandle h, const uint8_t* b, uint32_t n, uint32_t* put) override {
        const bool statusRead = n == 8 && b[1] == 3 && b[3] == 0;
        if (statusRead && release && !kept.empty()) {
            release = false;
            m_arrived = kept;
            *put = n;
            return true;
        }
        const bool ok = m_inner.Write(h, b, n, put);
        if (ok && statusRead && hold) {  // the simulator answers at once
            hold = false;
            kept.assign(23, 0);
            uint32_t got = 0;
            m_inner.Read(h, kept.data(), 23, &got);
            kept.resize(got);
        }
        return ok;
    }

private:
    SerialDriver& m_inner;
    std::vector<uint8_t> m_arrived;
};

// The controller keeps hole 1's finished bit until hole 2's drilling
// starts. A status answer from before that start, arriving late while hole
// 2 is drilled, is no sign that hole 2 is through.
TEST(ConsoleRunTest, StaleFinishedBitArrivingLateLeavesTheHoleDrilling) {
    sim::Config config = FastMachine();
    config.holdFinishedUntilDrill = true;
    config.drillTimeMs = 3000;
    ConsoleRig rig(config);
    LateStatusLine line(rig.driver);
    const Holes holes = Grid(3);
    rig.WriteSettings(rig.WriteJob(holes), 0);
    const auto closesFirst = rig.OpenOnLocalLine(line);
    rig.view.Click(ids::IDC_START);
    CConsoleDlg& dlg = *rig.dlg;
    ASSERT_TRUE(rig.TickUntil([&] {
        return dlg.m_nCurHole == 2 && dlg.m_nNextStep == NextStep::StartDrilling && dlg.m_bStartSent == 0;
    }));
    line.hold = true;
    ASSERT_TRUE(rig.TickUntil([&] { return dlg.m_nState == RunState::Machining; }));
    ASSERT_EQ(line.kept.size(), 23u);
    ASSERT_EQ(line.kept[5] & 0x10, 0x10);  // finished (held from hole 1)
    ASSERT_EQ(line.kept[6] & 0x01, 0);     // not drilling
    line.release = true;
    rig.Tick();
    ASSERT_FALSE(line.release);
    EXPECT_EQ(dlg.m_Hole[2].bDone, 0);
    EXPECT_EQ(dlg.m_nCurHole, 2);
    ASSERT_TRUE(rig.TickUntil([&] { return JobEnded(rig); }));
    EXPECT_EQ(FinishedAt(rig), holes);
    EXPECT_EQ(rig.machine.Drills().size(), 3u);
}

TEST(ConsoleRunTest, RestartResumesAfterTheSavedHole) {
    ConsoleRig rig;
    const Holes holes = Grid(8);
    rig.WriteSettings(rig.WriteJob(holes), 4);
    rig.Start();
    // The marks set before the first paint's load survive it.
    EXPECT_EQ(rig.dlg->m_Hole[4].bDone, 1);
    EXPECT_EQ(rig.dlg->m_Hole[5].bDone, 0);
    rig.view.Click(ids::IDC_START);
    EXPECT_EQ(rig.dlg->m_nCurHole, 5);
    ASSERT_TRUE(rig.TickUntil([&] { return JobEnded(rig); }));
    EXPECT_EQ(FinishedAt(rig), Holes(holes.begin() + 4, holes.end()));
}

// Whatever saves the settings in the middle of a hole (the axis lock here),
// Hole stays the last hole finished until the controller finishes this one.
TEST(ConsoleRunTest, ResumePointIsTheLastFinishedHole) {
    ConsoleRig rig;
    rig.WriteSettings(rig.WriteJob(Grid(3)), 0);
    rig.Start();
    rig.view.Click(ids::IDC_START);
    for (int hole = 1; hole <= 3; ++hole) {
        ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nState == RunState::Machining; }));
        rig.view.Click(ids::IDC_LOCK);
        EXPECT_EQ(SavedHole(rig), std::to_string(hole - 1));
        ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[hole].bDone == 1; }));
        EXPECT_EQ(SavedHole(rig), std::to_string(hole));
        EXPECT_EQ(rig.machine.FinishedDrills().size(), size_t(hole));
    }
}

TEST(ConsoleRunTest, StartIsIgnoredWithoutAHoleToGoTo) {
    ConsoleRig rig;
    rig.Start();  // no job
    rig.view.Click(ids::IDC_START);
    EXPECT_EQ(rig.dlg->m_nState, RunState::Idle);
    EXPECT_EQ(rig.dlg->m_nCurHole, 0);
    EXPECT_TRUE(rig.driver.WritesTo(20).empty());

    ConsoleRig done;
    done.WriteSettings(done.WriteJob(Grid(3)), 3);  // job finished before the restart
    done.Start();
    done.view.Click(ids::IDC_START);
    EXPECT_EQ(done.dlg->m_nState, RunState::Idle);
    EXPECT_EQ(done.dlg->m_nCurHole, 3);
    EXPECT_TRUE(done.driver.WritesTo(20).empty());
}

TEST(ConsoleRunTest, PauseStopsTheHoleAndStartDrillsItAgain) {
    ConsoleRig rig;
    const Holes holes = Grid(4);
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nState == RunState::Machining && rig.dlg->m_nCurHole == 2; }));
    rig.view.Click(ids::IDC_PAUSE);
    EXPECT_EQ(rig.driver.Commands().back(), 50);
    EXPECT_EQ(rig.dlg->m_nState, RunState::Idle);
    EXPECT_EQ(rig.dlg->m_bPauseReq, 1);
    // Start is allowed in state 1 only; the paused run waits.
    rig.Ticks(30);
    EXPECT_EQ(rig.machine.Drills().size(), 2u);
    EXPECT_EQ(rig.dlg->m_Hole[2].bDone, 0);
    rig.view.Click(ids::IDC_START);
    EXPECT_EQ(rig.dlg->m_nCurHole, 2);
    rig.view.Click(ids::IDC_START);  // state 2: ignored
    ASSERT_TRUE(rig.TickUntil([&] { return JobEnded(rig); }));
    const auto& drills = rig.machine.Drills();
    ASSERT_EQ(drills.size(), 5u);
    EXPECT_EQ(drills[1].end, sim::DrillEnd::Stopped);
    EXPECT_EQ(std::make_pair(drills[2].x, drills[2].y), holes[1]);  // hole 2 again, from its start
    EXPECT_EQ(FinishedAt(rig), holes);
}

TEST(ConsoleRunTest, ReservedPauseHolePausesWithTheNextHoleCurrent) {
    ConsoleRig rig;
    const Holes holes = Grid(6);
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    rig.view.SelectRow(ids::IDC_HOLE_LIST, 2);
    rig.view.Click(ids::IDC_SET_PAUSE_HOLE);
    EXPECT_EQ(rig.dlg->m_nPauseHole, 3);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[3].bDone == 1; }));
    EXPECT_EQ(rig.dlg->m_nState, RunState::Idle);
    EXPECT_EQ(rig.dlg->m_bPauseReq, 1);
    EXPECT_EQ(rig.dlg->m_nCurHole, 4);
    EXPECT_EQ(rig.view.List(ids::IDC_HOLE_LIST).curSel, 3);
    rig.Ticks(30);
    EXPECT_EQ(rig.machine.Drills().size(), 3u);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return JobEnded(rig); }));
    EXPECT_EQ(FinishedAt(rig), holes);
    EXPECT_EQ(rig.dlg->m_nPauseHole, 3);
}

TEST(ConsoleRunTest, VisitOnlyVisitsEveryHoleWithoutDrilling) {
    ConsoleRig rig;
    const Holes holes = Grid(5);
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    rig.view.Click(ids::IDC_SYNC);
    EXPECT_EQ(rig.view.Picture(ids::IDC_SYNC), res::IDB_SYNC_ON);
    rig.view.Click(ids::IDC_START);
    rig.view.Click(ids::IDC_SYNC);  // not while positioning
    EXPECT_EQ(rig.dlg->m_bSyncOnly, 1);
    ASSERT_TRUE(rig.TickUntil([&] { return JobEnded(rig); }));
    EXPECT_TRUE(rig.machine.Drills().empty());
    Holes visited;
    for (const auto& c : rig.machine.Commands())
        if (c.code == 40) visited.emplace_back(c.target[0], c.target[1]);
    EXPECT_EQ(visited, holes);
    EXPECT_EQ(rig.dlg->m_bSyncOnly, 0);
    EXPECT_EQ(rig.view.Picture(ids::IDC_SYNC), res::IDB_SYNC_OFF);
}

TEST(ConsoleRunTest, ControllerPauseRequestIsAcknowledged) {
    ConsoleRig rig;
    const Holes holes = Grid(3);
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    sim::ScriptedEvent ev;
    ev.atHole = 2;
    ev.offsetMs = 50;
    ev.pauseRequest = true;
    rig.machine.AddEvent(ev);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_bPauseReq == 1; }));
    auto cmds = rig.driver.Commands();
    ASSERT_GE(cmds.size(), 2u);
    EXPECT_EQ(std::vector<int>(cmds.end() - 2, cmds.end()), (std::vector<int>{50, 51}));
    rig.Ticks(10);  // acknowledged: no further pause
    cmds = rig.driver.Commands();
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), 51), 1);
    EXPECT_EQ(rig.dlg->m_nCurHole, 2);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return JobEnded(rig); }));
    EXPECT_EQ(FinishedAt(rig), holes);
}

TEST(ConsoleRunTest, MoveThatNeverArrivesPausesInsteadOfDrilling) {
    ConsoleRig rig;
    const Holes holes = Grid(4);
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[2].bDone == 1; }));
    rig.driver.drop = [](const SentFrame& f) { return f.IsWrite() && f.Start() == 20; };
    rig.Ticks(3);
    EXPECT_EQ(rig.dlg->m_nState, RunState::Idle);
    EXPECT_EQ(rig.dlg->m_bPauseReq, 1);
    EXPECT_EQ(rig.dlg->m_nCurHole, 3);
    rig.Ticks(30);
    EXPECT_EQ(rig.machine.HolesStarted(), 2);  // nothing drilled where the machine stood
    rig.driver.drop = nullptr;
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return JobEnded(rig); }));
    EXPECT_EQ(FinishedAt(rig), holes);
}

TEST(ConsoleRunTest, NavigationWhilePausedAndReset) {
    ConsoleRig rig;
    const Holes holes = Grid(6);
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    rig.view.Click(ids::IDC_PREV_HOLE);  // at hole 0: nothing
    EXPECT_TRUE(rig.driver.WritesTo(20).empty());
    rig.view.Click(ids::IDC_NEXT_HOLE);
    rig.view.Click(ids::IDC_NEXT_HOLE);
    EXPECT_EQ(rig.dlg->m_nCurHole, 2);
    EXPECT_EQ(rig.dlg->m_bHoleChosen, 1);
    EXPECT_EQ(rig.view.List(ids::IDC_HOLE_LIST).selHistory,
              (std::vector<int>{0, 0, 5, 0, 1, 6, 1}));  // fill, then 3 per move
    rig.view.Click(ids::IDC_PREV_HOLE);
    EXPECT_EQ(rig.dlg->m_nCurHole, 1);
    rig.view.SelectRow(ids::IDC_HOLE_LIST, 4);
    rig.view.Click(ids::IDC_SKIP_HOLE);
    EXPECT_EQ(rig.dlg->m_nCurHole, 5);
    rig.Ticks(10);
    EXPECT_EQ(rig.machine.Position(sim::Axis::X), holes[4].first);
    // Start drills hole 5, then the run goes on from there.
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[5].bDone == 1; }));
    EXPECT_EQ(FinishedAt(rig), Holes{holes[4]});
    EXPECT_EQ(SavedHole(rig), "5");

    // Reset while moving: stop-motion first, then command 50; all marks
    // cleared, Hole 0 saved, the reserved pause hole kept.
    rig.dlg->m_nPauseHole = 4;
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nState == RunState::Positioning && rig.dlg->m_bMoving == 1; }));
    rig.driver.frames.clear();
    rig.view.Click(ids::IDC_RESET);
    EXPECT_EQ(rig.driver.frames[0].Start(), 0);
    EXPECT_EQ(rig.driver.Commands(), (std::vector<int>{40, 50}));
    EXPECT_EQ(SavedHole(rig), "0");
    EXPECT_EQ(rig.dlg->m_Hole[5].bDone, 0);
    EXPECT_TRUE(JobEnded(rig));
    EXPECT_EQ(rig.dlg->m_nPauseHole, 4);
    rig.Tick();
    EXPECT_EQ(rig.view.InvalidateCount(), 1);

    // Skip with nothing selected goes to slot 0, hole 1's copy.
    rig.view.SelectRow(ids::IDC_HOLE_LIST, -1);
    rig.view.Click(ids::IDC_SKIP_HOLE);
    EXPECT_EQ(rig.dlg->m_nCurHole, 0);
    rig.Ticks(10);
    EXPECT_EQ(rig.machine.Position(sim::Axis::X), holes[0].first);
}

}  // namespace
}  // namespace ks::app::testing
