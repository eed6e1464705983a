// A shift at the machine on the virtual clock: one plate of 2,600 holes,
// ten seconds of drilling each, eight hours and more of machine time.
// Meanwhile the controller is switched off now and then (5 to 60 s, every
// ten minutes on average), the USB adapter drops out a few times and comes
// back under another device path, and the console loses its power twice.
// Three times each, the link also fails at an awkward moment: while the
// operator holds a jog (released and the panel closed while it is down), as
// the operator presses pause, in a return that lasts one status read, and
// with a controller that restarts meanwhile and comes back counting from
// zero where the axes stand.
// The console has to find the controller again by itself after every loss,
// with no program restart; the operator presses start when the run stands
// paused with the link up (after setting X and Y again in the positioning
// panel when the console doubts its coordinates), and after each restart.
// Checked after every tick (soak_support.h): each drilling at the current
// hole's place on the machine table, a hole drilled again only when a cut
// or a loss came while it was drilled, Hole equal to the last hole finished
// and never ahead of the controller, each restart back at the hole after
// the one saved, the controller neither jogging nor drilling once the link
// is back, and in the end every hole drilled through.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <tuple>

#include <gtest/gtest.h>

#include "app/console_texts.h"
#include "sim/controller.h"
#include "sim/in_process_driver.h"
#include "shift_adapters.h"
#include "soak_support.h"

