// The real POSIX driver over a pseudo-terminal pair, with a Modbus slave on
// the other side. Nothing here is timed: a read that must end by itself gets
// no time-out that could end it instead, the slave holds bytes back until
// the test lets them go, and a master that must wait out its response
// time-out runs on a virtual clock moved only by the driver's counted waits.
// How long the driver's waits really take is measured in
// bench/link/timing_bench.cpp.
#include <gtest/gtest.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "link/modbus_master.h"
#include "link/port_error.h"
#include "link/posix_serial_driver.h"
#include "link/testing/counting_driver.h"
#include "link/testing/pty_responder.h"
#include "link_test_util.h"

namespace ks {
namespace {

class LinkPtyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(responder.Ok()); }

    // Runs a read that only its bytes (or their absence) can end. A read
    // that is still blocked after a generous guard fails the test instead
    // of hanging it: the line is hung up under it.
    template <class Read>
    bool EndsByItself(Read&& read) {
        auto done = std::async(std::launch::async, std::forward<Read>(read));
        if (done.wait_for(std::chrono::seconds(30)) == std::future_status::ready) return done.get();
        responder.Hangup();
        done.wait();
        ADD_FAILURE() << "the read never ended";
        return false;
    }

    PtyResponder responder;
    PosixSerialDriver driver;
    VirtualClock clock;
    CountingDriver counted{driver, &clock};
};

TEST_F(LinkPtyTest, ReadsAndWritesRegistersThroughTheMaster) {
    responder.SetRegister(2, 0xFE0C);
    responder.SetRegister(3, 0xFFFF);
    responder.SetRegister(8, 77);
    CModbusMaster master(driver, SystemClock::Instance());
    ASSERT_EQ(master.OpenPath(responder.SlavePath(), 57600, 8, 0, 0), 1);
    uint8_t data[18] = {};
    ASSERT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbOk);
    EXPECT_EQ(data[4], 0xFE);
    EXPECT_EQ(data[5], 0x0C);
    EXPECT_EQ(data[17], 77);

    const uint8_t cmd[2] = {0, 50};
    ASSERT_EQ(master.WriteMultipleRegisters(1, 41, 1, cmd), kMbOk);
    EXPECT_EQ(responder.Register(41), 50);
}

TEST_F(LinkPtyTest, ExceptionAnswerComesBackAfterTheResponseTimeOut) {
    CModbusMaster master(counted, clock);
    ASSERT_EQ(master.OpenPath(responder.SlavePath(), 57600, 8, 0, 0), 1);
    uint8_t data[2];
    const uint64_t before = clock.NowMs();
    EXPECT_EQ(master.ReadHoldingRegisters(1, 200, 1, data), 0x8002);
    // The five bytes were in with the first read; the master read on until
    // its 500 ms were over before it judged them.
    EXPECT_GT(clock.NowMs() - before, 500u);
}

TEST_F(LinkPtyTest, SilentLineReturnsNothingAfterTheTotalTimeOut) {
    CSerialPort port(driver);
    ASSERT_EQ(port.OpenDevice(responder.SlavePath(), 57600, 8, 0, 0), 1);
    uint8_t buf[50];
    EXPECT_EQ(port.ReadBytes(buf, 50), 0u);
    EXPECT_TRUE(port.IsOpen());
    // The time-out left the line as it was: the next request gets its answer.
    const test::Bytes req = test::WithCrc({1, 3, 0, 0, 0, 9});
    ASSERT_EQ(port.WriteBytes(req.data(), 8), 8u);
    uint32_t got = 0;
    for (int i = 0; i < 100 && got < 23; ++i) got += port.ReadBytes(buf + got, 23 - got);
    EXPECT_EQ(got, 23u);
    EXPECT_TRUE(CrcMatches(buf, 21));
}

TEST_F(LinkPtyTest, CompleteAnswerReturnsAsSoonAsItsLastByteIsIn) {
    // No time-out at all: only "all bytes in" can end this read.
    SerialHandle h = driver.Open(responder.SlavePath());
    ASSERT_NE(h, kInvalidSerialHandle);
    ASSERT_TRUE(driver.SetLineSettings(h, LineSettings{}));
    ASSERT_TRUE(driver.SetTimeouts(h, CommTimeouts{0, 0, 0, 0, 0}));
    const test::Bytes req = test::WithCrc({1, 3, 0, 0, 0, 9});
    uint32_t put = 0;
    ASSERT_TRUE(driver.Write(h, req.data(), 8, &put));
    ASSERT_EQ(put, 8u);
    uint8_t buf[23];
    uint32_t got = 0;
    ASSERT_TRUE(EndsByItself([&] { return driver.Read(h, buf, 23, &got); }));
    EXPECT_EQ(got, 23u);
    EXPECT_TRUE(CrcMatches(buf, 21));
    driver.Close(h);
}

