// The console walks a 500-hole job through a line that fails at random
// (fixed seed): requests lost, answers lost, bad CRCs, answers late within
// and beyond the response time, exception answers, answers from another
// slave, noise bursts long enough to defeat the write retries, the port
// failing (the console must see the link go down), and the controller
// asking for a pause. Power cuts destroy the console between ticks, some leaving a
// stray temporary settings file as a cut during a settings write would. An
// operator resumes paused runs, sometimes pauses on a whim, and restarts the
// program when the link is gone. Every tick the drill log of the simulated
// controller and the settings file are checked (soak_support.h).
#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>

#include <gtest/gtest.h>

#include "app/console_dlg.h"
#include "res/ids.h"
#include "settings/profile_file.h"
#include "sim/controller.h"
#include "sim/in_process_driver.h"
#include "soak_support.h"

namespace ks::soak {
namespace {

namespace fs = std::filesystem;
namespace ids = ks::res::console;

enum class Fault { Ignore, Drop, Crc, Late, VeryLate, Exception, WrongSlave, Count };

const char* FaultName(Fault f) {
    switch (f) {
    case Fault::Ignore: return "request-lost";
    case Fault::Drop: return "answer-dropped";
    case Fault::Crc: return "bad-crc";
    case Fault::Late: return "late-in-time";
    case Fault::VeryLate: return "late-past-timeout";
    case Fault::Exception: return "exception";
    case Fault::WrongSlave: return "wrong-slave";
    default: return "?";
    }
}

// The line between the console and the simulated controller, failing at
// random. Each fault is carried out by the simulator's own fault plan, set
// for exactly the next request and cleared after it.
class FaultyLine final : public SerialDriver {
public:
    FaultyLine(sim::InProcessDriver& inner, std::mt19937& rng, Report& report)
        : m_inner(inner), m_rng(rng), m_report(report) {}

    double faultRate = 0.015;
    // The next n requests are all lost (noise on the line).
    void Burst(int n) { m_burst = n; }

    SerialHandle Open(const std::string& p) override { return m_inner.Open(p); }
    bool SetLineSettings(SerialHandle h, const LineSettings& l) override { return m_inner.SetLineSettings(h, l); }
    void SetQueueSizes(SerialHandle h, uint32_t i, uint32_t o) override { m_inner.SetQueueSizes(h, i, o); }
    bool SetTimeouts(SerialHandle h, const CommTimeouts& t) override { return m_inner.SetTimeouts(h, t); }
    bool Purge(SerialHandle h) override { return m_inner.Purge(h); }
    bool Read(SerialHandle h, uint8_t* b, uint32_t n, uint32_t* got) override { return m_inner.Read(h, b, n, got); }
    void Close(SerialHandle h) override { m_inner.Close(h); }

    bool Write(SerialHandle h, const uint8_t* b, uint32_t n, uint32_t* put) override {
        if (!m_inner.IsOpen()) return m_inner.Write(h, b, n, put);
        sim::FaultPlan& plan = m_inner.Link().Plan();
        const uint32_t next = m_inner.Link().Counters().requests + 1;
        std::optional<Fault> fault;
        if (m_burst > 0) {
            --m_burst;
            plan.ignoreEveryN = next;
            ++m_report.faults["noise-burst-request"];
        } else if (std::uniform_real_distribution<double>(0, 1)(m_rng) < faultRate) {
            fault = static_cast<Fault>(std::uniform_int_distribution<int>(0, int(Fault::Count) - 1)(m_rng));
            switch (*fault) {
            case Fault::Ignore: plan.ignoreEveryN = next; break;
            case Fault::Drop: plan.dropEveryN = next; break;
            case Fault::Crc: plan.corruptCrcEveryN = next; break;
            case Fault::Late: plan.delayMs = std::uniform_int_distribution<uint32_t>(20, 450)(m_rng); break;
            case Fault::VeryLate: plan.delayMs = std::uniform_int_distribution<uint32_t>(520, 1200)(m_rng); break;
            case Fault::Exception:
                plan.exceptionEveryN = next;
                plan.exceptionCode = std::uniform_int_distribution<int>(0, 1)(m_rng) ? 6 : 4;
                break;
            case Fault::WrongSlave: plan.wrongSlaveEveryN = next; break;
            default: break;
            }
            ++m_report.faults[FaultName(*fault)];
        }
        const bool ok = m_inner.Write(h, b, n, put);
        plan.ignoreEveryN = plan.dropEveryN = plan.corruptCrcEveryN = plan.exceptionEveryN = plan.wrongSlaveEveryN = 0;
        plan.delayMs = 0;
        return ok;
    }

private:
    sim::InProcessDriver& m_inner;
    std::mt19937& m_rng;
    Report& m_report;
    int m_burst = 0;
};

// The world around the console: the controller, the line and the settings
// folder stay; the program is rebuilt on every restart.
class Bench {
public:
    Bench(uint32_t seed, const fs::path& folder, bool holdFinished)
        : rng(seed),
          clock(1000),
          machine(MachineConfig(holdFinished), clock.NowMs()),
          simDriver(machine, clock),
          line(simDriver, rng, report),
          program(line, clock, folder) {}

