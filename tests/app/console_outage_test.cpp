// The link fails in the middle of something: a jog released while it is
// down, pause pressed as the line fails, a return cut short by its own
// writes, and a controller that restarted meanwhile. Nothing may run on
// unseen once the controller answers again, and nothing is drilled relative
// to coordinates the controller made up on its restart.
#include "console_rig.h"

#include "app/console_texts.h"

namespace ks::app::testing {
namespace {

using Holes = std::vector<std::pair<int32_t, int32_t>>;

const Holes kRow = {{0, 700}, {1500, 700}, {3000, 700}, {4500, 700}};

sim::Config Drilling(uint32_t ms) {
    sim::Config c = FastMachine();
    c.drillTimeMs = ms;
    return c;
}

// The cabinet switched off: the line breaks and the port cannot be opened.
void SwitchOff(ConsoleRig& rig) {
    rig.simDriver.Vanish();
    rig.simDriver.SetPresent(false);
}

// Five seconds without the controller, then it is there again and found.
bool OffForAWhileThenBack(ConsoleRig& rig) {
    const uint64_t until = rig.clock.NowMs() + 5000;
    while (rig.clock.NowMs() < until) rig.Tick();
    rig.driver.frames.clear();
    rig.simDriver.SetPresent(true);
    return rig.TickUntil([&] { return !rig.dlg->Link().Down(); }, 200);
}

bool Shows(const ConsoleRig& rig, const char* text) {
    return rig.view.Text(ids::IDC_STATUS_LINE).find(text) != std::string::npos;
}

void RunToHoleTwoDrilling(ConsoleRig& rig, bool lockAxes = false) {
    rig.WriteSettings(rig.WriteJob(kRow, "row.NC"), 0);
    rig.Start();
    if (lockAxes) rig.view.Click(ids::IDC_LOCK);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nCurHole == 2 && rig.dlg->m_nState == RunState::Machining; }));
}

// Position in frames of the first frame at or after `from` that matches.
size_t FirstFrom(const std::vector<SentFrame>& frames, size_t from, const std::function<bool(const SentFrame&)>& is) {
    for (size_t i = from; i < frames.size(); ++i)
        if (is(frames[i])) return i;
    return frames.size();
}

TEST(ConsoleOutageTest, JogReleasedWhileTheLinkIsDownIsStoppedOnItsReturn) {
    ConsoleRig rig;
    rig.Start();
    rig.view.QueueModal([&](ui::testing::FakeView& panel, ui::Dialog&) {
        rig.positioning.m_nSpeedMode = 2;
        rig.positioning.m_nJogAxis = panels::JogAxis::X;
        rig.positioning.m_bJogPositive = 1;
        rig.positioning.m_bJogging = 1;
        rig.Tick();
        ASSERT_TRUE(rig.machine.Jogging());
        SwitchOff(rig);
        ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->Link().Down(); }, 40));
        rig.positioning.m_bJogging = 0;  // released: the stop cannot go out
        rig.Ticks(3);
        panel.Click(res::IDOK);
    });
    rig.view.Click(ids::IDC_POSITIONING);
    EXPECT_TRUE(rig.machine.Jogging());
    ASSERT_TRUE(OffForAWhileThenBack(rig));
    EXPECT_FALSE(rig.machine.Jogging());
    ASSERT_FALSE(rig.driver.Commands().empty());
    EXPECT_EQ(rig.driver.Commands().front(), 23);  // before the speed and the lock
    const int32_t x = rig.machine.Position(sim::Axis::X);
    rig.Ticks(30);
    EXPECT_EQ(rig.machine.Position(sim::Axis::X), x);
}

TEST(ConsoleOutageTest, PausePressedAsTheLineFailsStaysPausedAndItsStopGoesOutFirstOnReturn) {
    ConsoleRig rig(Drilling(20000));
    RunToHoleTwoDrilling(rig);
    SwitchOff(rig);
    rig.view.Click(ids::IDC_PAUSE);  // its command 50 is what finds the line dead
    EXPECT_TRUE(rig.dlg->Link().Down());
    rig.Tick();
    EXPECT_EQ(rig.dlg->m_bPauseReq, 1);
    EXPECT_TRUE(Shows(rig, kTextLinkLost)) << rig.view.Text(ids::IDC_STATUS_LINE);
    EXPECT_TRUE(rig.machine.Drilling());
    ASSERT_TRUE(OffForAWhileThenBack(rig));
    EXPECT_FALSE(rig.machine.Drilling());
    // The stop, a status read that shows it done, then the speed.
    const auto& f = rig.driver.frames;
    const size_t stop =
        FirstFrom(f, 0, [](const SentFrame& s) { return s.IsWrite() && s.Start() == 41 && s.Word(0) == 50; });
    const size_t read = FirstFrom(f, stop, [](const SentFrame& s) { return s.bytes[1] == 3 && s.Start() == 0; });
    const size_t speed = FirstFrom(f, 0, [](const SentFrame& s) { return s.IsWrite() && s.Start() == 62; });
    EXPECT_LT(stop, read);
    EXPECT_LT(read, speed);
    EXPECT_LT(speed, f.size());
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }, 20000));
    EXPECT_EQ(rig.FinishedAt(), kRow);
}

