// The soak over a real pseudo-terminal: kestrane-sim with its fault options
// (answers lost, bad CRCs, exception answers, requests lost, answers from a
// wrong slave, every answer late, the line vanishing and coming back), the
// console logic on the POSIX serial driver and the system clock, in real
// time. Power cuts end the console between ticks; the operator resumes and
// restarts. The same checks as the headless soak, from kestrane-sim's
// command log and the settings file.
//
// The seed (printed; KS_SOAK_SEED reruns one) picks the simulator's fault
// rates and the places in the job where the power fails, so a seed cuts at
// the same holes however fast the machine is. Nothing ends the run by the
// clock: it goes on while the console gets on with the job, and fails when
// the saved hole stands still for far more ticks than any hole takes.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "app/console_dlg.h"
#include "link/posix_serial_driver.h"
#include "platform/program_folder.h"
#include "res/ids.h"
#include "soak_support.h"
#include "ui/testing/fake_view.h"

namespace ks::soak {
namespace {

namespace fs = std::filesystem;
namespace ids = ks::res::console;
using SteadyClock = std::chrono::steady_clock;

constexpr uint32_t kDrillMs = 150;

// kestrane-sim as a child process, its link COM1 and its command log in a
// fresh folder; its closing report (stderr) is kept.
class SimChild {
public:
    explicit SimChild(const std::vector<std::string>& options) {
        char tmpl[] = "/tmp/ks-soak-pty-XXXXXX";
        m_dir = ::mkdtemp(tmpl);
        std::vector<std::string> args = {KS_SIM_EXE, "--link", Link(), "--log", LogPath()};
        args.insert(args.end(), options.begin(), options.end());
        started = SteadyClock::now();
        m_pid = ::fork();
        if (m_pid == 0) {
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            int err = ::open((m_dir + "/sim.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(err, 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        for (int i = 0; i < 3000 && !LinkThere() && Alive(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ~SimChild() {
        Stop();
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    void Stop() {
        if (m_pid <= 0) return;
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
    // A child found gone is reaped here, and never signalled again.
    bool Alive() {
        if (m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == m_pid) m_pid = -1;
        return m_pid > 0;
    }
    bool LinkThere() const {
        struct stat st {};
        return ::lstat(Link().c_str(), &st) == 0;
    }
    std::string Link() const { return m_dir + "/COM1"; }
    std::string LogPath() const { return m_dir + "/commands.log"; }
    const std::string& Dir() const { return m_dir; }
    std::string ClosingReport() const {
        std::string err = ReadBytes(m_dir + "/sim.err");
        size_t at = err.rfind("requests");
        if (at == std::string::npos) return "";
        size_t begin = err.rfind('\n', at);
        size_t end = err.find('\n', at);
        return err.substr(begin == std::string::npos ? 0 : begin + 1, end - (begin == std::string::npos ? 0 : begin + 1));
    }
    // Model milliseconds now, from above: the model starts a little after
    // the fork.
    uint64_t ModelNowMs() const {
        return static_cast<uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - started).count());
    }
    SteadyClock::time_point started;

private:
    std::string m_dir;
    pid_t m_pid = -1;
};

// kestrane-sim's command log, read as it grows: "<ms> <code> <name> k=v...".
struct LogEntry {
    uint64_t ms = 0;
    int code = 0;
    bool refused = false;
    std::map<std::string, int64_t> kv;
};

class LogReader {
public:
    explicit LogReader(std::string path) : m_path(std::move(path)) {}
    // Complete lines added since the last call.
    std::vector<LogEntry> Next() {
        std::vector<LogEntry> out;
        const std::string bytes = ReadBytes(m_path);
        while (m_offset < bytes.size()) {
            const size_t nl = bytes.find('\n', m_offset);
            if (nl == std::string::npos) break;
            std::istringstream line(bytes.substr(m_offset, nl - m_offset));
            m_offset = nl + 1;
            LogEntry e;
            std::string name, word;
            line >> e.ms >> e.code >> name;
            while (line >> word) {
                size_t eq = word.find('=');
                if (word == "refused") e.refused = true;
                else if (eq != std::string::npos) e.kv[word.substr(0, eq)] = AtoiRule(word.substr(eq + 1));
            }
            out.push_back(e);
        }
        return out;
    }

private:
    std::string m_path;
    size_t m_offset = 0;
};

// The console as a program: panels, window and console, rebuilt on restart.
struct Program {
    Program(PosixSerialDriver& driver, const fs::path& settings)
        : dlg(driver, SystemClock::Instance(), positioning, machining, settings.string()) {
        view.Open(dlg);
        dlg.OnPaint();
    }
    ~Program() { view.Close(); }
    void Tick() {
        std::this_thread::sleep_for(std::chrono::milliseconds(view.TimerPeriod(ids::TIMER_STATUS).value_or(60)));
        view.FireTimer(ids::TIMER_STATUS);
    }
    panels::CPositioningDlg positioning;
    panels::CMachiningParamDlg machining;
    ui::testing::FakeView view;
    app::CConsoleDlg dlg;
};

// Where the power fails: at a hole, in a state of the run (1 between steps,
// 2 positioning, 3 drilling), each place once.
struct Cut {
    int hole;
    RunState state;
};

std::vector<Cut> CutPlan(std::mt19937& rng, int holes) {
    std::vector<Cut> plan;
    for (int hole = 2; hole < holes; ++hole)
        if (std::uniform_int_distribution<int>(0, 5)(rng) == 0)
            plan.push_back({hole, static_cast<RunState>(std::uniform_int_distribution<int>(1, 3)(rng))});
    return plan;
}

TEST(ConsolePtySoak, JobOverAPseudoTerminalWithSimulatorFaults) {
    const auto realStart = SteadyClock::now();
    constexpr int kHoles = 26;
    const uint32_t seed = SoakSeed(4711u);
    SCOPED_TRACE("rerun with KS_SOAK_SEED=" + std::to_string(seed));
    std::mt19937 rng(seed);
    auto every = [&rng](int from, int to) { return std::to_string(std::uniform_int_distribution<int>(from, to)(rng)); };
    // Every hole costs the sequencer's 1000 ms pause before drilling and each
    // failed write 1000 ms more; the fault rates keep the run near a minute.
    // The line vanishes 15 s in, well before the job can be done.
    const std::vector<std::string> faults = {
        "--drop-every", every(80, 120),        "--corrupt-every", every(110, 150),
        "--exception-every", every(130, 170),  "--ignore-every", every(150, 190),
        "--wrong-slave-every", every(170, 210), "--delay-ms", "3", "--vanish-after", "15000",
        "--reappear-after", "800"};
    std::vector<std::string> options = {"--drill-ms", std::to_string(kDrillMs), "--speed-scale", "6000"};
    options.insert(options.end(), faults.begin(), faults.end());
    std::vector<Cut> cuts = CutPlan(rng, kHoles);
    std::string plan;
    for (const std::string& o : faults) plan += " " + o;
    plan += "; power cuts at hole/state";
    for (const Cut& c : cuts) plan += " " + std::to_string(c.hole) + "/" + std::to_string(static_cast<int>(c.state));
    std::printf("[soak] pty seed %u:%s\n", seed, plan.c_str());
    SimChild sim(options);
    ASSERT_TRUE(sim.LinkThere()) << "kestrane-sim did not come up";
    const std::string savedFolder = ProgramFolder();
    SetProgramFolder(sim.Dir());  // where COM1 is looked up

    std::error_code ec;
    const fs::path settings = (fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::path(sim.Dir())) /
                              ("ks_soak_" + std::to_string(::getpid()) + "_pty");
    fs::remove_all(settings, ec);
    fs::create_directories(settings);
    const std::vector<Place> plate = Plate(kHoles, 10);
    const std::string jobPath = WriteNcJob(settings / "plate.NC", plate);
    std::ofstream(settings / "KSConfig.ini", std::ios::binary) << SettingsText(jobPath, 0);

    Report report;
    report.name = "pty seed " + std::to_string(seed);
    report.holes = kHoles;

    PosixSerialDriver driver;
    std::unique_ptr<Program> program;
    DrillLedger ledger(plate);
    PlaceKeeper keeper(kHoles, 0);
    LogReader log(sim.LogPath());
    struct Pending {
        Place at;
        uint64_t startMs;
    };
    std::vector<Pending> drilling;  // drillings whose end is not yet known
    int lastSeenFinished = 0;

    auto look = [&] {
        for (const LogEntry& e : log.Next()) {
            if (e.code == 1 && !e.refused) {
                const Place at{static_cast<int32_t>(e.kv.at("x")), static_cast<int32_t>(e.kv.at("y"))};
                ledger.Drilled(at, program ? program->dlg.m_nCurHole : -1, report);
                drilling.push_back({at, e.ms});
            } else if (e.code == 50 || e.code == 12) {
                // A stop ends a drilling early (not through); an abort ends it.
                for (auto it = drilling.begin(); it != drilling.end();) {
                    if (e.ms < it->startMs + kDrillMs) {
                        if (e.code == 12) ledger.Finished(it->at);
                        it = drilling.erase(it);
                    } else {
                        ++it;
                    }
                }
            }
        }
        const uint64_t now = sim.ModelNowMs();
        for (auto it = drilling.begin(); it != drilling.end();) {
            if (now >= it->startMs + kDrillMs) {
                ledger.Finished(it->at);
                it = drilling.erase(it);
            } else {
                ++it;
            }
        }
        keeper.Check(CheckSettingsFile(settings / "KSConfig.ini", jobPath, report), lastSeenFinished, ledger, report);
    };
    auto bootAndStart = [&] {
        program = std::make_unique<Program>(driver, settings);
        if (program->dlg.m_nCurHole != keeper.Saved())
            report.Violation("restart came back at hole " + std::to_string(program->dlg.m_nCurHole));
        look();
        ledger.NewStretch();
        program->view.Click(ids::IDC_START);
        if (keeper.Saved() < kHoles && program->dlg.m_nCurHole != keeper.Saved() + 1)
            report.Violation("start after a restart went to hole " + std::to_string(program->dlg.m_nCurHole));
        look();
    };
    auto restart = [&](bool powerCut) {
        program.reset();
        ++report.restarts;
        if (powerCut) ++report.powerCuts;
        bootAndStart();
    };

    bootAndStart();
    int pausedFor = 0, linkDownFor = 0, quietFor = 0, lastProgress = -1;
    bool cutWhileDrilling = false;
    // A hole takes about five ticks here; one that the operator has to
    // pause and resume (after 80 quiet ticks) fewer than a hundred.
    constexpr int kStallTicks = 300;
    int stalledFor = 0, savedBefore = keeper.Saved();
    for (;;) {
        app::CConsoleDlg& dlg = program->dlg;
        // The last hole is saved and the run stands: the job is done (after a
        // power cut the console comes back at the last hole, not at 0).
        if (keeper.Saved() == kHoles && dlg.m_nState == RunState::Idle) break;
        stalledFor = keeper.Saved() == savedBefore ? stalledFor + 1 : 0;
        savedBefore = keeper.Saved();
        if (stalledFor > kStallTicks || !sim.Alive()) break;
        const int before = dlg.m_nCurHole;
        const bool wasDone = before >= 1 && before <= kHoles && dlg.m_Hole[before].bDone == 1;
        const bool wasPaused = dlg.m_bPauseReq == 1;
        program->Tick();
        if (!wasPaused && dlg.m_bPauseReq == 1) ++report.selfPauses;
        ++report.ticks;
        // The console marks the current hole done when the controller finished
        // it: in the run, or on the link's return, with the run standing.
        if (before >= 1 && before <= kHoles && !wasDone && dlg.m_Hole[before].bDone == 1) lastSeenFinished = before;
        look();

        // The link is gone (the operator sees the label stay red): once the
        // connector is back, restart the program.
        linkDownFor = dlg.m_wCommResult != 0 ? linkDownFor + 1 : 0;
        if (linkDownFor >= 2 && sim.LinkThere()) {
            linkDownFor = 0;
            restart(false);
            continue;
        }
        // Power cuts: where the plan puts them, and once for certain while a
        // hole is being drilled (that hole is drilled again after the restart).
        auto planned = std::find_if(cuts.begin(), cuts.end(), [&](const Cut& c) {
            return c.hole == dlg.m_nCurHole && c.state == dlg.m_nState;
        });
        if (planned != cuts.end() || (!cutWhileDrilling && dlg.m_nState == RunState::Machining && dlg.m_nCurHole > kHoles / 3)) {
            if (planned != cuts.end()) cuts.erase(planned);
            cutWhileDrilling = cutWhileDrilling || dlg.m_nState == RunState::Machining;
            restart(true);
            continue;
        }
        if (dlg.m_nState == RunState::Idle && dlg.m_bPauseReq == 1) {
            if (++pausedFor > 3) {
                pausedFor = 0;
                ledger.NewStretch();
                ++report.resumes;
                program->view.Click(ids::IDC_START);
                look();
            }
            continue;
        }
        pausedFor = 0;
        const int progress = dlg.m_nCurHole * 8 + static_cast<int>(dlg.m_nState) * 2 + dlg.m_bDrilling;
        quietFor = progress == lastProgress ? quietFor + 1 : 0;
        lastProgress = progress;
        if (quietFor > 80) {
            quietFor = 0;
            ++report.operatorPauses;
            program->view.Click(ids::IDC_PAUSE);
            look();
        }
    }
    const bool ended = keeper.Saved() == kHoles && program->dlg.m_nState == RunState::Idle;
    if (!ended)
        report.Violation(std::string(sim.Alive() ? "the job stood still" : "kestrane-sim died") + " at hole " +
                         std::to_string(keeper.Saved()));
    program.reset();
    // The drillings still under way run to their end.
    for (int i = 0; i < 1000 && !drilling.empty() && sim.Alive(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        look();
    }
    ledger.CheckAllFinished(report);
    sim.Stop();
    report.realSeconds = std::chrono::duration<double>(SteadyClock::now() - realStart).count();
    report.machineSeconds = report.realSeconds;
    report.simCounts = " " + sim.ClosingReport();
    // Every answer leaves 3 ms late ("delayed" in the closing report); the
    // faults proper are the rest.
    for (const char* kind : {"ignored", "exceptions", "dropped", "wrong slave", "bad CRC", "vanished"}) {
        const std::string& text = report.simCounts;
        size_t at = text.find(std::string(" ") + kind);
        if (at == std::string::npos) continue;
        size_t begin = text.rfind(' ', at - 1);
        report.faults[kind] = static_cast<uint64_t>(AtoiRule(text.substr(begin + 1, at - begin - 1)));
    }
    report.Print();
    SetProgramFolder(savedFolder);
    fs::remove_all(settings, ec);

    EXPECT_TRUE(ended);
    EXPECT_TRUE(cutWhileDrilling);
    EXPECT_GE(report.redrills, 1);
    EXPECT_GT(report.faults["dropped"], 0u);
    EXPECT_EQ(report.faults["vanished"], 1u);
    EXPECT_EQ(report.violations.size(), 0u);
}

}  // namespace
}  // namespace ks::soak
