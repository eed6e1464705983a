// A controller that goes away and comes back: the run pauses at the loss
// with its reason, the console finds the controller again by itself (also
// behind a port that failed to open at start-up, and when another device
// answers behind the port name), sends its start-up commands again, and
// the job ends after one more start with every hole drilled at its place.
#include "console_rig.h"

#include "app/console_texts.h"
#include "settings/profile_file.h"

namespace ks::app::testing {
namespace {

using Holes = std::vector<std::pair<int32_t, int32_t>>;

Holes Row(int count) {
    Holes h;
    for (int i = 0; i < count; ++i) h.emplace_back(i * 1500, 700);
    return h;
}

sim::Config SlowDrill() {
    sim::Config c = FastMachine();
    c.drillTimeMs = 2000;
    return c;
}

int SavedHole(const ConsoleRig& rig) {
    return std::stoi(settings::ReadProfileString(rig.IniPath(), "FileParam Info", "Hole", "-1"));
}

// Every tick: the resume point never names a hole the controller has not
// finished (the holes are drilled in order, so hole k needs k finishes).
bool TickCheckingResumePoint(ConsoleRig& rig) {
    rig.Tick();
    const int saved = SavedHole(rig);
    EXPECT_LE(size_t(saved), rig.machine.FinishedDrills().size()) << "Hole saved ahead of the controller";
    return saved <= int(rig.machine.FinishedDrills().size());
}

// Finished drills by place: each hole once, the interrupted one at most twice.
void ExpectEachHoleDrilled(const ConsoleRig& rig, const Holes& holes, int interrupted) {
    for (size_t i = 0; i < holes.size(); ++i) {
        int times = 0;
        for (const auto& d : rig.machine.Drills()) times += (std::make_pair(d.x, d.y) == holes[i]);
        if (int(i) + 1 == interrupted) {
            EXPECT_TRUE(times == 1 || times == 2) << "hole " << i + 1 << " drilled " << times << " times";
        } else {
            EXPECT_EQ(times, 1) << "hole " << i + 1;
        }
    }
    EXPECT_EQ(rig.machine.FinishedDrills().size() >= holes.size(), true);
}

TEST(ConsoleLinkTest, LostControllerPausesTheRunAndTheJobEndsAfterItsReturn) {
    ConsoleRig rig(SlowDrill());
    const Holes holes = Row(6);
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    rig.view.Click(ids::IDC_LOCK);  // the operator locks the axes
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_nCurHole == 3 && rig.dlg->m_nState == RunState::Machining; }));

    // Switched off while hole 3 is drilled, for five seconds.
    rig.simDriver.Vanish();
    rig.simDriver.SetPresent(false);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->Link().Down(); }, 20));
    rig.Tick();
    EXPECT_EQ(rig.dlg->m_nState, RunState::Idle);
    EXPECT_EQ(rig.dlg->m_bPauseReq, 1);
    EXPECT_EQ(rig.dlg->m_nCurHole, 3);
    EXPECT_EQ(rig.dlg->m_Hole[3].bDone, 0);
    EXPECT_EQ(SavedHole(rig), 2);
    EXPECT_NE(rig.view.Text(ids::IDC_STATUS_LINE).find(kTextLinkLost), std::string::npos);
    const uint64_t goneUntil = rig.clock.NowMs() + 5000;
    while (rig.clock.NowMs() < goneUntil) ASSERT_TRUE(TickCheckingResumePoint(rig));
    EXPECT_EQ(rig.view.Text(ids::IDC_COMM_LABEL), kTextReconnecting);

    // Back: found within 1.5 s; the pause's stop that could not go out goes
    // first, then the speed and the lock again.
    rig.driver.frames.clear();
    const uint64_t back = rig.clock.NowMs();
    rig.simDriver.SetPresent(true);
    ASSERT_TRUE(rig.TickUntil([&] { return !rig.dlg->Link().Down(); }, 100));
    EXPECT_LE(rig.clock.NowMs() - back, 1500u);
    EXPECT_EQ(rig.driver.Commands(), (std::vector<int>{50, 16, 4}));
    EXPECT_EQ(rig.view.Text(ids::IDC_COMM_LABEL), CommResultText(kMbOk, 1));

    // Nothing moves until the operator starts again.
    const size_t drills = rig.machine.Drills().size();
    const int32_t x = rig.machine.Position(sim::Axis::X);
    for (int i = 0; i < 50; ++i) ASSERT_TRUE(TickCheckingResumePoint(rig));
    EXPECT_EQ(rig.machine.Drills().size(), drills);
    EXPECT_EQ(rig.machine.Position(sim::Axis::X), x);
    EXPECT_TRUE(rig.driver.WritesTo(20).empty());

    rig.view.Click(ids::IDC_START);
    for (int i = 0; i < 5000 && !rig.JobEnded(); ++i) ASSERT_TRUE(TickCheckingResumePoint(rig));
    ASSERT_TRUE(rig.JobEnded());
    ExpectEachHoleDrilled(rig, holes, 3);
}

