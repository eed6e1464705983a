// Power cuts in the middle of settings writes, for real: a child process
// runs the console and saves one hole after the other (and, in some rounds,
// first creates the file from nothing); the parent kills it with SIGKILL at
// a random moment. After every kill the file must be whole, Hole must be
// the last hole the child had saved or the one it was saving, and a new
// console must come back at that hole. Most kills wait for a drawn number of
// saves to be acknowledged, so that they land among the writes however slow
// the machine is.
#include <chrono>
#include <csignal>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "app/console_dlg.h"
#include "sim/controller.h"
#include "sim/in_process_driver.h"
#include "soak_support.h"
#include "ui/testing/fake_view.h"

namespace ks::soak {
namespace {

namespace fs = std::filesystem;

// A console on the folder with its start-up done (which creates a missing
// settings file), on a silent simulated controller.
struct QuietConsole {
    explicit QuietConsole(const fs::path& folder)
        : clock(1000), machine({}, clock.NowMs()), driver(machine, clock),
          dlg(driver, clock, positioning, machining, folder.string()) {
        view.Open(dlg);
    }
    ~QuietConsole() { view.Close(); }
    VirtualClock clock;
    sim::Controller machine;
    sim::InProcessDriver driver;
    panels::CPositioningDlg positioning;
    panels::CMachiningParamDlg machining;
    ui::testing::FakeView view;
    app::CConsoleDlg dlg;
};

// The child: start the console, then save holes from..., telling the parent
// after each save that it is done. Never returns.
[[noreturn]] void SaveHolesUntilKilled(const fs::path& folder, int from, int ack) {
    QuietConsole console(folder);
    for (int hole = from;; ++hole) {
        console.dlg.m_nCurHole = hole;
        console.dlg.MarkCurrentHoleDone();
        (void)!::write(ack, &hole, sizeof hole);
    }
}

TEST(SettingsPowerCut, KilledDuringWritesTheFileStaysWholeAndKeepsThePlace) {
    const auto realStart = std::chrono::steady_clock::now();
    std::error_code ec;
    const fs::path root = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
    const fs::path folder = root / ("ks_soak_" + std::to_string(::getpid()) + "_powercut");
    fs::remove_all(folder, ec);
    fs::create_directories(folder);
    const fs::path ini = folder / "KSConfig.ini";

    Report report;
    report.name = "settings power cuts";
    std::mt19937 rng(90125u);
    int saved = 0, creations = 0, killedInCreation = 0, writesSeen = 0;
    int creationWindowUs = 4000;
    constexpr int kRounds = 120;
    for (int round = 0; round < kRounds; ++round) {
        if (round % 4 == 0) fs::remove(ini, ec);  // the very first start: no file yet
        const bool fresh = !fs::exists(ini);    // (or the last one died creating it)
        if (fresh) {
            saved = 0;
            ++creations;
        }
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            SaveHolesUntilKilled(folder, saved + 1, pipeFds[1]);
        }
        ::close(pipeFds[1]);
        int acked = saved, value = 0;
        auto takeAck = [&] {
            const bool got = ::read(pipeFds[0], &value, sizeof value) == sizeof value;
            if (got) acked = value;
            return got;
        };
        // Creation rounds die early, inside the start-up. On a loaded machine
        // (or under sanitizers) the start-up takes longer: a creation round
        // that ends without a file widens the window, one that ends with a
        // file narrows it again, so that the kills fall both inside the
        // creation and among the saves. The other rounds die a moment after
        // a drawn number of saves (none: during the start-up or the first).
        int us = 0;
        if (fresh) {
            us = std::uniform_int_distribution<int>(0, creationWindowUs)(rng);
        } else {
            const int saves = std::uniform_int_distribution<int>(0, 12)(rng);
            for (int n = 0; n < saves && takeAck(); ++n) {
            }
            us = std::uniform_int_distribution<int>(0, saves == 0 ? 20000 : 2000)(rng);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(us));
        ::kill(child, SIGKILL);
        ::waitpid(child, nullptr, 0);
        ++report.powerCuts;

        while (takeAck()) {
        }
        ::close(pipeFds[0]);
        writesSeen += acked - saved;
        if (fresh && acked == saved) ++killedInCreation;


        if (fresh) {
            creationWindowUs = fs::exists(ini) ? std::max(creationWindowUs / 2, 4000)
                                               : std::min(creationWindowUs * 2, 400000);
        }
        if (!fs::exists(ini)) {
            // Cut before the file was there: the next start creates it.
            if (!fresh || acked != saved) report.Violation("settings file gone after a kill in round " +
                                                           std::to_string(round));
            continue;
        }
        const std::optional<int> hole = CheckSettingsFile(ini, "0", report);
        if (!hole) {
            report.Violation("round " + std::to_string(round) + (fresh ? " (creating)" : "") +
                             ": the file is not whole after the kill");
            fs::remove(ini, ec);  // go on with a clean slate
            saved = 0;
            continue;
        }
        if (*hole != acked && *hole != acked + 1)
            report.Violation("Hole " + std::to_string(*hole) + " after a kill with " + std::to_string(acked) +
                             " saved");
        // The program comes back at that hole.
        QuietConsole console(folder);
        if (console.dlg.m_nCurHole != *hole)
            report.Violation("restart at hole " + std::to_string(console.dlg.m_nCurHole) + ", file says " +
                             std::to_string(*hole));
        saved = *hole;
    }
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "KSConfig.ini") ++report.tempLeftovers;
    report.realSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - realStart).count();
    std::printf("[soak] settings power cuts: %d kills (%d while creating the file, %d of those before the first "
                "save), %d saves acknowledged, %d stray temporary files left, real time %.2f s, "
                "invariant violations %zu\n",
                report.powerCuts, creations, killedInCreation, writesSeen, report.tempLeftovers, report.realSeconds,
                report.violations.size());
    for (size_t i = 0; i < report.violations.size() && i < 20; ++i)
        std::printf("[soak] settings power cuts: violation: %s\n", report.violations[i].c_str());
    std::fflush(stdout);

    EXPECT_GT(writesSeen, kRounds);  // the kills did land among the writes
    EXPECT_EQ(report.violations.size(), 0u);
    fs::remove_all(folder, ec);
}

}  // namespace
}  // namespace ks::soak
