// How long the line really waits, where the tests only count waits:
//
//  - the POSIX driver's time-outs over a pseudo-terminal (a silent read, the
//    gap that ends a read short, the master's response time-out on a silent
//    slave and on an exception answer), each against poll() on the same
//    line for the nominal time, measured in the same run;
//  - the master's wait for a late answer: a read right after a time-out on
//    a silent slave, against poll() and against libmodbus's link recovery
//    (which sleeps a response time-out and flushes after each time-out) on
//    the same line;
//  - kestrane-sim's pacing (--delay-ms, --baud) seen by libmodbus, against
//    the same read from an unpaced simulator in the same run.
//
// Prints medians and ratios: a driver wait / the plain poll() (about 1.0
// means the driver adds nothing to the time-out it was given), and a paced
// answer's extra time / the extra time asked for (about 1.0 means the
// simulator paces as told).
//   link_timing_bench [ROUNDS]
#include <fcntl.h>
#include <modbus.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "link/crc16.h"
#include "link/modbus_master.h"
#include "link/posix_serial_driver.h"
#include "link/testing/pty_responder.h"

namespace {

using Steady = std::chrono::steady_clock;

// `before` runs untimed ahead of each round.
double MedianMs(int rounds, const std::function<void()>& f, const std::function<void()>& before = nullptr) {
    std::vector<double> ms;
    for (int r = 0; r < rounds; ++r) {
        if (before) before();
        const auto t0 = Steady::now();
        f();
        ms.push_back(std::chrono::duration<double, std::milli>(Steady::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

// poll() on the line for `ms` with nothing arriving: what any wait costs here.
double PollBaseline(const std::string& path, int ms, int rounds) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ::tcflush(fd, TCIOFLUSH);  // a held half left on the line would end the poll at once
    const double t = MedianMs(rounds, [&] {
        pollfd p{fd, POLLIN, 0};
        ::poll(&p, 1, ms);
    });
    ::close(fd);
    return t;
}

// One wait of the driver against poll() for the time it should take.
void Row(const std::string& path, int rounds, const char* what, int nominal, double measured) {
    const double baseline = PollBaseline(path, nominal, rounds);
    std::printf("  %-48s nominal %4d ms  median %7.1f ms  ratio to poll() %.3f\n", what, nominal, measured,
                measured / baseline);
}

// A read on a silent slave by libmodbus with a 500 ms response time-out
// and its link recovery, back to back; negative when the line does not open.
double LibmodbusSilentReadMs(const std::string& path, int rounds) {
    modbus_t* ctx = modbus_new_rtu(path.c_str(), 57600, 'N', 8, 1);
    if (ctx == nullptr) return -1;
    modbus_set_slave(ctx, 1);
    modbus_set_response_timeout(ctx, 0, 500000);
    modbus_set_error_recovery(ctx, MODBUS_ERROR_RECOVERY_LINK);
    double ms = -1;
    if (modbus_connect(ctx) == 0) {
        uint16_t r[9];
        ms = MedianMs(rounds, [&] { modbus_read_registers(ctx, 0, 9, r); });
        modbus_close(ctx);
    }
    modbus_free(ctx);
    return ms;
}

int DriverWaits(int rounds) {
    ks::PtyResponder responder;
    if (!responder.Ok()) return std::fprintf(stderr, "no pseudo-terminal\n"), 1;
    const std::string& path = responder.SlavePath();
    std::printf("POSIX driver over a pseudo-terminal, 57600 baud, %d rounds\n", rounds);

    ks::PosixSerialDriver driver;
    {
        ks::CSerialPort port(driver);
        if (port.OpenDevice(path, 57600, 8, 0, 0) != 1) return std::fprintf(stderr, "open failed\n"), 1;
        uint8_t buf[50];
        const double read = MedianMs(rounds, [&] { port.ReadBytes(buf, 50); });
        Row(path, rounds, "silent read of 50 bytes (50 x 1 + 100)", 150, read);
    }
    {
        const ks::SerialHandle h = driver.Open(path);
        driver.SetLineSettings(h, ks::LineSettings{});
        driver.SetTimeouts(h, ks::CommTimeouts{10, 0, 0, 0, 0});
        responder.SetMode(ks::PtyResponder::Mode::kHeldSplit);
        uint8_t req[8] = {1, 3, 0, 0, 0, 9};
        ks::AppendCrc(req, 6);
        uint8_t buf[23];
        const double gap = MedianMs(rounds, [&] {
            uint32_t n = 0;
            driver.Purge(h);
            driver.Write(h, req, 8, &n);
            driver.Read(h, buf, 23, &n);
            responder.ReleaseHeldHalf();
        });
        driver.Close(h);
        responder.SetMode(ks::PtyResponder::Mode::kAnswer);
        // The first half is in at once; the read then waits out the gap.
        Row(path, rounds, "read ended by the 10 ms gap after a half answer", 10, gap);
    }
    ks::CModbusMaster master(driver, ks::SystemClock::Instance());
    if (master.OpenPath(path, 57600, 8, 0, 0) != 1) return std::fprintf(stderr, "open failed\n"), 1;
    uint8_t data[18];
    // The 500 ms response time-out is judged after whole reads: five reads
    // of 2 bytes (102 ms) after the exception's five bytes, five reads of 23
    // bytes (123 ms) on a silent slave.
    const double exception = MedianMs(rounds, [&] { master.ReadHoldingRegisters(1, 200, 1, data); });
    Row(path, rounds, "exception answer judged at the time-out", 510, exception);
    responder.SetMode(ks::PtyResponder::Mode::kSilent);
    // Each read follows a failed one: rested, it is judged by its own
    // time-out; back to back, it first waits out the 500 ms in which a late
    // answer to the one before would be dropped.
    const auto read = [&] { master.ReadHoldingRegisters(1, 0, 9, data); };
    const double silent = MedianMs(rounds, read, [] { std::this_thread::sleep_for(std::chrono::milliseconds(500)); });
    Row(path, rounds, "silent slave: response time-out (line rested)", 615, silent);
    const double again = MedianMs(rounds, read);
    Row(path, rounds, "silent slave: the read right after a time-out", 1115, again);
    master.ClosePort();  // the line is opened exclusively
    const double theirs = LibmodbusSilentReadMs(path, rounds);
    if (theirs < 0) return std::fprintf(stderr, "libmodbus could not open the line\n"), 1;
    std::printf("  %-48s median %7.1f ms  ours / libmodbus %.3f\n", "libmodbus 500 ms, link recovery, back to back", theirs,
                again / theirs);
    return 0;
}

#ifdef KS_SIM_EXE
// kestrane-sim with the given options on a link in a folder of its own.
class Sim {
public:
    explicit Sim(std::vector<std::string> options) {
        char tmpl[] = "/tmp/ks-timing-bench-XXXXXX";
        m_dir = ::mkdtemp(tmpl);
        std::vector<std::string> args = {KS_SIM_EXE, "--link", Link()};
        args.insert(args.end(), options.begin(), options.end());
        m_pid = ::fork();
        if (m_pid == 0) {
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        struct stat st {};
        for (int i = 0; i < 3000 && ::lstat(Link().c_str(), &st) != 0; ++i) ::usleep(10000);
    }
    ~Sim() {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        ::rmdir(m_dir.c_str());
    }
    std::string Link() const { return m_dir + "/COM1"; }

private:
    std::string m_dir;
    pid_t m_pid = -1;
};

// Median of a status read (9 registers) by libmodbus; negative on failure.
double SimReadMs(const std::vector<std::string>& options, int rounds) {
    Sim sim(options);
    modbus_t* ctx = modbus_new_rtu(sim.Link().c_str(), 57600, 'N', 8, 1);
    if (ctx == nullptr) return -1;
    modbus_set_slave(ctx, 1);
    modbus_set_response_timeout(ctx, 5, 0);
    double ms = -1;
    uint16_t r[9];
    if (modbus_connect(ctx) == 0 && modbus_read_registers(ctx, 0, 9, r) == 9) {
        bool ok = true;
        ms = MedianMs(rounds, [&] { ok = ok && modbus_read_registers(ctx, 0, 9, r) == 9; });
        if (!ok) ms = -1;
        modbus_close(ctx);
    }
    modbus_free(ctx);
    return ms;
}

int SimPacing(int rounds) {
    std::printf("kestrane-sim pacing seen by libmodbus, %d rounds\n", rounds);
    const double plain = SimReadMs({}, rounds);
    const double delayed = SimReadMs({"--delay-ms", "300"}, rounds);
    const double paced = SimReadMs({"--baud", "1200"}, rounds);
    if (plain < 0 || delayed < 0 || paced < 0) return std::fprintf(stderr, "a simulator read failed\n"), 1;
    // 8 + 23 bytes of 10 bits at 1200 baud.
    const double wire = 31 * 10 * 1000.0 / 1200;
    std::printf("  %-48s median %8.2f ms\n", "unpaced status read (baseline)", plain);
    std::printf("  %-48s median %8.2f ms  extra / asked %.3f\n", "--delay-ms 300", delayed, (delayed - plain) / 300);
    std::printf("  %-48s median %8.2f ms  extra / asked %.3f\n", "--baud 1200 (258 ms on the wire)", paced,
                (paced - plain) / wire);
    return 0;
}
#endif

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 9;
    int rc = DriverWaits(rounds);
#ifdef KS_SIM_EXE
    if (rc == 0) rc = SimPacing(rounds);
#endif
    return rc;
}
