// A shift at the machine on the virtual clock: one plate of 2,600 holes,
// ten seconds of drilling each, eight hours and more of machine time.
// Meanwhile the controller is switched off now and then (5 to 60 s, every
// ten minutes on average), the USB adapter drops out a few times and comes
// back under another device path, and the console loses its power twice.
// The console has to find the controller again by itself after every loss,
// with no program restart; the operator only presses start when the run
// stands paused with the link up, and after each restart. Checked after
// every tick (soak_support.h): each drilling at the current hole's place,
// a hole drilled again only when a cut or a loss came while it was
// drilled, Hole equal to the last hole finished and never ahead of the
// controller, each restart back at the hole after the one saved, and in
// the end every hole drilled through.
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
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
            const Place p{drills[drillsSeen].x, drills[drillsSeen].y};
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
                ledger.Finished({drills[drillsEnded].x, drills[drillsEnded].y});
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

    enum class Gone { Nothing, Controller, Adapter } gone = Gone::Nothing;
    uint64_t goneUntil = 0, backAt = 0, slowestReturnMs = 0, offMs = 0, lastProgressMs = 0;
    bool awaitingLink = false, toldLate = false;
    int controllerLosses = 0, adapterDrops = 0, linkDowns = 0, lostLinkPauses = 0, pausedFor = 0;
    int reaction = 0;
    size_t annotated = 0;

    bootAndStart();
    lastProgressMs = clock.NowMs();
    const uint64_t kMaxTicks = 1000000;
    for (; tick < kMaxTicks; ++tick) {
        app::CConsoleDlg& dlg = *program.dlg;
        if (keeper.Saved() == kHoles && dlg.m_nState == RunState::Idle) break;

        const int before = dlg.m_nCurHole;
        const bool wasDone = before >= 1 && before <= kHoles && dlg.m_Hole[before].bDone == 1;
        const bool wasPaused = dlg.m_bPauseReq == 1, wasDown = dlg.Link().Down();
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
        if (!wasDown && dlg.Link().Down()) ++linkDowns;
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
                gone = Gone::Nothing;
                awaitingLink = true;
                toldLate = false;
                backAt = now;
            }
        } else if (awaitingLink) {
            // One probe a second finds it; a console that needed a restart
            // here would never find it at all.
            if (!dlg.Link().Down()) {
                awaitingLink = false;
                slowestReturnMs = std::max(slowestReturnMs, now - backAt);
            } else if (now - backAt > 5000 && !toldLate) {
                toldLate = true;
                report.Violation("link still down 5 s after the controller was reachable again");
            }
        } else if (!dlg.Link().Down() && dlg.m_bPauseReq == 0) {
            const uint64_t dropAt = nextDrop < drops.size() ? drops[nextDrop] : UINT64_MAX;
            const uint64_t cutAt = nextCut < cuts.size() ? cuts[nextCut] : UINT64_MAX;
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
            if (pausedFor > reaction) {
                pausedFor = 0;
                ledger.NewStretch();
                ++report.resumes;
                program.view->Click(ids::IDC_START);
                look();
            }
        } else {
            pausedFor = 0;
        }

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
                "resumes %d; %.2f machine hours\n",
                report.name.c_str(), controllerLosses, offMs / 1000.0, adapterDrops, report.powerCuts, linkDowns,
                static_cast<unsigned long long>(slowestReturnMs), lostLinkPauses, report.resumes,
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
    EXPECT_EQ(linkDowns, controllerLosses + adapterDrops);
    EXPECT_EQ(lostLinkPauses, controllerLosses + adapterDrops);
    EXPECT_EQ(report.violations.size(), 0u);
    program.Shutdown();
    std::error_code ec;
    fs::remove_all(folder, ec);
}

}  // namespace
}  // namespace ks::soak