// The controller keeps the finished bit of hole 1; the start of hole 2 is
// lost with the line. On the return that old bit is no sign that hole 2 was
// drilled: it stays to drill.
TEST(ConsoleLinkTest, StartLostWithTheLinkLeavesTheHoleToDrillOnTheReturn) {
    sim::Config config = SlowDrill();
    config.holdFinishedUntilDrill = true;
    ConsoleRig rig(config);
    const Holes holes = Row(3);
    rig.WriteSettings(rig.WriteJob(holes), 0);
    rig.Start();
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[1].bDone == 1; }));
    bool lineDead = false;
    rig.driver.drop = [&](const SentFrame& f) {
        return lineDead = lineDead || (f.IsWrite() && f.Start() == 41 && f.Word(0) == 1);
    };
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->Link().Down(); }, 100));
    rig.Ticks(50);
    rig.driver.drop = nullptr;
    ASSERT_TRUE(rig.TickUntil([&] { return !rig.dlg->Link().Down(); }, 100));
    rig.Ticks(10);
    EXPECT_EQ(rig.dlg->m_nCurHole, 2);
    EXPECT_EQ(rig.dlg->m_Hole[2].bDone, 0);
    EXPECT_EQ(SavedHole(rig), 1);
    EXPECT_EQ(rig.machine.Drills().size(), 1u);

    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }));
    EXPECT_EQ(rig.FinishedAt(), holes);
}

// The link goes down late in a tick, after the tick's own look at it: with
// the heartbeat while hole 2 is drilled, or with hole 2's start command.
// The next tick's probe finds the controller at once; the run pauses all
// the same (a lost start would otherwise leave it waiting for a drilling
// that never comes), and start carries the job on.
TEST(ConsoleLinkTest, LossLateInATickFoundAtOnceStillPausesTheRun) {
    for (const uint16_t lostWith : {43, 41}) {
        ConsoleRig rig(SlowDrill());
        const Holes holes = Row(3);
        rig.WriteSettings(rig.WriteJob(holes), 0);
        rig.Start();
        rig.view.Click(ids::IDC_START);
        ASSERT_TRUE(rig.TickUntil([&] {
            return lostWith == 43 ? rig.dlg->m_nCurHole == 2 && rig.dlg->m_nState == RunState::Machining
                                  : rig.dlg->m_Hole[1].bDone == 1;
        }));
        int lost = 0;  // three transfers in a row from the first such write
        rig.driver.drop = [&](const SentFrame& f) {
            const bool first = f.IsWrite() && f.Start() == lostWith && (lostWith != 41 || f.Word(0) == 1);
            return (lost > 0 || first) && lost++ < 3;
        };
        ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->Link().Down(); }, 100)) << lostWith;
        rig.Tick();
        EXPECT_FALSE(rig.dlg->Link().Down()) << lostWith;
        EXPECT_EQ(rig.dlg->m_bPauseReq, 1) << lostWith;
        // Paused for the loss, and the controller already back.
        EXPECT_NE(rig.view.Text(ids::IDC_STATUS_LINE).find(kTextLinkBack), std::string::npos) << lostWith;
        const size_t drills = rig.machine.Drills().size();
        rig.Ticks(30);
        EXPECT_EQ(rig.machine.Drills().size(), drills) << lostWith;

        rig.view.Click(ids::IDC_START);
        ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); })) << lostWith;
        ExpectEachHoleDrilled(rig, holes, 2);
    }
}

