// kestrane-sim: the simulated machine controller on a pseudo-terminal.
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "sim/controller.h"
#include "sim/pty_server.h"
#include "sim/sim_link.h"
#include "sim/sim_options.h"
#include "res/version.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

void WriteLogLine(const ks::sim::CommandRecord& r, void* user) {
    auto* f = static_cast<std::FILE*>(user);
    std::fprintf(f, "%s\n", ks::sim::FormatCommandRecord(r).c_str());
    std::fflush(f);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--version") {
        std::printf("kestrane-sim %.*s\n", static_cast<int>(ks::res::kVersion.size()), ks::res::kVersion.data());
        return 0;
    }
    ks::sim::SimOptions opt;
    std::string error;
    if (!ks::sim::ParseSimOptions(args, &opt, &error)) {
        std::fprintf(stderr, "kestrane-sim: %s\n\n%s", error.c_str(), ks::sim::SimUsage());
        return 2;
    }
    if (opt.help) {
        std::fputs(ks::sim::SimUsage(), stdout);
        return 0;
    }

    std::FILE* log = nullptr;
    if (!opt.logPath.empty()) {
        log = std::fopen(opt.logPath.c_str(), "w");
        if (!log) {
            std::perror(opt.logPath.c_str());
            return 1;
        }
    }

    ks::sim::Controller machine(opt.config, 0);
    for (const auto& ev : opt.events) machine.AddEvent(ev);
    if (log) machine.SetCommandListener(&WriteLogLine, log);
    ks::sim::SimLink link(machine, opt.faults);

    ks::sim::PtyServerSettings settings;
    settings.linkPath = opt.linkPath;
    settings.baud = opt.baud;
    settings.gapMs = opt.gapMs;
    settings.reappearAfterMs = opt.reappearAfterMs;
    settings.verbose = opt.verbose;
    ks::sim::PtyServer server(link, settings);

    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    if (!server.Start(&error)) {
        std::fprintf(stderr, "kestrane-sim: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "kestrane-sim: slave 1 on %s (%s)\n", opt.linkPath.c_str(),
                 server.SlaveName().c_str());
    server.Run(&g_stop);
    server.Shutdown();

    const ks::sim::FaultCounters& n = link.Counters();
    std::fprintf(stderr,
                 "kestrane-sim: %u requests, %llu commands, %d holes finished; faults: "
                 "%u ignored, %u exceptions, %u dropped, %u wrong slave, %u bad CRC, %u delayed, "
                 "%u vanished\n",
                 n.requests, static_cast<unsigned long long>(machine.CommandCount()),
                 machine.HolesFinished(), n.ignored, n.exceptions, n.dropped, n.wrongSlave,
                 n.corruptedCrc, n.delayed, n.vanished);
    // A controller switched off forgets its coordinates; whoever sets them
    // again after the restart needs to know where the axes were left.
    std::fprintf(stderr, "kestrane-sim: axes stood at x=%d y=%d z=%d um\n", machine.Position(ks::sim::Axis::X),
                 machine.Position(ks::sim::Axis::Y), machine.Position(ks::sim::Axis::Z));
    if (log) std::fclose(log);
    return 0;
}