    static sim::Config MachineConfig(bool holdFinished) {
        sim::Config c;
        c.holdFinishedUntilDrill = holdFinished;
        const char* drillText = std::getenv("KS_SOAK_DRILL_MS");
        c.drillTimeMs = drillText ? static_cast<uint32_t>(std::strtoul(drillText, nullptr, 10)) : 3000;
        return c;
    }

    Report report;
    std::mt19937 rng;
    VirtualClock clock;
    sim::Controller machine;
    sim::InProcessDriver simDriver;
    FaultyLine line;
    VirtualProgram program;
};

// A power cut during a settings write leaves the temporary file of the
// replace-by-rename behind: complete but not yet renamed, or cut short.
void LeaveStrayTempFile(const fs::path& folder, std::mt19937& rng, Report& report) {
    const std::string current = ReadBytes(folder / "KSConfig.ini");
    const std::string name = "KSConfig.ini." + std::to_string(rng() % 900000 + 100000);
    std::string bytes = current;
    if (rng() % 2 == 0 && !bytes.empty()) bytes.resize(rng() % bytes.size());
    else bytes = settings::SetProfileValue(current, "FileParam Info", "Hole", "99999");
    std::ofstream(folder / name, std::ios::binary) << bytes;
    ++report.tempLeftovers;
}

// Run against both kinds of controller: one that clears the finished bit
// with the next move, and one that keeps it until the next drilling starts.
class ConsoleSoak : public ::testing::TestWithParam<bool> {};

TEST_P(ConsoleSoak, FiveHundredHolesThroughFaultsPowerCutsAndRestarts) {
    const auto realStart = std::chrono::steady_clock::now();
    constexpr int kHoles = 500;
    const bool holdFinished = GetParam();
    const fs::path folder = SoakFolder(holdFinished ? "headless-hold" : "headless");
    const std::vector<Place> plate = Plate(kHoles, 25);
    const std::string jobPath = WriteNcJob(folder / "plate.NC", plate);
    std::ofstream(folder / "KSConfig.ini", std::ios::binary) << SettingsText(jobPath, 0);

    const uint32_t seed = SoakSeed(20261209u);
    Bench bench(seed, folder, holdFinished);
    Report& report = bench.report;
    VirtualProgram& program = bench.program;
    report.name = std::string(holdFinished ? "headless, finished bit held, seed " : "headless seed ") +
                  std::to_string(seed);
    report.holes = kHoles;
    std::mt19937& rng = bench.rng;
    auto chance = [&rng](double p) { return std::uniform_real_distribution<double>(0, 1)(rng) < p; };
    auto upTo = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

    DrillLedger ledger(plate);
    PlaceKeeper keeper(kHoles, 0);
    int lastSeenFinished = 0;
    size_t drillsSeen = 0, finishedSeen = 0;

    // Reads what the controller did since the last look.
    auto look = [&] {
        const auto& drills = bench.machine.Drills();
        for (; drillsSeen < drills.size(); ++drillsSeen)
            ledger.Drilled({drills[drillsSeen].x, drills[drillsSeen].y},
                           program.dlg ? program.dlg->m_nCurHole : -1, report);
        const auto finished = bench.machine.FinishedDrills();
        for (; finishedSeen < finished.size(); ++finishedSeen)
            ledger.Finished({finished[finishedSeen].x, finished[finishedSeen].y});
        keeper.Check(CheckSettingsFile(folder / "KSConfig.ini", jobPath, report), lastSeenFinished, ledger, report);
    };
    auto bootAndStart = [&] { BootAndStart(program, keeper, ledger, report, kHoles, look); };

    bootAndStart();
    int pausedFor = 0, vanishedFor = -1, quietFor = 0;
    bool sawLinkDown = false;
    int lastProgress = -1;
    const int kMaxTicks = 400000;
    for (report.ticks = 0; report.ticks < kMaxTicks; ++report.ticks) {
        app::CConsoleDlg& dlg = *program.dlg;
        // The last hole is saved and the run stands: the job is done (after a
        // power cut the console comes back at the last hole, not at 0).
        if (keeper.Saved() == kHoles && dlg.m_nState == RunState::Idle) break;

        const int before = dlg.m_nCurHole;
        const bool wasDone = before >= 1 && before <= kHoles && dlg.m_Hole[before].bDone == 1;
        const bool wasPaused = dlg.m_bPauseReq == 1;
        program.Tick();
        if (!wasPaused && dlg.m_bPauseReq == 1) ++report.selfPauses;
        // The console marks the current hole done when the controller finished
        // it: in the run, or on the link's return, with the run standing.
        if (before >= 1 && before <= kHoles && !wasDone && dlg.m_Hole[before].bDone == 1) lastSeenFinished = before;
        look();

        // --- The world around the console --------------------------------
        if (vanishedFor >= 0) {
            // Every tick reads the status at least once: three ticks after the
            // loss, three transfers in a row have failed and the console has
            // seen the link go down (a probe may have found it again since).
            sawLinkDown = sawLinkDown || dlg.Link().Down();
            if (++vanishedFor == 3 && !sawLinkDown) report.Violation("link not down three ticks after the line vanished");
            // The operator sees the link gone, plugs the connector back and
            // restarts the program.
            if (vanishedFor > upTo(8, 60)) {
                vanishedFor = -1;
                program.Shutdown();
                ++report.restarts;
                bootAndStart();
            }
            continue;
        }
        if (chance(1.0 / 900)) {  // power cut
            ++report.powerCuts;
            ++report.restarts;
            program.Shutdown();
            if (chance(0.5)) LeaveStrayTempFile(folder, rng, report);
            bench.clock.Advance(upTo(0, 3000));  // the controller runs on meanwhile
            look();
            bootAndStart();
            continue;
        }
        if (chance(1.0 / 2500)) {
            bench.simDriver.Vanish();
            ++report.faults["line-vanished"];
            vanishedFor = 0;
            sawLinkDown = false;
            continue;
        }
        if (chance(1.0 / 1500)) bench.line.Burst(upTo(6, 14));
        if (chance(1.0 / 2000)) {  // the controller asks the console to pause
            sim::ScriptedEvent pause;
            pause.atMs = bench.machine.NowMs() - bench.machine.StartMs() + static_cast<uint64_t>(upTo(0, 2000));
            pause.pauseRequest = true;
            bench.machine.AddEvent(pause);
            ++report.faults["controller-pause-request"];
        }

        // --- The operator ---------------------------------------------------
        app::CConsoleDlg& now = *program.dlg;
        if (now.m_nState == RunState::Idle && now.m_bPauseReq == 1) {
            if (++pausedFor > upTo(3, 25)) {
                pausedFor = 0;
                ledger.NewStretch();
                ++report.resumes;
                program.view->Click(ids::IDC_START);
                look();
            }
            continue;
        }
        pausedFor = 0;
        if (chance(1.0 / 1200)) {
            ++report.operatorPauses;
            program.view->Click(ids::IDC_PAUSE);
            look();
            continue;
        }
        // A run that waits for a drilling bit that will not come (its start
        // command was lost for good) stands still: the operator pauses it.
        const int progress = now.m_nCurHole * 8 + static_cast<int>(now.m_nState) * 2 + now.m_bDrilling;
        quietFor = progress == lastProgress ? quietFor + 1 : 0;
        lastProgress = progress;
        if (quietFor > 600) {
            quietFor = 0;
            ++report.operatorPauses;
            program.view->Click(ids::IDC_PAUSE);
            look();
        }
    }
    if (report.ticks >= kMaxTicks) report.Violation("the job did not end within the tick budget");

    ledger.CheckAllFinished(report);
    const sim::FaultCounters& c = bench.simDriver.Link().Counters();
    // The simulator's own counts of what it carried out.
    report.simCounts = " requests=" + std::to_string(c.requests) + " ignored=" + std::to_string(c.ignored) +
                       " dropped=" + std::to_string(c.dropped) + " bad-crc=" + std::to_string(c.corruptedCrc) +
                       " delayed=" + std::to_string(c.delayed) + " exceptions=" + std::to_string(c.exceptions) +
                       " wrong-slave=" + std::to_string(c.wrongSlave);
    report.machineSeconds = static_cast<double>(bench.clock.ElapsedMs()) / 1000.0;
    report.realSeconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();
    report.Print();

    EXPECT_GT(report.powerCuts, 0);
    EXPECT_GT(report.resumes, 3);
    EXPECT_EQ(report.violations.size(), 0u);
    program.Shutdown();
    std::error_code ec;
    fs::remove_all(folder, ec);
}

INSTANTIATE_TEST_SUITE_P(Controllers, ConsoleSoak, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) { return i.param ? "HoldsFinished" : "ClearsFinished"; });

}  // namespace
}  // namespace ks::soak
