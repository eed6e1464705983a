// The real POSIX driver over a pseudo-terminal pair, with a Modbus slave on
// the other side. Time bounds here are deliberately loose: they tell "returned
// at once" from "waited out a time-out" and nothing finer.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "link/modbus_master.h"
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
