// kestrane-sim seen from outside, by an independent master (libmodbus) over
// its pseudo-terminal: the status block, a move, drilling, exceptions,
// garbage on the line, faults, reconnects and vanishing.
#include <gtest/gtest.h>
#include <modbus.h>
#include <termios.h>

#include <cerrno>
#include <random>

#include "sim_process.h"

namespace ks::sim {
namespace {

using testing::SimProcess;

class Client {
public:
    explicit Client(const std::string& path, int timeoutMs = 500) {
        m_ctx = modbus_new_rtu(path.c_str(), 57600, 'N', 8, 1);
        if (!m_ctx) return;
        modbus_set_slave(m_ctx, 1);
        modbus_set_response_timeout(m_ctx, 0, static_cast<uint32_t>(timeoutMs) * 1000);
        m_ok = modbus_connect(m_ctx) == 0;
    }
    ~Client() {
        if (m_ctx) {
            modbus_close(m_ctx);
            modbus_free(m_ctx);
        }
    }
    bool ok() const { return m_ok; }
    modbus_t* ctx() { return m_ctx; }
    // -1 on failure, with errno.
    int Read(int addr, int n, uint16_t* out) { return modbus_read_registers(m_ctx, addr, n, out); }
    int Write(int addr, std::vector<uint16_t> v) {
        return modbus_write_registers(m_ctx, addr, static_cast<int>(v.size()), v.data());
    }

private:
    modbus_t* m_ctx = nullptr;
    bool m_ok = false;
};

int32_t Pos(const uint16_t* r, int i) {
    return static_cast<int32_t>(r[i] | (static_cast<uint32_t>(r[i + 1]) << 16));
}

void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

TEST(SimPty, MoveAndDrillSeenByLibmodbus) {
    SimProcess sim({"--drill-ms", "300", "--speed-scale", "300"});
    ASSERT_TRUE(sim.LinkExists());
    Client c(sim.LinkPath());
    ASSERT_TRUE(c.ok());
    uint16_t r[9];
    ASSERT_EQ(c.Read(0, 9, r), 9);
    EXPECT_EQ(r[0], 0);
    uint16_t sig;
    ASSERT_EQ(c.Read(50, 1, &sig), 1);
    EXPECT_EQ(sig, 0);
    // X -500, Y +4000 at 20 mm/s: about 200 ms.
    ASSERT_EQ(c.Write(20, {0xFE0C, 0xFFFF, 4000, 0, 0, 0}), 6);
    ASSERT_EQ(c.Write(41, {40}), 1);
    ASSERT_EQ(c.Read(0, 9, r), 9);
    EXPECT_EQ(r[0] & 1, 1);
    int polls = 0;
    while ((r[0] & 1) && polls++ < 100) {
        Sleep(20);
        ASSERT_EQ(c.Read(0, 9, r), 9);
    }
    EXPECT_EQ(r[0] & 1, 0);
    EXPECT_EQ(Pos(r, 2), -500);
    EXPECT_EQ(Pos(r, 4), 4000);
    ASSERT_EQ(c.Write(41, {1}), 1);
    ASSERT_EQ(c.Read(1, 1, r), 1);
    EXPECT_EQ(r[0] & 0x1001, 0x0001);
    Sleep(500);
    ASSERT_EQ(c.Read(1, 1, r), 1);
    EXPECT_EQ(r[0] & 0x1001, 0x1000);
    EXPECT_EQ(sim.Stop(), 0);
    EXPECT_FALSE(sim.LinkExists());  // removed on exit
    const std::string log = sim.Log();
    EXPECT_NE(log.find(" 40 move dx=-500 dy=4000 dz=0 -> x=-500 y=4000 z=0\n"), std::string::npos) << log;
    EXPECT_NE(log.find(" 1 drill hole=1 x=-500 y=4000 z=0\n"), std::string::npos) << log;
}

TEST(SimPty, IllegalRequestsAndGarbageNeverStopIt) {
    SimProcess sim({});
    {
        Client c(sim.LinkPath());
        ASSERT_TRUE(c.ok());
        uint16_t r[125];
        EXPECT_EQ(c.Read(126, 5, r), -1);
        EXPECT_EQ(errno, EMBXILADD);
        EXPECT_EQ(modbus_read_input_registers(c.ctx(), 0, 2, r), -1);
        EXPECT_EQ(errno, EMBXILFUN);
        EXPECT_EQ(c.Write(41, {2}), -1);  // no such command
        EXPECT_EQ(errno, EMBXILVAL);
        EXPECT_EQ(c.Read(0, 125, r), 125);
    }
    // Random bytes straight onto the line, in bursts.
    Sleep(100);
    {
        int fd = ::open(sim.LinkPath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
        std::mt19937 rng(7);
        for (int burst = 0; burst < 40; ++burst) {
            uint8_t junk[300];
            size_t n = rng() % sizeof junk;
            for (size_t i = 0; i < n; ++i) junk[i] = static_cast<uint8_t>(rng());
            if (n > 1 && burst % 2) junk[0] = 1;
            ASSERT_EQ(::write(fd, junk, n), static_cast<ssize_t>(n));
            Sleep(5);
        }
        ::close(fd);
    }
    Sleep(100);
    ASSERT_TRUE(sim.Alive());
    Client again(sim.LinkPath());
    ASSERT_TRUE(again.ok());
    uint16_t r[9];
    EXPECT_EQ(again.Read(0, 9, r), 9);
}

TEST(SimPty, ReconnectsWorkAcrossManyClients) {
    SimProcess sim({});
    for (int i = 0; i < 5; ++i) {
        Sleep(50);
        Client c(sim.LinkPath());
        ASSERT_TRUE(c.ok()) << "client " << i;
        uint16_t r[9];
        EXPECT_EQ(c.Read(0, 9, r), 9) << "client " << i;
        EXPECT_EQ(c.Write(43, {1}), 1);
    }
}

TEST(SimPty, FaultOptionsShowOnTheLine) {
    SimProcess sim({"--corrupt-every", "2", "--exception-every", "3", "--exception-code", "6"});
    Client c(sim.LinkPath());
    ASSERT_TRUE(c.ok());
    uint16_t r[9];
    EXPECT_EQ(c.Read(0, 9, r), 9);   // 1
    EXPECT_EQ(c.Read(0, 9, r), -1);  // 2: bad CRC
    EXPECT_EQ(errno, EMBBADCRC);
    Sleep(50);
    modbus_flush(c.ctx());
    EXPECT_EQ(c.Read(0, 9, r), -1);  // 3: busy
    EXPECT_EQ(errno, EMBXSBUSY);
}

TEST(SimPty, DelayedAndDroppedAnswersTimeOut) {
    SimProcess sim({"--delay-ms", "300", "--drop-every", "2"});
    Client c(sim.LinkPath(), 1000);
    ASSERT_TRUE(c.ok());
    uint16_t r[9];
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(c.Read(0, 9, r), 9);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(ms, 290);
    EXPECT_EQ(c.Read(0, 9, r), -1);
    EXPECT_EQ(errno, ETIMEDOUT);
}

TEST(SimPty, BaudEmulationPacesAnswers) {
    // 8 + 23 bytes of 10 bits at 1200 baud: about 258 ms per status read.
    SimProcess sim({"--baud", "1200"});
    Client c(sim.LinkPath(), 1000);
    ASSERT_TRUE(c.ok());
    uint16_t r[9];
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(c.Read(0, 9, r), 9);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_GE(ms, 255);
    EXPECT_LT(ms, 900);
}

TEST(SimPty, VanishesAndComesBack) {
    SimProcess sim({"--vanish-after", "600", "--reappear-after", "600"});
    {
        Client c(sim.LinkPath());
        ASSERT_TRUE(c.ok());
        uint16_t r[9];
        EXPECT_EQ(c.Read(0, 9, r), 9);
        ASSERT_TRUE(sim.WaitForLink(false, 2000));
        EXPECT_EQ(c.Read(0, 9, r), -1);  // the line is dead
    }
    ASSERT_TRUE(sim.WaitForLink(true, 3000));
    Sleep(50);
    Client back(sim.LinkPath());
    ASSERT_TRUE(back.ok());
    uint16_t r[9];
    EXPECT_EQ(back.Read(0, 9, r), 9);
}

}  // namespace
}  // namespace ks::sim
