// One status-block read (slave 1, registers 0..8) over a pseudo-terminal
// against an in-process responder: our master on the POSIX driver side by
// side with libmodbus's modbus_read_registers, in the same run, alternating
// rounds so that both see the same machine load. Prints the per-exchange
// medians and their ratio (ours / libmodbus).
#include <modbus.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "link/modbus_master.h"
#include "link/posix_serial_driver.h"
#include "link/testing/pty_responder.h"

namespace {

using Steady = std::chrono::steady_clock;

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

// Microseconds per exchange over `count` exchanges, or a negative value on failure.
double RoundOurs(const std::string& path, int count) {
    ks::PosixSerialDriver driver;
    ks::CModbusMaster master(driver, ks::SystemClock::Instance());
    if (master.OpenPath(path, 57600, 8, 0, 0) != 1) return -1;
    uint8_t data[18];
    auto t0 = Steady::now();
    for (int i = 0; i < count; ++i)
        if (master.ReadHoldingRegisters(1, 0, 9, data) != ks::kMbOk) return -2;
    return std::chrono::duration<double, std::micro>(Steady::now() - t0).count() / count;
}

double RoundLibmodbus(const std::string& path, int count) {
    modbus_t* ctx = modbus_new_rtu(path.c_str(), 57600, 'N', 8, 1);
    if (ctx == nullptr) return -1;
    modbus_set_slave(ctx, 1);
    if (modbus_connect(ctx) != 0) {
        modbus_free(ctx);
        return -1;
    }
    uint16_t regs[9];
    double result = 0;
    auto t0 = Steady::now();
    for (int i = 0; i < count && result == 0; ++i)
        if (modbus_read_registers(ctx, 0, 9, regs) != 9) result = -2;
    if (result == 0) result = std::chrono::duration<double, std::micro>(Steady::now() - t0).count() / count;
    modbus_close(ctx);
    modbus_free(ctx);
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 15;
    const int perRound = argc > 2 ? std::atoi(argv[2]) : 200;
    ks::PtyResponder responder;
    if (!responder.Ok()) {
        std::fprintf(stderr, "no pseudo-terminal\n");
        return 1;
    }
    for (int r = 0; r < 9; ++r) responder.SetRegister(static_cast<uint16_t>(r), static_cast<uint16_t>(r * 1111));

    // Warm-up of both paths.
    if (RoundOurs(responder.SlavePath(), 20) < 0 || RoundLibmodbus(responder.SlavePath(), 20) < 0) {
        std::fprintf(stderr, "warm-up failed\n");
        return 1;
    }
    std::vector<double> ours, theirs;
    for (int r = 0; r < rounds; ++r) {
        // Alternate the order so neither side always runs first.
        double a, b;
        if (r % 2 == 0) {
            a = RoundOurs(responder.SlavePath(), perRound);
            b = RoundLibmodbus(responder.SlavePath(), perRound);
        } else {
            b = RoundLibmodbus(responder.SlavePath(), perRound);
            a = RoundOurs(responder.SlavePath(), perRound);
        }
        if (a < 0 || b < 0) {
            std::fprintf(stderr, "round %d failed (%g, %g)\n", r, a, b);
            return 1;
        }
        ours.push_back(a);
        theirs.push_back(b);
    }
    const double mo = Median(ours), ml = Median(theirs);
    std::printf("status block read (9 registers) over a pty, %d rounds x %d exchanges\n", rounds, perRound);
    std::printf("  CModbusMaster         median %8.1f us/exchange\n", mo);
    std::printf("  libmodbus %-10s  median %8.1f us/exchange\n", LIBMODBUS_VERSION_STRING, ml);
    std::printf("  ratio ours/libmodbus  %.3f (target <= 1.1)\n", mo / ml);
    return 0;
}
