#pragma once
// A real Mosquitto for the publishing tests, started on a free loopback
// port with a configuration of the test's own, and the Python subscriber
// (shop_listen.py) that hears what the console publishes.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace ks::publish::testing {

namespace fs = std::filesystem;

// Waits (really) until pred holds; false after limitMs, a limit that only
// stops a hang.
inline bool WaitFor(const std::function<bool()>& pred, int limitMs = 20000) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!pred()) {
        if (std::chrono::steady_clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

// A port nothing listens on at the moment.
inline int FreePort() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(s);
    return ntohs(a.sin_port);
}

// A socket that accepts connections (the kernel completes them into its
// backlog) and never says a word; its port in *port. Close it to make the
// port refuse connections.
inline int SilentListener(int* port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(s, 64) != 0) {
        ::close(s);
        return -1;
    }
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
    *port = ntohs(a.sin_port);
    return s;
}

inline bool Accepts(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

// A child process; killed (SIGKILL) when dropped.
class Child {
public:
    Child() = default;
    // Output to `log`. Everything is made before the fork: the publisher's
    // threads may hold the allocator's lock at that moment.
    explicit Child(const std::vector<std::string>& argv, const fs::path& log) {
        std::vector<char*> args;
        for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        const std::string logPath = log.string();
        m_pid = ::fork();
        if (m_pid == 0) {
            const int out = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            if (out >= 0) {
                ::dup2(out, 1);
                ::dup2(out, 2);
            }
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
    }
    Child(Child&& o) noexcept : m_pid(std::exchange(o.m_pid, -1)) {}
    Child& operator=(Child&& o) noexcept {
        Stop(SIGKILL);
        m_pid = std::exchange(o.m_pid, -1);
        return *this;
    }
    ~Child() { Stop(SIGKILL); }
    bool Running() const { return m_pid > 0 && ::waitpid(m_pid, nullptr, WNOHANG) == 0; }
    void Stop(int sig) {
        if (m_pid <= 0) return;
        ::kill(m_pid, sig);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
};

// Mosquitto with listener `port` on 127.0.0.1 plus the lines given; it
// keeps sessions on disk at every change, so a subscriber's session
// survives the broker being killed. It runs as the test's own user (as
// root it would otherwise become "mosquitto", who may not write the
// test's folder or read its keys).
class Broker {
public:
    Broker(fs::path dir, std::string extraConfig = "", std::string listenerOptions = "")
        : m_dir(std::move(dir)), m_extra(std::move(extraConfig)), m_listener(std::move(listenerOptions)) {
        fs::create_directories(m_dir);
    }
    int Port() const { return m_port; }
    const fs::path& Dir() const { return m_dir; }

    bool Start() {
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (m_port == 0 || attempt > 0) m_port = FreePort();
            if (StartOnPort()) return true;
        }
        return false;
    }
    // Again on the same port, with the sessions it kept.
    bool Restart() { return StartOnPort(); }
    void Kill() { m_process.Stop(SIGKILL); }

private:
    static std::string UserName() {
        const passwd* pw = ::getpwuid(::geteuid());
        return pw != nullptr ? pw->pw_name : "root";
    }
    bool StartOnPort() {
        std::ofstream(m_dir / "mosquitto.conf")
            << "per_listener_settings false\nuser " << UserName() << "\n"
            << "persistence true\npersistence_location " << m_dir.string() << "/\n"
            << "autosave_interval 1\nautosave_on_changes true\n"
            << (m_extra.find("allow_anonymous") == std::string::npos ? "allow_anonymous true\n" : "")
            << "listener " << m_port << " 127.0.0.1\n" << m_listener << m_extra;
        m_process = Child({"mosquitto", "-c", (m_dir / "mosquitto.conf").string()}, m_dir / "mosquitto.log");
        return WaitFor([this] { return Accepts(m_port) || !m_process.Running(); }, 10000) && m_process.Running();
    }

    fs::path m_dir;
    std::string m_extra;
    std::string m_listener;
    int m_port = 0;
    Child m_process;
};

// shop_listen.py listening on a broker; what it heard is in Messages().
class Subscriber {
public:
    Subscriber(const fs::path& dir, int port, const std::string& clientId = "")
        : m_out(dir / ("heard-" + std::to_string(port) + ".jsonl")), m_ready(dir / ("ready-" + std::to_string(port))) {
        std::vector<std::string> argv = {"/usr/bin/python3", KS_SHOP_LISTEN, "listen", "--port", std::to_string(port),
                                         "--out", m_out.string(), "--ready", m_ready.string()};
        if (!clientId.empty()) argv.insert(argv.end(), {"--client-id", clientId});
        fs::create_directories(dir);
        m_process = Child(argv, dir / "subscriber.log");
    }
    bool Ready() const { return WaitFor([this] { return fs::exists(m_ready); }); }
    void Stop() { m_process.Stop(SIGTERM); }
    const fs::path& Messages() const { return m_out; }
    // Lines heard so far that contain `text`.
    int CountHeard(const std::string& text) const {
        std::ifstream in(m_out);
        int n = 0;
        for (std::string line; std::getline(in, line);)
            if (line.find(text) != std::string::npos) ++n;
        return n;
    }

private:
    fs::path m_out;
    fs::path m_ready;
    Child m_process;
};

// shop_listen.py check: its summary ("key value" lines; "FAULT ..." lines
// under the key FAULT, joined) and whether it found no fault.
struct CheckResult {
    bool ok = false;
    std::map<std::string, std::string> summary;
    std::string Faults() const {
        const auto f = summary.find("FAULT");
        return f == summary.end() ? "(none told)" : f->second;
    }
};

inline CheckResult CheckHeard(const fs::path& messages, const fs::path& csv, const std::string& machine) {
    const std::string cmd = std::string("/usr/bin/python3 ") + KS_SHOP_LISTEN + " check --schemas " + KS_SHOP_SCHEMAS +
                            " --messages '" + messages.string() + "' --csv '" + csv.string() + "' --machine " + machine;
    CheckResult r;
    std::FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) return r;
    char buf[4096];
    while (std::fgets(buf, sizeof buf, p) != nullptr) {
        std::string line(buf);
        if (!line.empty() && line.back() == '\n') line.pop_back();
        const size_t space = line.find(' ');
        const std::string key = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        r.summary[key] += (r.summary[key].empty() ? "" : "\n") + value;
    }
    r.ok = ::pclose(p) == 0;
    return r;
}

}  // namespace ks::publish::testing