TEST(ConsoleOutageTest, ReturnCutShortByItsOwnWritesKeepsTheStopForTheNextReturn) {
    ConsoleRig rig(Drilling(30000));
    RunToHoleTwoDrilling(rig);
    SwitchOff(rig);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->Link().Down(); }, 40));
    rig.Tick();
    ASSERT_EQ(rig.dlg->m_bPauseReq, 1);
    // Back for a moment: the status read is answered, every write after it
    // is lost, and the link goes down again in the return's own writes.
    const uint64_t until = rig.clock.NowMs() + 5000;
    while (rig.clock.NowMs() < until) rig.Tick();
    rig.driver.frames.clear();
    rig.driver.drop = [](const SentFrame& f) { return f.IsWrite(); };
    rig.simDriver.SetPresent(true);
    auto writesLost = [&] {
        for (const auto& f : rig.driver.frames)
            if (f.dropped) return true;
        return false;
    };
    ASSERT_TRUE(rig.TickUntil([&] { return writesLost() && rig.dlg->Link().Down(); }, 200));
    EXPECT_TRUE(rig.machine.Drilling());
    rig.driver.drop = nullptr;
    ASSERT_TRUE(rig.TickUntil([&] { return !rig.dlg->Link().Down(); }, 200));
    EXPECT_FALSE(rig.machine.Drilling());
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }, 30000));
    EXPECT_EQ(rig.FinishedAt(), kRow);
}

// Switched off and on while hole 2 drills: the controller counts from zero
// where the axes stand, and has forgotten the lock.
TEST(ConsoleOutageTest, ControllerRestartedDuringTheLossIsNotTrustedUntilXAndYAreSetAgain) {
    ConsoleRig rig(Drilling(2000));
    RunToHoleTwoDrilling(rig, /*lockAxes=*/true);
    SwitchOff(rig);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->Link().Down(); }, 40));
    rig.machine.PowerCycle();
    ASSERT_EQ(rig.machine.Position(sim::Axis::X), 0);
    ASSERT_TRUE(OffForAWhileThenBack(rig));
    rig.Ticks(6);

    // The lock as the operator had it, and its picture with it.
    EXPECT_NE(rig.machine.Status1() & sim::kBitAxisLocked, 0);
    EXPECT_EQ(rig.view.Picture(ids::IDC_LOCK), res::IDB_LOCKED);

    EXPECT_TRUE(Shows(rig, kTextPlaceChanged)) << rig.view.Text(ids::IDC_STATUS_LINE);
    rig.driver.frames.clear();
    rig.view.Click(ids::IDC_START);
    rig.Ticks(30);
    EXPECT_TRUE(rig.driver.WritesTo(20).empty());
    EXPECT_EQ(rig.dlg->m_nState, RunState::Idle);
    EXPECT_TRUE(Shows(rig, kTextPlaceChanged));

    // The operator gives the axes their coordinates of the job again.
    rig.SetXYInPositioningPanel(rig.machine.TablePosition(sim::Axis::X), rig.machine.TablePosition(sim::Axis::Y));
    EXPECT_FALSE(Shows(rig, kTextPlaceChanged));
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }));
    Holes onTable;
    for (const auto& d : rig.machine.FinishedDrills()) onTable.emplace_back(d.tableX, d.tableY);
    EXPECT_EQ(onTable, kRow);

    std::ifstream in(rig.folder / "records" / "row.csv", std::ios::binary);
    const std::string record{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    EXPECT_NE(record.find(",2,1.500,0.700,,,,paused,position-changed\r\n"), std::string::npos) << record;
}

}  // namespace
}  // namespace ks::app::testing