namespace ks::soak {
namespace {

namespace fs = std::filesystem;
namespace ids = ks::res::console;
namespace pos = ks::res::positioning;

// The awkward moments of a loss, each due while a hole is drilled.
enum class Moment { JogHeld, PauseAsTheLineFails, BriefReturn, Restarted, Count };
const char* MomentName(Moment m) {
    switch (m) {
        case Moment::JogHeld: return "jog-held";
        case Moment::PauseAsTheLineFails: return "pause-as-the-line-fails";
        case Moment::BriefReturn: return "brief-return";
        case Moment::Restarted: return "restarted-counting-from-zero";
        case Moment::Count: break;
    }
    return "?";
}

// What the operator types for a coordinate: the panel takes millimetres
// times 1000 truncated toward zero, and in binary 25.501 x 1000 comes out
// just below 25501; half a micrometre further out keeps the micrometre.
std::string TypedMillimetres(int32_t um) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", (um + (um < 0 ? -0.5 : 0.5)) / 1000.0);
    return text;
}

sim::Config TenSecondDrilling() {
    sim::Config c;
    c.drillTimeMs = 10000;
    return c;
}

TEST(ShiftSoak, EightHoursWithControllerAndAdapterLossesAndTwoCuts) {
    const auto realStart = std::chrono::steady_clock::now();
    constexpr int kHoles = 2600;
    constexpr uint64_t kMinute = 60 * 1000, kHour = 60 * kMinute;
    const fs::path folder = SoakFolder("shift");
    const std::vector<Place> plate = Plate(kHoles, 40);
    const std::string jobPath = WriteNcJob(folder / "plate.NC", plate);
    const fs::path ini = folder / "KSConfig.ini";
    std::ofstream(ini, std::ios::binary) << SettingsText(jobPath, 0);

    const uint32_t seed = SoakSeed(20260417u);
    std::mt19937 rng(seed);
    auto between = [&rng](uint64_t lo, uint64_t hi) { return std::uniform_int_distribution<uint64_t>(lo, hi)(rng); };
    // Switched off every ten minutes on average: the gaps of a Poisson stream.
    auto nextOff = [&rng](uint64_t now) {
        return now + static_cast<uint64_t>(std::exponential_distribution<double>(1.0 / (10 * kMinute))(rng));
    };

    VirtualClock clock(1000);
    sim::Controller machine(TenSecondDrilling(), clock.NowMs());
    sim::InProcessDriver firstAdapter(machine, clock), secondAdapter(machine, clock);
    Adapters adapters(firstAdapter, secondAdapter);
    VirtualProgram program(adapters, clock, folder);

    Report report;
    report.name = "shift seed " + std::to_string(seed);
    report.holes = kHoles;
    DrillLedger ledger(plate);
    PlaceKeeper keeper(kHoles, 0);
    int lastSeenFinished = 0;
    std::map<int, int> drilledTimes;   // drillings started, by hole
    std::map<int, int> mayDrillAgain;  // cuts and losses that came while the hole was drilled
    size_t drillsSeen = 0, drillsEnded = 0;
    uint64_t tick = 0;

    // Eight hours are some 300,000 ticks: the settings file is read again
    // only when a write replaced it (a new inode, time or size) or the
    // console marked another hole done; otherwise it is what the last check
    // found, and a missing file is always checked.
    std::tuple<ino_t, int64_t, off_t> fileSeen{};
    int checkedAt = -1;
    auto settingsMayHaveChanged = [&] {
        struct stat st {};
        if (::stat(ini.c_str(), &st) != 0) return true;
        const auto now = std::make_tuple(st.st_ino, int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec,
                                         st.st_size);
        if (now == fileSeen && checkedAt == lastSeenFinished) return false;
        fileSeen = now;
        checkedAt = lastSeenFinished;
        return true;
    };

    // What the controller did since the last look, and the settings file.
    auto look = [&] {
        const auto& drills = machine.Drills();
        for (; drillsSeen < drills.size(); ++drillsSeen) {
            const Place p{drills[drillsSeen].tableX, drills[drillsSeen].tableY};
            ledger.Drilled(p, program.dlg ? program.dlg->m_nCurHole : -1, report);
            const int hole = ledger.HoleAt(p);
            if (hole == 0 || drilledTimes[hole]++ == 0) continue;
            if (mayDrillAgain[hole] > 0)
                --mayDrillAgain[hole];
            else
                report.Violation("hole " + std::to_string(hole) +
                                 " drilled again, though no cut or loss came while it was drilled");
        }
        // One drilling at a time: a record ends before the next one starts.
        for (; drillsEnded < drills.size() && drills[drillsEnded].end != sim::DrillEnd::Running; ++drillsEnded) {
            const sim::DrillEnd end = drills[drillsEnded].end;
            if (end == sim::DrillEnd::Finished || end == sim::DrillEnd::Aborted)
                ledger.Finished({drills[drillsEnded].tableX, drills[drillsEnded].tableY});
        }
        if (settingsMayHaveChanged())
            keeper.Check(CheckSettingsFile(ini, jobPath, report), lastSeenFinished, ledger, report);
    };
    // A cut or a loss now: the current hole, when it has been drilled but
    // is not done, may be drilled once more.
    auto interrupted = [&] {
        const app::CConsoleDlg& dlg = *program.dlg;
        const int h = dlg.m_nCurHole;
        if (h >= 1 && h <= kHoles && dlg.m_Hole[h].bDone == 0 && drilledTimes[h] > 0) ++mayDrillAgain[h];
    };
    auto bootAndStart = [&] { BootAndStart(program, keeper, ledger, report, kHoles, look); };

    // Four adapter drops and two cuts, spread over the shift; the controller
    // goes off in between. One thing at a time: an event falls due only
    // while the link is up and the run is going.
    std::vector<uint64_t> drops, cuts;
    for (uint64_t k = 0; k < 4; ++k) drops.push_back(clock.NowMs() + between(k * 100, k * 100 + 90) * kMinute + kHour);
    cuts.push_back(clock.NowMs() + between(2 * kHour, 3 * kHour));
    cuts.push_back(clock.NowMs() + between(5 * kHour, 6 * kHour));
    size_t nextDrop = 0, nextCut = 0;
    uint64_t offAt = nextOff(clock.NowMs());
    std::vector<std::pair<uint64_t, Moment>> moments;
    for (int k = 0; k < 3; ++k)
        for (int m = 0; m < static_cast<int>(Moment::Count); ++m)
            moments.emplace_back(clock.NowMs() + between(30, 470) * kMinute, static_cast<Moment>(m));
    std::sort(moments.begin(), moments.end());
    size_t nextMoment = 0;
    std::map<Moment, int> momentsDone;
    bool briefNext = false, briefArmed = false, restartedNext = false;
    int reReferences = 0;

    auto switchOff = [&] {
        adapters.Plugged().Vanish();
        adapters.Plugged().SetPresent(false);
    };
    auto statusShows = [&](const char* text) {
        return program.view->Text(ids::IDC_STATUS_LINE).find(text) != std::string::npos;
    };
    auto tickAndLook = [&](int n) {
        for (int i = 0; i < n; ++i) {
            program.Tick();
            look();
        }
    };
    // The operator gives the axes their coordinates of the job again: where
    // they stand on the table, typed into the positioning panel.
    auto setXYAgain = [&] {
        program.view->QueueModal([&](ui::testing::FakeView& panel, ui::Dialog&) {
            panel.Type(pos::IDC_X_VALUE, TypedMillimetres(machine.TablePosition(sim::Axis::X)));
            panel.Click(pos::IDC_X_SET);
            panel.Type(pos::IDC_Y_VALUE, TypedMillimetres(machine.TablePosition(sim::Axis::Y)));
            panel.Click(pos::IDC_Y_SET);
            tickAndLook(1);
            panel.Click(res::IDOK);
        });
        program.view->Click(ids::IDC_POSITIONING);
        ++reReferences;
        if (statusShows(app::kTextPlaceChanged)) report.Violation("X and Y set again, and still in doubt");
    };
    // The operator pauses the hole, holds a jog in the positioning panel,
    // and the controller goes off under it; the button is let go and the
    // panel closed while it is off.
    auto jogHeldAsTheLineFails = [&] {
        ++report.operatorPauses;
        program.view->Click(ids::IDC_PAUSE);
        look();
        const size_t panelsBefore = program.view->ModalRuns().size();
        program.view->QueueModal([&](ui::testing::FakeView& panel, ui::Dialog&) {
            panels::CPositioningDlg& p = *program.positioning;
            p.m_nJogAxis = panels::JogAxis::X;
            p.m_bJogPositive = static_cast<uint8_t>(between(0, 1));
            p.m_bJogging = 1;
            tickAndLook(3);
            if (!machine.Jogging()) report.Violation("the jog did not start");
            switchOff();
            for (int i = 0; i < 100 && !program.dlg->Link().Down(); ++i) tickAndLook(1);
            p.m_bJogging = 0;
            tickAndLook(3);
            panel.Click(res::IDOK);
        });
        program.view->Click(ids::IDC_POSITIONING);
        if (program.view->ModalRuns().size() == panelsBefore)
            report.Violation("the paused run opened no positioning panel");
    };

    enum class Gone { Nothing, Controller, Adapter } gone = Gone::Nothing;
    uint64_t goneUntil = 0, backAt = 0, slowestReturnMs = 0, offMs = 0, lastProgressMs = 0;
    bool awaitingLink = false, toldLate = false;
    int controllerLosses = 0, adapterDrops = 0, linkDowns = 0, lostLinkPauses = 0, pausedFor = 0;
    int reaction = 0;
    size_t annotated = 0;
    bool lastDown = false;  // as the last iteration left the link

    bootAndStart();
    lastProgressMs = clock.NowMs();
    const uint64_t kMaxTicks = 1000000;
    for (; tick < kMaxTicks; ++tick) {
        app::CConsoleDlg& dlg = *program.dlg;
        if (keeper.Saved() == kHoles && dlg.m_nState == RunState::Idle) break;

        const int before = dlg.m_nCurHole;
        const bool wasDone = before >= 1 && before <= kHoles && dlg.m_Hole[before].bDone == 1;
        const bool wasPaused = dlg.m_bPauseReq == 1, wasDown = lastDown;
        program.Tick();
        const uint64_t now = clock.NowMs();
        // The console marks the current hole done when the controller
        // finished it, in the run or on the link's return.
        if (before >= 1 && before <= kHoles && !wasDone && dlg.m_Hole[before].bDone == 1) {
            lastSeenFinished = before;
            mayDrillAgain.erase(before);
            lastProgressMs = now;
        }
        look();
        if (wasDown && !dlg.Link().Down()) {
            // What ran on unseen is stopped before anything else goes out.
            if (machine.Jogging()) report.Violation("the controller still jogs once the link is back");
            if (machine.Drilling()) report.Violation("the controller still drills once the link is back");
            if (restartedNext && !statusShows(app::kTextPlaceChanged))
                report.Violation("a controller that restarted counting from zero was trusted");
            restartedNext = false;
        }
        if (!wasPaused && dlg.m_bPauseReq == 1) {
            if (program.view->Text(ids::IDC_STATUS_LINE).find(app::kTextLinkLost) != std::string::npos)
                ++lostLinkPauses;
            else
                ++report.selfPauses;
        }

        // --- The world around the console --------------------------------
        if (gone != Gone::Nothing) {
            if (now >= goneUntil) {
                if (gone == Gone::Controller)
                    adapters.Plugged().SetPresent(true);
                else
                    adapters.PlugTheOther();
                // Back for one status read: off again at the return's first write.
                adapters.offAtNextWrite = briefArmed = briefNext;
                briefNext = false;
                gone = Gone::Nothing;
                awaitingLink = true;
                toldLate = false;
                backAt = now;
            }
        } else if (awaitingLink) {
            // One probe a second finds it; a console that needed a restart
            // here would never find it at all.
            if (briefArmed && !adapters.offAtNextWrite) {
                briefArmed = false;
                awaitingLink = false;
                gone = Gone::Controller;
                goneUntil = now + between(2000, 5000);
            } else if (!dlg.Link().Down()) {
                awaitingLink = false;
                slowestReturnMs = std::max(slowestReturnMs, now - backAt);
            } else if (now - backAt > 5000 && !toldLate) {
                toldLate = true;
                report.Violation("link still down 5 s after the controller was reachable again");
            }
        } else if (!dlg.Link().Down() && dlg.m_bPauseReq == 0) {
            const uint64_t dropAt = nextDrop < drops.size() ? drops[nextDrop] : UINT64_MAX;
            const uint64_t cutAt = nextCut < cuts.size() ? cuts[nextCut] : UINT64_MAX;
            const uint64_t momentAt = nextMoment < moments.size() ? moments[nextMoment].first : UINT64_MAX;
            if (cutAt <= now && cutAt <= dropAt && cutAt <= offAt) {
                ++nextCut;
                ++report.powerCuts;
                ++report.restarts;
                interrupted();
                program.Shutdown();
                clock.Advance(between(10, 90) * 1000);  // the controller runs on meanwhile
                look();
                bootAndStart();
                lastProgressMs = clock.NowMs();
            } else if (dropAt <= now && dropAt <= offAt) {
                ++nextDrop;
                ++adapterDrops;
                interrupted();
                adapters.Pull();
                gone = Gone::Adapter;
                goneUntil = now + between(5, 60) * 1000;
            } else if (momentAt <= now && dlg.m_nState == RunState::Machining) {
                const Moment m = moments[nextMoment++].second;
                ++momentsDone[m];
                ++report.faults[MomentName(m)];
                interrupted();
                uint64_t off = between(5000, 60000);
                switch (m) {
                    case Moment::JogHeld:
                        jogHeldAsTheLineFails();
                        off = between(3000, 10000);
                        break;
                    case Moment::PauseAsTheLineFails:
                        // Its stop is the first transfer to find the line dead.
                        switchOff();
                        ++report.operatorPauses;
                        program.view->Click(ids::IDC_PAUSE);
                        if (program.dlg->m_bPauseReq == 1 && statusShows(app::kTextLinkLost)) ++lostLinkPauses;
                        off = between(2000, 6000);  // back while the hole would still drill
                        break;
                    case Moment::BriefReturn:
                        switchOff();
                        briefNext = true;
                        off = between(2000, 5000);
                        break;
                    case Moment::Restarted:
                        switchOff();
                        machine.PowerCycle();
                        restartedNext = true;
                        break;
                    case Moment::Count: break;
                }
                look();
                gone = Gone::Controller;
                goneUntil = clock.NowMs() + off;
            } else if (offAt <= now) {
                ++controllerLosses;
                interrupted();
                adapters.Plugged().Vanish();
                adapters.Plugged().SetPresent(false);
                const uint64_t off = between(5000, 60000);
                offMs += off;
                gone = Gone::Controller;
                goneUntil = now + off;
                offAt = nextOff(goneUntil);
            }
        }

        // --- The operator: start once the run stands paused, link up ------
        app::CConsoleDlg& live = *program.dlg;
        if (!live.Link().Down() && live.m_nState == RunState::Idle && live.m_bPauseReq == 1) {
            if (pausedFor++ == 0) reaction = static_cast<int>(between(3, 30));
            if (pausedFor > reaction && statusShows(app::kTextPlaceChanged)) {
                pausedFor = 0;
                setXYAgain();
            } else if (pausedFor > reaction) {
                pausedFor = 0;
                ledger.NewStretch();
                ++report.resumes;
                program.view->Click(ids::IDC_START);
                look();
            }
        } else {
            pausedFor = 0;
        }

        // Losses come in the tick and in the world's doings alike.
        if (!lastDown && live.Link().Down()) ++linkDowns;
        lastDown = live.Link().Down();

        // Where and when each violation was found.
        for (; annotated < report.violations.size(); ++annotated)
            report.violations[annotated] += " (tick " + std::to_string(tick) + ", " +
                                            std::to_string((clock.NowMs() - 1000) / 1000) + " s)";
        if (clock.NowMs() - lastProgressMs > 10 * kMinute) {
            report.Violation("no hole finished for ten minutes; current hole " +
                             std::to_string(live.m_nCurHole) + ", state " + std::to_string(static_cast<int>(live.m_nState)) +
                             ", pause " + std::to_string(live.m_bPauseReq) + ", link " +
                             (live.Link().Down() ? "down" : "up") + " (tick " + std::to_string(tick) + ")");
            break;
        }
    }
    if (tick >= kMaxTicks) report.Violation("the job did not end within the tick budget");
    ledger.CheckAllFinished(report);
    if (adapters.strayNames) report.Violation("the console opened another port name");

    report.ticks = static_cast<int>(tick);
    report.faults["controller-off"] = controllerLosses;
    report.faults["adapter-dropped"] = adapterDrops;
    report.faults["power-cut"] = report.powerCuts;
    report.simCounts = " opens through " + std::string(Adapters::kPaths[0]) + "=" +
                       std::to_string(firstAdapter.OpenCount()) + ", through " + Adapters::kPaths[1] + "=" +
                       std::to_string(secondAdapter.OpenCount()) +
                       ", holes finished=" + std::to_string(machine.HolesFinished());
    report.machineSeconds = static_cast<double>(clock.ElapsedMs()) / 1000.0;
    report.realSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();
    report.Print();
    std::printf("[soak] %s: controller off %d times, %.0f s in all; adapter dropped %d times; cuts %d; "
                "link down %d times, back at most %llu ms after the controller; pauses for a lost link %d, "
                "X and Y set again %d times, resumes %d; %.2f machine hours\n",
                report.name.c_str(), controllerLosses, offMs / 1000.0, adapterDrops, report.powerCuts, linkDowns,
                static_cast<unsigned long long>(slowestReturnMs), lostLinkPauses, reReferences, report.resumes,
                report.machineSeconds / 3600.0);
    std::fflush(stdout);

    EXPECT_GE(report.machineSeconds, 8 * 3600.0);
    EXPECT_GE(controllerLosses, 20);
    EXPECT_GE(adapterDrops, 3);
    EXPECT_GT(secondAdapter.OpenCount(), 0);
    // A controller or adapter loss never needed a program restart: the only
    // restarts are the two cuts, and each loss paused the run once.
    EXPECT_EQ(report.powerCuts, 2);
    EXPECT_EQ(report.restarts, 2);
    // The awkward moments: all came, each one a loss (a brief return two,
    // its return never seen up between them); each paused the hole under
    // way with the lost link's notice, but for the jog, where the operator
    // had paused it first.
    int awkward = 0;
    for (int m = 0; m < static_cast<int>(Moment::Count); ++m) {
        EXPECT_EQ(momentsDone[static_cast<Moment>(m)], 3) << MomentName(static_cast<Moment>(m));
        awkward += momentsDone[static_cast<Moment>(m)];
    }
    EXPECT_GE(reReferences, momentsDone[Moment::Restarted]);
    EXPECT_EQ(linkDowns, controllerLosses + adapterDrops + awkward);
    EXPECT_EQ(lostLinkPauses, controllerLosses + adapterDrops + awkward - momentsDone[Moment::JogHeld]);
    EXPECT_EQ(report.violations.size(), 0u);
    program.Shutdown();
    std::error_code ec;
    fs::remove_all(folder, ec);
}

}  // namespace
}  // namespace ks::soak