TEST_F(LinkPtyTest, InterByteGapEndsAReadShortAndTheMasterCarriesOn) {
    responder.SetMode(PtyResponder::Mode::kHeldSplit);
    SerialHandle h = driver.Open(responder.SlavePath());
    ASSERT_NE(h, kInvalidSerialHandle);
    ASSERT_TRUE(driver.SetLineSettings(h, LineSettings{}));
    // No total time-out: only the gap after the first half can end this read.
    ASSERT_TRUE(driver.SetTimeouts(h, CommTimeouts{10, 0, 0, 0, 0}));
    const test::Bytes req = test::WithCrc({1, 3, 0, 0, 0, 9});
    uint32_t put = 0;
    ASSERT_TRUE(driver.Write(h, req.data(), 8, &put));
    uint8_t buf[23];
    uint32_t got = 0;
    ASSERT_TRUE(EndsByItself([&] { return driver.Read(h, buf, 23, &got); }));
    EXPECT_EQ(got, 11u);  // the first half; the second is held back
    driver.Close(h);
    // The second half lands on the line now; the next open purges it.
    ASSERT_TRUE(responder.ReleaseHeldHalf());

    // The master's answer comes in two halves as well, the second let go
    // as soon as the slave holds it.
    CModbusMaster master(counted, clock);
    ASSERT_EQ(master.OpenPath(responder.SlavePath(), 57600, 8, 0, 0), 1);
    bool released = false;
    std::thread release([&] { released = responder.ReleaseHeldHalf(); });
    uint8_t data[18];
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbOk);
    release.join();
    EXPECT_TRUE(released);
}

TEST_F(LinkPtyTest, SilentSlaveGivesResponseTimeOut) {
    responder.SetMode(PtyResponder::Mode::kSilent);
    CModbusMaster master(counted, clock);
    ASSERT_EQ(master.OpenPath(responder.SlavePath(), 57600, 8, 0, 0), 1);
    uint8_t data[18];
    const uint64_t before = clock.NowMs();
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbResponseTimeout);
    EXPECT_GT(clock.NowMs() - before, 500u);  // gave up only after its time-out
    EXPECT_TRUE(master.IsOpen());
}

TEST_F(LinkPtyTest, OpenIsExclusiveAndAClosedPortCanBeReopened) {
    PosixSerialDriver other;
    CSerialPort first(driver);
    CSerialPort second(other);
    ASSERT_EQ(first.OpenDevice(responder.SlavePath(), 57600, 8, 0, 0), 1);
    EXPECT_EQ(second.OpenDevice(responder.SlavePath(), 57600, 8, 0, 0), 0);
    EXPECT_FALSE(second.IsOpen());
    // Even the same driver cannot open it twice.
    EXPECT_EQ(driver.Open(responder.SlavePath()), kInvalidSerialHandle);
    first.ClosePort();
    EXPECT_EQ(second.OpenDevice(responder.SlavePath(), 57600, 8, 0, 0), 1);
    second.ClosePort();
    EXPECT_EQ(first.OpenDevice(responder.SlavePath(), 57600, 8, 0, 0), 1);
}

TEST_F(LinkPtyTest, OtherLineSettingsAreAcceptedOnAPseudoTerminal) {
    CSerialPort port(driver);
    EXPECT_EQ(port.OpenDevice(responder.SlavePath(), 9600, 7, 2, 2), 1);
    EXPECT_EQ(port.OpenDevice(responder.SlavePath(), 115200, 8, 1, 0), 1);
    // Framing no UART has is refused cleanly.
    EXPECT_EQ(port.OpenDevice(responder.SlavePath(), 57600, 9, 0, 0), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.OpenDevice(responder.SlavePath(), 12345, 8, 0, 0), 0);
    EXPECT_EQ(port.OpenDevice(responder.SlavePath(), 57600, 8, 0, 0), 1);
}