// Only failures in a row count against the link: three refused answers
// (a live controller answering) or losses with good answers between them
// (a noisy line) leave it up and the run going.
TEST(ConsoleLinkTest, RefusedAnswersAndLossesBetweenAnswersLeaveTheRunGoing) {
    for (bool refused : {true, false}) {
        ConsoleRig rig;
        const Holes holes = Row(3);
        rig.WriteSettings(rig.WriteJob(holes), 0);
        rig.Start();
        rig.view.Click(ids::IDC_START);
        ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[1].bDone == 1; }));
        // From here: refused, refused, refused; or lost, ok, lost, ok, lost.
        int sent = 0;
        rig.driver.drop = [&](const SentFrame&) {
            const int i = sent++;
            rig.simDriver.Link().Plan().exceptionEveryN = refused && i < 3 ? 1 : 0;
            return !refused && i < 5 && i % 2 == 0;
        };
        for (int i = 0; i < 2000 && !rig.JobEnded(); ++i) {
            rig.Tick();
            ASSERT_FALSE(rig.dlg->Link().Down()) << refused;
            ASSERT_EQ(rig.dlg->m_bPauseReq, 0) << refused;
        }
        EXPECT_EQ(rig.simDriver.Link().Counters().exceptions, refused ? 3u : 0u);
        EXPECT_EQ(rig.FinishedAt(), holes) << refused;
    }
}

// The controller comes back at any moment of the probe period, ten moments
// 100 ms apart: each return is found within 1.5 s.
TEST(ConsoleLinkTest, ReturnAtAnyMomentOfTheProbePeriodIsFoundWithinOneAndAHalfSeconds) {
    ConsoleRig rig;
    rig.Start();
    for (uint64_t phase = 0; phase < 1000; phase += 100) {
        rig.simDriver.Vanish();
        rig.simDriver.SetPresent(false);
        ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->Link().Down(); }, 20));
        const uint64_t back = rig.clock.NowMs() + 3000 + phase;
        while (rig.clock.NowMs() < back) rig.Tick();
        rig.simDriver.SetPresent(true);
        ASSERT_TRUE(rig.TickUntil([&] { return !rig.dlg->Link().Down(); }, 100));
        EXPECT_LE(rig.clock.NowMs() - back, 1500u) << "back " << 3000 + phase << " ms after the loss";
    }
}

// A port that does not open at start-up, and a controller that comes later.
TEST(ConsoleLinkTest, ControllerThatAppearsAfterTheStartIsFound) {
    ConsoleRig rig;
    const Holes holes = Row(3);
    rig.WriteSettings(rig.WriteJob(holes), 0, /*lock=*/0);
    rig.simDriver.SetPresent(false);
    rig.Start();
    EXPECT_TRUE(rig.dlg->Link().Down());
    rig.view.Click(ids::IDC_START);  // nothing to move yet: paused, with the reason
    EXPECT_EQ(rig.dlg->m_bPauseReq, 1);
    EXPECT_NE(rig.view.Text(ids::IDC_STATUS_LINE).find(kTextLinkLost), std::string::npos);
    rig.Ticks(100);
    EXPECT_EQ(rig.simDriver.OpenCount(), 0);

    const uint64_t appeared = rig.clock.NowMs();
    rig.simDriver.SetPresent(true);
    ASSERT_TRUE(rig.TickUntil([&] { return !rig.dlg->Link().Down(); }, 100));
    EXPECT_LE(rig.clock.NowMs() - appeared, 1500u);
    EXPECT_EQ(rig.driver.Commands(), (std::vector<int>{50, 16, 3}));
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }));
    EXPECT_EQ(rig.FinishedAt(), holes);
}

