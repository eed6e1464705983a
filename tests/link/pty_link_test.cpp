// The real POSIX driver over a pseudo-terminal pair, with a Modbus slave on
// the other side. Time bounds here are deliberately loose: they tell "returned
// at once" from "waited out a time-out" and nothing finer.
#include <gtest/gtest.h>
#include <pty.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "link/modbus_master.h"
#include "link/port_error.h"
#include "link/posix_serial_driver.h"
#include "link/testing/pty_responder.h"
#include "link_test_util.h"

namespace ks {
namespace {

using Steady = std::chrono::steady_clock;

double MsSince(Steady::time_point t0) {
    return std::chrono::duration<double, std::milli>(Steady::now() - t0).count();
}

class LinkPtyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(responder.Ok()); }
    PtyResponder responder;
    PosixSerialDriver driver;
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
    CModbusMaster master(driver, SystemClock::Instance());
    ASSERT_EQ(master.OpenPath(responder.SlavePath(), 57600, 8, 0, 0), 1);
    uint8_t data[2];
    auto t0 = Steady::now();
    EXPECT_EQ(master.ReadHoldingRegisters(1, 200, 1, data), 0x8002);
    double ms = MsSince(t0);
    EXPECT_GE(ms, 490.0);
    EXPECT_LT(ms, 5000.0);
}

TEST_F(LinkPtyTest, SilentLineReturnsNothingAfterTheTotalTimeOut) {
    CSerialPort port(driver);
    ASSERT_EQ(port.OpenDevice(responder.SlavePath(), 57600, 8, 0, 0), 1);
    uint8_t buf[50];
    auto t0 = Steady::now();
    EXPECT_EQ(port.ReadBytes(buf, 50), 0u);
    double ms = MsSince(t0);
    EXPECT_GE(ms, 148.0);  // 50 x 1 + 100
    EXPECT_LT(ms, 2000.0);
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(LinkPtyTest, CompleteAnswerReturnsAsSoonAsItsLastByteIsIn) {
    // A long total time-out: only "all bytes in" can end this read early.
    SerialHandle h = driver.Open(responder.SlavePath());
    ASSERT_NE(h, kInvalidSerialHandle);
    ASSERT_TRUE(driver.SetLineSettings(h, LineSettings{}));
    ASSERT_TRUE(driver.SetTimeouts(h, CommTimeouts{1000, 0, 3000, 0, 0}));
    const test::Bytes req = test::WithCrc({1, 3, 0, 0, 0, 9});
    uint32_t put = 0;
    ASSERT_TRUE(driver.Write(h, req.data(), 8, &put));
    ASSERT_EQ(put, 8u);
    uint8_t buf[23];
    uint32_t got = 0;
    auto t0 = Steady::now();
    ASSERT_TRUE(driver.Read(h, buf, 23, &got));
    EXPECT_EQ(got, 23u);
    EXPECT_LT(MsSince(t0), 1500.0);
    EXPECT_TRUE(CrcMatches(buf, 21));
    driver.Close(h);
}

TEST_F(LinkPtyTest, InterByteGapEndsAReadShortAndTheMasterCarriesOn) {
    responder.SetMode(PtyResponder::Mode::kSplit, 60);
    SerialHandle h = driver.Open(responder.SlavePath());
    ASSERT_NE(h, kInvalidSerialHandle);
    ASSERT_TRUE(driver.SetLineSettings(h, LineSettings{}));
    ASSERT_TRUE(driver.SetTimeouts(h, CommTimeouts{10, 0, 3000, 0, 0}));
    const test::Bytes req = test::WithCrc({1, 3, 0, 0, 0, 9});
    uint32_t put = 0;
    ASSERT_TRUE(driver.Write(h, req.data(), 8, &put));
    uint8_t buf[23];
    uint32_t got = 0;
    auto t0 = Steady::now();
    ASSERT_TRUE(driver.Read(h, buf, 23, &got));
    EXPECT_EQ(got, 11u);  // the first half, then a 60 ms gap > 10 ms
    EXPECT_LT(MsSince(t0), 1500.0);
    driver.Close(h);
    // Let the second half land; the next open purges it.
    std::this_thread::sleep_for(std::chrono::milliseconds(150));

    CModbusMaster master(driver, SystemClock::Instance());
    ASSERT_EQ(master.OpenPath(responder.SlavePath(), 57600, 8, 0, 0), 1);
    uint8_t data[18];
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbOk);
}

TEST_F(LinkPtyTest, SilentSlaveGivesResponseTimeOut) {
    responder.SetMode(PtyResponder::Mode::kSilent);
    CModbusMaster master(driver, SystemClock::Instance());
    ASSERT_EQ(master.OpenPath(responder.SlavePath(), 57600, 8, 0, 0), 1);
    uint8_t data[18];
    auto t0 = Steady::now();
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbResponseTimeout);
    EXPECT_GE(MsSince(t0), 490.0);
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
    CModbusMaster master(driver, SystemClock::Instance());
    ASSERT_EQ(master.OpenPath(responder.SlavePath(), 57600, 8, 0, 0), 1);
    uint8_t data[18];
    ASSERT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbOk);
    responder.Hangup();
    const uint16_t result = master.ReadHoldingRegisters(1, 0, 9, data);
    EXPECT_TRUE(result == kMbResponseTimeout || result == kMbWriteFailed) << result;
    EXPECT_FALSE(master.IsOpen());
    auto t0 = Steady::now();
    EXPECT_EQ(master.ReadHoldingRegisters(1, 0, 9, data), kMbWriteFailed);
    EXPECT_LT(MsSince(t0), 100.0);
}

}  // namespace
}  // namespace ks