TEST_F(LinkPtyTest, MissingDeviceFailsCleanly) {
    CSerialPort port(driver);
    EXPECT_EQ(port.OpenDevice("/dev/kestrane-no-such-port", 57600, 8, 0, 0), 0);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(LinkPtyTest, EveryRefusalLeavesItsReason) {
    EXPECT_EQ(driver.Open("/dev/kestrane-no-such-port"), kInvalidSerialHandle);
    EXPECT_EQ(driver.LastError(), ENOENT);
    char plain[] = "/tmp/ks_plain_XXXXXX";
    const int fd = ::mkstemp(plain);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(driver.Open(plain), kInvalidSerialHandle);  // opens, but is no tty
    EXPECT_EQ(driver.LastError(), ENOTTY);
    ::unlink(plain);

    SerialHandle h = driver.Open(responder.SlavePath());
    ASSERT_NE(h, kInvalidSerialHandle);
    PosixSerialDriver other;
    EXPECT_EQ(other.Open(responder.SlavePath()), kInvalidSerialHandle);
    // EBUSY from open for a user, EWOULDBLOCK from flock for root.
    EXPECT_EQ(ClassifyOpenErrno(other.LastError()), PortOpenError::Busy) << other.LastError();

    LineSettings nine;
    nine.byteSize = 9;
    EXPECT_FALSE(driver.SetLineSettings(h, nine));
    EXPECT_EQ(driver.LastError(), EINVAL);
    const SerialHandle stranger = h + 100;
    EXPECT_FALSE(driver.SetTimeouts(stranger, CommTimeouts{}));
    EXPECT_EQ(driver.LastError(), EBADF);
    ASSERT_TRUE(driver.SetLineSettings(h, LineSettings{}));  // a pty has no modem lines: not a failure
    EXPECT_FALSE(driver.SetLineSettings(stranger, LineSettings{}));
    EXPECT_EQ(driver.LastError(), EBADF);
    driver.Close(h);
}

// A pair of its own, so that the test holds the slave side and sees what the
// driver leaves on the tty.
struct PtyPair {
    PtyPair() {
        char buf[256] = {};
        if (::openpty(&master, &slave, buf, nullptr, nullptr) == 0) name = buf;
    }
    ~PtyPair() {
        if (slave >= 0) ::close(slave);
        if (master >= 0) ::close(master);
    }
    int master = -1, slave = -1;
    std::string name;
};

TEST(LinkPtyLine, CloseGivesTheTtyBackAsItWasFound) {
    PtyPair pty;
    ASSERT_FALSE(pty.name.empty());
    termios found {};
    ASSERT_EQ(::tcgetattr(pty.slave, &found), 0);
    found.c_lflag |= ICANON | ECHO | ISIG;
    found.c_iflag |= ICRNL | IXON;
    found.c_oflag |= OPOST | ONLCR;
    found.c_cc[VMIN] = 7;
    found.c_cc[VTIME] = 3;
    ::cfsetispeed(&found, B1200);
    ::cfsetospeed(&found, B1200);
    ASSERT_EQ(::tcsetattr(pty.slave, TCSANOW, &found), 0);
    ASSERT_EQ(::tcgetattr(pty.slave, &found), 0);  // as the kernel keeps them

    PosixSerialDriver driver;
    const SerialHandle h = driver.Open(pty.name);
    ASSERT_NE(h, kInvalidSerialHandle);
    ASSERT_TRUE(driver.SetLineSettings(h, LineSettings{}));
    termios now {};
    ASSERT_EQ(::tcgetattr(pty.slave, &now), 0);
    ASSERT_EQ(now.c_lflag & (ICANON | ECHO), 0u);  // raw while the driver has it
    driver.Close(h);

    termios after {};
    ASSERT_EQ(::tcgetattr(pty.slave, &after), 0);
    EXPECT_EQ(after.c_iflag, found.c_iflag);
    EXPECT_EQ(after.c_oflag, found.c_oflag);
    EXPECT_EQ(after.c_cflag, found.c_cflag);
    EXPECT_EQ(after.c_lflag, found.c_lflag);
    EXPECT_EQ(::cfgetospeed(&after), ::cfgetospeed(&found));
    EXPECT_EQ(after.c_cc[VMIN], 7);
    EXPECT_EQ(after.c_cc[VTIME], 3);
}

TEST_F(LinkPtyTest, VanishedPeerClosesThePortAndLaterTransfersFailAtOnce) {
    CModbusMaster master(counted, clock);
    ASSERT_EQ(master.OpenPath(responder.SlavePath(), 57600, 8, 0, 0), 1);
    uint8_t data[18];
    ASSERT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbOk);
    responder.Hangup();
    const uint16_t result = master.ReadHoldingRegisters(1, 0, 9, data);
    EXPECT_TRUE(result == kMbResponseTimeout || result == kMbWriteFailed) << result;
    EXPECT_FALSE(master.IsOpen());
    // At once: no call on the line, no time spent waiting.
    const int calls = counted.Calls();
    const uint64_t before = clock.NowMs();
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbWriteFailed);
    EXPECT_EQ(counted.Calls(), calls);
    EXPECT_EQ(clock.NowMs(), before);
}

}  // namespace
}  // namespace ks