// The port name leads to another device after the loss (a re-plugged
// adapter, a restarted controller): the console talks to what is there now.
class TwoControllers final : public SerialDriver {
public:
    TwoControllers(SerialDriver& first, SerialDriver& second) : m_drivers{&first, &second} {}
    int current = 0;

    SerialHandle Open(const std::string& p) override {
        m_open = current;
        return At().Open(p);
    }
    bool SetLineSettings(SerialHandle h, const LineSettings& l) override { return At().SetLineSettings(h, l); }
    void SetQueueSizes(SerialHandle h, uint32_t i, uint32_t o) override { At().SetQueueSizes(h, i, o); }
    bool SetTimeouts(SerialHandle h, const CommTimeouts& t) override { return At().SetTimeouts(h, t); }
    bool Purge(SerialHandle h) override { return At().Purge(h); }
    bool Read(SerialHandle h, uint8_t* b, uint32_t n, uint32_t* got) override { return At().Read(h, b, n, got); }
    bool Write(SerialHandle h, const uint8_t* b, uint32_t n, uint32_t* put) override {
        return At().Write(h, b, n, put);
    }
    void Close(SerialHandle h) override { At().Close(h); }
    int LastError() const override { return m_drivers[m_open]->LastError(); }

private:
    SerialDriver& At() { return *m_drivers[m_open]; }
    SerialDriver* m_drivers[2];
    int m_open = 0;
};

TEST(ConsoleLinkTest, AnotherDeviceBehindThePortAfterTheLossCarriesTheJobOn) {
    ConsoleRig rig(SlowDrill());
    sim::Controller second(SlowDrill(), rig.clock.NowMs());
    sim::InProcessDriver secondDriver(second, rig.clock);
    TwoControllers line(rig.simDriver, secondDriver);
    const Holes holes = Row(4);
    rig.WriteSettings(rig.WriteJob(holes), 0);
    const auto closesFirst = rig.OpenOnLocalLine(line);
    rig.view.Click(ids::IDC_LOCK);
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->m_Hole[2].bDone == 1; }));

    rig.simDriver.Vanish();
    rig.simDriver.SetPresent(false);
    line.current = 1;
    ASSERT_TRUE(rig.TickUntil([&] { return rig.dlg->Link().Down(); }, 40));
    ASSERT_TRUE(rig.TickUntil([&] { return !rig.dlg->Link().Down(); }, 100));
    EXPECT_EQ(second.SpeedValue(), 20);  // speed level 1, sent to the new device
    EXPECT_EQ(second.Status1() & sim::kBitAxisLocked, sim::kBitAxisLocked);
    // It counts its own coordinates: start waits until the operator has set
    // X and Y as the job knows them.
    rig.view.Click(ids::IDC_START);
    EXPECT_EQ(rig.dlg->m_nState, RunState::Idle);
    EXPECT_NE(rig.view.Text(ids::IDC_STATUS_LINE).find(kTextPlaceChanged), std::string::npos);
    rig.SetXYInPositioningPanel(rig.machine.Position(sim::Axis::X), rig.machine.Position(sim::Axis::Y));
    rig.view.Click(ids::IDC_START);
    ASSERT_TRUE(rig.TickUntil([&] { return rig.JobEnded(); }));
    size_t onSecond = 0;
    for (const auto& d : second.FinishedDrills()) {
        EXPECT_EQ(std::make_pair(d.x, d.y), holes[2 + onSecond]);
        ++onSecond;
    }
    EXPECT_EQ(onSecond, 2u);
    // The console's port lives on `line`, which goes before the rig does.
    rig.view.Close();
    rig.dlg.reset();
}

}  // namespace
}  // namespace ks::app::testing
