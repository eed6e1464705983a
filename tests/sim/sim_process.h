#pragma once
// Runs kestrane-sim as a child process on a link in a fresh temporary folder.
// Waits are for conditions; their limits only keep a broken simulator from
// hanging the test.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace ks::sim::testing {

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> extraArgs) {
        char tmpl[] = "/tmp/kestrane-sim-test-XXXXXX";
        m_dir = ::mkdtemp(tmpl);
        m_link = m_dir + "/COM1";
        m_log = m_dir + "/commands.log";
        std::vector<std::string> args = {KS_SIM_EXE, "--link", m_link, "--log", m_log};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        m_pid = ::fork();
        if (m_pid == 0) {
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            int devnull = ::open("/dev/null", O_WRONLY);
            ::dup2(devnull, 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        WaitForLink(true, kGuardMs);
    }
    static constexpr int kGuardMs = 30000;
    ~SimProcess() {
        Stop();
        ::unlink(m_log.c_str());
        ::rmdir(m_dir.c_str());
    }
    // SIGTERM; returns the exit status (-1 when it did not exit normally).
    int Stop() {
        if (m_pid <= 0) return m_status;
        ::kill(m_pid, SIGTERM);
        int st = 0;
        ::waitpid(m_pid, &st, 0);
        m_pid = -1;
        m_status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        return m_status;
    }
    // A child found gone is reaped here, and never signalled again.
    bool Alive() {
        int st = 0;
        if (m_pid > 0 && ::waitpid(m_pid, &st, WNOHANG) == m_pid) {
            m_pid = -1;
            m_status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
        }
        return m_pid > 0;
    }
    bool LinkExists() const {
        struct stat st{};
        return ::lstat(m_link.c_str(), &st) == 0;
    }
    bool WaitForLink(bool present, int guardMs = kGuardMs) const {
        return WaitFor([&] { return LinkExists() == present; }, guardMs);
    }
    // The device the link points at now ("" without a link).
    std::string LinkTarget() const {
        char target[4096];
        const ssize_t n = ::readlink(m_link.c_str(), target, sizeof target - 1);
        return n > 0 ? std::string(target, static_cast<size_t>(n)) : std::string();
    }
    // After a client closed the port the simulator has read all it sent and
    // put a fresh pseudo-terminal under the link: wait for that, given the
    // device the client had.
    bool WaitForFreshLine(const std::string& old, int guardMs = kGuardMs) const {
        return WaitFor([&] { return !LinkTarget().empty() && LinkTarget() != old; }, guardMs);
    }
    std::string Log() const {
        std::ifstream f(m_log);
        std::stringstream ss;
        ss << f.rdbuf();
        return ss.str();
    }
    const std::string& LinkPath() const { return m_link; }

private:
    template <class Condition>
    static bool WaitFor(Condition done, int guardMs) {
        const auto guard = std::chrono::steady_clock::now() + std::chrono::milliseconds(guardMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > guard) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    std::string m_dir, m_link, m_log;
    pid_t m_pid = -1;
    int m_status = -1;
};

}  // namespace ks::sim::testing
