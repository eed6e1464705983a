// kestrane-sim seen from outside, by an independent master (libmodbus) over
// its pseudo-terminal: the status block, a move, drilling, exceptions,
// garbage on the line, faults, reconnects and vanishing. The tests wait for
// what they expect to see, not for spans of time; how long kestrane-sim's
// delays and line pacing take is measured in bench/link/timing_bench.cpp.
#include <gtest/gtest.h>
#include <modbus.h>
#include <termios.h>

#include <cerrno>
#include <random>

#include "sim_process.h"

namespace ks::sim {
namespace {

using testing::SimProcess;

// A patient master by default: an answer that is merely slow on a busy
// machine still counts.
class Client {
public:
    explicit Client(const std::string& path, int timeoutMs = 5000) {
        m_ctx = modbus_new_rtu(path.c_str(), 57600, 'N', 8, 1);
        if (!m_ctx) return;
        modbus_set_slave(m_ctx, 1);
        SetTimeout(timeoutMs);
        m_ok = modbus_connect(m_ctx) == 0;
    }
    ~Client() {
        if (m_ctx) {
            modbus_close(m_ctx);
            modbus_free(m_ctx);
        }
    }
    bool ok() const { return m_ok; }
    void SetTimeout(int ms) {
        modbus_set_response_timeout(m_ctx, static_cast<uint32_t>(ms / 1000), static_cast<uint32_t>(ms % 1000) * 1000);
    }
    modbus_t* ctx() { return m_ctx; }
    // -1 on failure, with errno.
    int Read(int addr, int n, uint16_t* out) { return modbus_read_registers(m_ctx, addr, n, out); }
    int Write(int addr, std::vector<uint16_t> v) {
        return modbus_write_registers(m_ctx, addr, static_cast<int>(v.size()), v.data());
    }
    // A status read that gives up after `impatientMs`, then waits for the
    // answer it gave up on: the length of that late answer (-1 if none came).
    int LateAnswerLength(int impatientMs) {
        SetTimeout(impatientMs);
        uint16_t r[9];
        const bool missed = Read(0, 9, r) == -1 && errno == ETIMEDOUT;
        SetTimeout(5000);
        uint8_t answer[MODBUS_RTU_MAX_ADU_LENGTH];
        return missed ? modbus_receive_confirmation(m_ctx, answer) : -1;
    }
    // Reads the status block until the bits under `mask` of register `reg`
    // equal `want`.
    bool PollStatusUntil(int reg, uint16_t mask, uint16_t want, uint16_t* r) {
        for (int polls = 0; polls < 2000; ++polls) {
            if (Read(0, 9, r) != 9) return false;
            if ((r[reg] & mask) == want) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

private:
    modbus_t* m_ctx = nullptr;
    bool m_ok = false;
};

int32_t Pos(const uint16_t* r, int i) {
    return static_cast<int32_t>(r[i] | (static_cast<uint32_t>(r[i + 1]) << 16));
}

TEST(SimPty, MoveAndDrillSeenByLibmodbus) {
    // The move and the drilling last long enough (most of a second) for the
    // read right after each command to find them under way on a busy machine.
    SimProcess sim({"--drill-ms", "1000", "--speed-scale", "100"});
    ASSERT_TRUE(sim.LinkExists());
    Client c(sim.LinkPath());
    ASSERT_TRUE(c.ok());
    uint16_t r[9];
    ASSERT_EQ(c.Read(0, 9, r), 9);
    EXPECT_EQ(r[0], 0);
    uint16_t sig;
    ASSERT_EQ(c.Read(50, 1, &sig), 1);
    EXPECT_EQ(sig, 0);
    // X -500, Y +4000 at 6.7 mm/s: about 600 ms.
    ASSERT_EQ(c.Write(20, {0xFE0C, 0xFFFF, 4000, 0, 0, 0}), 6);
    ASSERT_EQ(c.Write(41, {40}), 1);
    ASSERT_EQ(c.Read(0, 9, r), 9);
    EXPECT_EQ(r[0] & 1, 1);
    ASSERT_TRUE(c.PollStatusUntil(0, 1, 0, r)) << "still moving";
    EXPECT_EQ(r[0] & 1, 0);
    EXPECT_EQ(Pos(r, 2), -500);
    EXPECT_EQ(Pos(r, 4), 4000);
    ASSERT_EQ(c.Write(41, {1}), 1);
    ASSERT_EQ(c.Read(1, 1, r), 1);
    EXPECT_EQ(r[0] & 0x1001, 0x0001);
    uint16_t status[9];
    ASSERT_TRUE(c.PollStatusUntil(1, 0x0001, 0, status)) << "still drilling";
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
    std::string line = sim.LinkTarget();
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
    ASSERT_TRUE(sim.WaitForFreshLine(line));
    // Random bytes straight onto the line, in bursts.
    line = sim.LinkTarget();
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
            std::this_thread::sleep_for(std::chrono::milliseconds(5));  // silences between the bursts
        }
        ::close(fd);
    }
    // A fresh line means the simulator has taken in every burst.
    ASSERT_TRUE(sim.WaitForFreshLine(line));
    ASSERT_TRUE(sim.Alive());
    Client again(sim.LinkPath());
    ASSERT_TRUE(again.ok());
    uint16_t r[9];
    EXPECT_EQ(again.Read(0, 9, r), 9);
}

TEST(SimPty, ReconnectsWorkAcrossManyClients) {
    SimProcess sim({});
    for (int i = 0; i < 5; ++i) {
        const std::string line = sim.LinkTarget();
        {
            Client c(sim.LinkPath());
            ASSERT_TRUE(c.ok()) << "client " << i;
            uint16_t r[9];
            EXPECT_EQ(c.Read(0, 9, r), 9) << "client " << i;
            EXPECT_EQ(c.Write(43, {1}), 1);
        }
        // The next client finds the line the simulator puts up for it.
        ASSERT_TRUE(sim.WaitForFreshLine(line)) << "client " << i;
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
    modbus_flush(c.ctx());
    EXPECT_EQ(c.Read(0, 9, r), -1);  // 3: busy
    EXPECT_EQ(errno, EMBXSBUSY);
}

TEST(SimPty, DelayedAndDroppedAnswersTimeOut) {
    SimProcess sim({"--delay-ms", "500", "--drop-every", "2"});
    Client c(sim.LinkPath());
    ASSERT_TRUE(c.ok());
    uint16_t r[9];
    EXPECT_EQ(c.Read(0, 9, r), 9);  // 1
    c.SetTimeout(1000);
    EXPECT_EQ(c.Read(0, 9, r), -1);  // 2: dropped
    EXPECT_EQ(errno, ETIMEDOUT);
    // 3: late, not lost - a master giving up after 20 ms misses it, and it
    // comes in afterwards.
    EXPECT_EQ(c.LateAnswerLength(20), 23);
}

TEST(SimPty, BaudEmulationPacesAnswers) {
    // 8 + 23 bytes of 10 bits at 1200 baud: about 258 ms per status read,
    // so a master giving up after 20 ms misses the answer, whole when it comes.
    SimProcess sim({"--baud", "1200"});
    Client c(sim.LinkPath());
    ASSERT_TRUE(c.ok());
    EXPECT_EQ(c.LateAnswerLength(20), 23);
    uint16_t r[9];
    EXPECT_EQ(c.Read(0, 9, r), 9);
}

TEST(SimPty, VanishesAndComesBack) {
    // Gone 1.5 s after the start: time enough for the first read even on a
    // busy machine.
    SimProcess sim({"--vanish-after", "1500", "--reappear-after", "600"});
    {
        Client c(sim.LinkPath());
        ASSERT_TRUE(c.ok());
        uint16_t r[9];
        EXPECT_EQ(c.Read(0, 9, r), 9);
        ASSERT_TRUE(sim.WaitForLink(false));
        EXPECT_EQ(c.Read(0, 9, r), -1);  // the line is dead
    }
    ASSERT_TRUE(sim.WaitForLink(true));
    Client back(sim.LinkPath());
    ASSERT_TRUE(back.ok());
    uint16_t r[9];
    EXPECT_EQ(back.Read(0, 9, r), 9);
}

}  // namespace
}  // namespace ks::sim
