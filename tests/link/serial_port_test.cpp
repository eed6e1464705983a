// The serial port's open sequence and closed-state rules, over the scripted driver.
#include "link/serial_port.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <cerrno>
#include <filesystem>
#include <utility>

#include "link/modbus_result.h"
#include "link/testing/fake_serial_driver.h"
#include "platform/program_folder.h"

namespace ks {
namespace {

using Op = FakeSerialDriver::Op;
namespace fs = std::filesystem;

class LinkPortTest : public ::testing::Test {
protected:
    LinkPortTest() : driver(clock), port(driver) {}
    VirtualClock clock;
    FakeSerialDriver driver;
    CSerialPort port;
};

TEST_F(LinkPortTest, OpenSequenceAndTimeoutsAt57600) {
    ASSERT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 1);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(driver.calls, (std::vector<Op>{Op::kOpen, Op::kSetLine, Op::kSetQueues, Op::kSetTimeouts, Op::kPurge}));
    EXPECT_EQ(driver.lastLine.baud, 57600u);
    EXPECT_EQ(driver.lastLine.byteSize, 8);
    EXPECT_EQ(driver.lastLine.parity, 0);
    EXPECT_EQ(driver.lastLine.stopBits, 0);
    EXPECT_EQ(driver.queueIn, 16384u);
    EXPECT_EQ(driver.queueOut, 16384u);
    EXPECT_EQ(driver.lastTimeouts.readInterval, 1u);
    EXPECT_EQ(driver.lastTimeouts.readTotalMultiplier, 1u);
    EXPECT_EQ(driver.lastTimeouts.readTotalConstant, 100u);
    EXPECT_EQ(driver.lastTimeouts.writeTotalMultiplier, 1u);
    EXPECT_EQ(driver.lastTimeouts.writeTotalConstant, 0u);
}

TEST_F(LinkPortTest, LineSettingsPassedThrough) {
    ASSERT_EQ(port.OpenDevice("/dev/x", 9600, 7, 2, 2), 1);
    EXPECT_EQ(driver.lastLine.baud, 9600u);
    EXPECT_EQ(driver.lastLine.byteSize, 7);
    EXPECT_EQ(driver.lastLine.parity, 2);
    EXPECT_EQ(driver.lastLine.stopBits, 2);
    EXPECT_EQ(driver.lastTimeouts.readInterval, 2u);
}

TEST(LinkInterChar, RoundingAndFloor) {
    EXPECT_EQ(InterCharTimeoutMs(57600), 1u);
    EXPECT_EQ(InterCharTimeoutMs(9600), 2u);      // 1.72 + 0.8
    EXPECT_EQ(InterCharTimeoutMs(4800), 4u);      // 3.44 + 0.8
    EXPECT_EQ(InterCharTimeoutMs(1200), 14u);     // 13.75 + 0.8
    EXPECT_EQ(InterCharTimeoutMs(1100), 15u);     // 15.0 + 0.8
    EXPECT_EQ(InterCharTimeoutMs(4000000), 1u);   // below 1 before the floor
    EXPECT_EQ(InterCharTimeoutMs(0xFFFFFFFFu), 1u);
    EXPECT_EQ(InterCharTimeoutMs(1), 16500u);
}

TEST_F(LinkPortTest, PortNumberOutOfRangeTouchesNothing) {
    ASSERT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 1);
    const SerialHandle open = port.m_hComm;
    const size_t calls = driver.calls.size();
    for (int bad : {0, 20, -1, -2147483647 - 1, 2147483647}) EXPECT_EQ(port.OpenPort(bad, 57600, 8, 0, 0), 0) << bad;
    EXPECT_EQ(driver.calls.size(), calls);
    EXPECT_EQ(port.m_hComm, open);
}

TEST_F(LinkPortTest, OpeningAnOpenPortClosesTheOldHandleFirst) {
    ASSERT_EQ(port.OpenDevice("/dev/a", 57600, 8, 0, 0), 1);
    const SerialHandle first = port.m_hComm;
    driver.calls.clear();
    ASSERT_EQ(port.OpenDevice("/dev/b", 57600, 8, 0, 0), 1);
    EXPECT_EQ(driver.calls.at(0), Op::kClose);
    EXPECT_EQ(driver.calls.at(1), Op::kOpen);
    EXPECT_NE(port.m_hComm, first);
    EXPECT_EQ(driver.OpenHandleCount(), 1u);
    EXPECT_EQ(driver.misuse, 0);
}

TEST_F(LinkPortTest, EveryFailedStepEndsClosed) {
    // Device missing or busy: nothing to close.
    driver.FailNext(Op::kOpen);
    EXPECT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 0);
    EXPECT_EQ(port.m_hComm, kInvalidSerialHandle);
    EXPECT_EQ(driver.CallCount(Op::kClose), 0);

    for (Op step : {Op::kSetLine, Op::kSetTimeouts}) {
        driver.FailNext(step);
        EXPECT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 0);
        EXPECT_EQ(port.m_hComm, kInvalidSerialHandle);
        EXPECT_EQ(driver.OpenHandleCount(), 0u);
    }
    // An already open port that fails to reopen ends closed too.
    ASSERT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 1);
    driver.FailNext(Op::kSetLine);
    EXPECT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(driver.OpenHandleCount(), 0u);
    EXPECT_EQ(driver.misuse, 0);
}

TEST_F(LinkPortTest, FailedOpenKeepsTheFailingStepsReasonUntilTheNextSuccess) {
    driver.SetFailureErrno(EACCES);
    driver.FailNext(Op::kOpen);
    EXPECT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 0);
    EXPECT_EQ(port.LastOpenError(), PortOpenError::PermissionDenied);
    EXPECT_EQ(port.LastOpenErrno(), EACCES);

    driver.SetFailureErrno(ENOTTY);
    driver.FailNext(Op::kSetLine);
    EXPECT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 0);
    EXPECT_EQ(port.LastOpenError(), PortOpenError::NotASerialPort);
    EXPECT_EQ(port.LastOpenErrno(), ENOTTY);

    // A driver that cannot say why still leaves a failure behind.
    driver.SetFailureErrno(0);
    driver.FailNext(Op::kSetTimeouts);
    EXPECT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 0);
    EXPECT_EQ(port.LastOpenError(), PortOpenError::Other);
    EXPECT_EQ(port.LastOpenErrno(), 0);

    ASSERT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 1);
    EXPECT_EQ(port.LastOpenError(), PortOpenError::None);
    EXPECT_EQ(port.LastOpenErrno(), 0);

    EXPECT_EQ(port.OpenDevice("/dev/x", 0, 8, 0, 0), 0);
    EXPECT_EQ(port.LastOpenError(), PortOpenError::Other);
    EXPECT_EQ(port.LastOpenErrno(), EINVAL);
    EXPECT_EQ(port.OpenPort(20, 57600, 8, 0, 0), 0);
    EXPECT_EQ(port.LastOpenError(), PortOpenError::NoDevice);
}

TEST(LinkPortError, ErrnoClassesAndTheirWording) {
    const std::pair<int, PortOpenError> classes[] = {
        {0, PortOpenError::None},
        {ENOENT, PortOpenError::NoDevice},
        {ENODEV, PortOpenError::NoDevice},
        {ENXIO, PortOpenError::NoDevice},
        {EACCES, PortOpenError::PermissionDenied},
        {EPERM, PortOpenError::PermissionDenied},
        {EBUSY, PortOpenError::Busy},
        {EWOULDBLOCK, PortOpenError::Busy},
        {EAGAIN, PortOpenError::Busy},
        {ENOTTY, PortOpenError::NotASerialPort},
        {EISDIR, PortOpenError::NotASerialPort},
        {EIO, PortOpenError::Other},
        {EINVAL, PortOpenError::Other},
    };
    for (const auto& [err, kind] : classes) EXPECT_EQ(ClassifyOpenErrno(err), kind) << err;

    EXPECT_EQ(DescribePortOpenError(PortOpenError::PermissionDenied, EACCES),
              "无权打开串口（请把用户加入 dialout 组后重新登录） [system: Permission denied]");
    EXPECT_EQ(DescribePortOpenError(PortOpenError::Busy, 0), "串口被其他程序占用");
    EXPECT_EQ(DescribePortOpenError(PortOpenError::Other, EIO), "Input/output error");
    EXPECT_EQ(DescribePortOpenError(PortOpenError::Other, 0), "");
}

TEST_F(LinkPortTest, QueueSizeAndPurgeResultsDoNotMatter) {
    driver.FailNext(Op::kSetQueues);
    driver.FailNext(Op::kPurge);
    EXPECT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 1);
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(LinkPortTest, ZeroBaudIsRefused) {
    EXPECT_EQ(port.OpenDevice("/dev/x", 0, 8, 0, 0), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(driver.OpenHandleCount(), 0u);
}

TEST_F(LinkPortTest, ClosedPortReadsAndWritesReturnZeroWithoutADriverCall) {
    uint8_t buf[4] = {1, 2, 3, 4};
    EXPECT_EQ(port.ReadBytes(buf, 4), 0u);
    EXPECT_EQ(port.WriteBytes(buf, 4), 0u);
    port.ClosePort();
    EXPECT_TRUE(driver.calls.empty());
}

TEST_F(LinkPortTest, FailedReadOrWriteClosesThePort) {
    uint8_t buf[4] = {};
    ASSERT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 1);
    driver.Deliver({9, 9});
    EXPECT_EQ(port.ReadBytes(buf, 2), 2u);
    EXPECT_EQ(port.WriteBytes(buf, 4), 4u);

    driver.FailNext(Op::kRead);
    EXPECT_EQ(port.ReadBytes(buf, 4), 0u);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(driver.OpenHandleCount(), 0u);
    const int reads = driver.CallCount(Op::kRead);
    EXPECT_EQ(port.ReadBytes(buf, 4), 0u);
    EXPECT_EQ(driver.CallCount(Op::kRead), reads);

    ASSERT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 1);
    driver.FailNext(Op::kWrite);
    EXPECT_EQ(port.WriteBytes(buf, 4), 0u);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(driver.misuse, 0);
}

TEST_F(LinkPortTest, CloseTwiceAndDestructionCloseOnce) {
    {
        CSerialPort other(driver);
        ASSERT_EQ(other.OpenDevice("/dev/y", 57600, 8, 0, 0), 1);
    }
    EXPECT_EQ(driver.CallCount(Op::kClose), 1);
    ASSERT_EQ(port.OpenDevice("/dev/x", 57600, 8, 0, 0), 1);
    port.ClosePort();
    port.ClosePort();
    EXPECT_EQ(driver.CallCount(Op::kClose), 2);
    EXPECT_EQ(driver.misuse, 0);
}

// ---------------------------------------------------------------- COMn mapping

#ifdef _WIN32
TEST(LinkComPath, DeviceNamespaceNamesReachEveryPort) {
    // "COM10" and above exist only in the device namespace form.
    EXPECT_EQ(ComDevicePath(1), "\\\\.\\COM1");
    EXPECT_EQ(ComDevicePath(19), "\\\\.\\COM19");
    VirtualClock clock;
    FakeSerialDriver driver(clock);
    CSerialPort port(driver);
    EXPECT_EQ(port.OpenPort(12, 57600, 8, 0, 0), 1);
    EXPECT_EQ(driver.openedPaths, (std::vector<std::string>{"\\\\.\\COM12"}));
}
#else
class LinkComPathTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved = ProgramFolder();
        dir = fs::temp_directory_path() / ("ks_com_" + std::to_string(::getpid()));
        fs::create_directories(dir);
        SetProgramFolder(dir.string());
    }
    void TearDown() override {
        SetProgramFolder(saved);
        SetSettingsFolder(std::nullopt);
        fs::remove_all(dir);
    }
    std::string saved;
    fs::path dir;
};

TEST_F(LinkComPathTest, LinkInProgramFolderWinsOverTtyS) {
    EXPECT_EQ(ComDevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(ComDevicePath(19), "/dev/ttyS18");
    fs::create_symlink("/dev/null", dir / "COM3");
    EXPECT_EQ(ComDevicePath(3), (dir / "COM3").string());
    EXPECT_EQ(ComDevicePath(13), "/dev/ttyS12");  // COM13 does not match COM3
    // A dangling link still names the port: its open fails rather than
    // reaching /dev/ttyS3 behind the operator's back.
    fs::create_symlink(dir / "gone", dir / "COM4");
    EXPECT_EQ(ComDevicePath(4), (dir / "COM4").string());
}

TEST_F(LinkComPathTest, LinksAreLookedUpBesideTheSettingsFile) {
    // An installed console runs from /usr/bin but keeps its settings, and so
    // its port links, in the operator's own folder.
    const fs::path settings = dir / "settings";
    fs::create_directories(settings);
    fs::create_symlink("/dev/null", dir / "COM2");
    fs::create_symlink("/dev/null", settings / "COM5");
    SetSettingsFolder(settings.string());
    EXPECT_EQ(ComDevicePath(5), (settings / "COM5").string());
    EXPECT_EQ(ComDevicePath(2), "/dev/ttyS1");
}

TEST_F(LinkComPathTest, OpenPortUsesTheMapping) {
    VirtualClock clock;
    FakeSerialDriver driver(clock);
    CSerialPort port(driver);
    fs::create_symlink("/dev/null", dir / "COM7");
    EXPECT_EQ(port.OpenPort(7, 57600, 8, 0, 0), 1);
    EXPECT_EQ(port.OpenPort(2, 57600, 8, 0, 0), 1);
    EXPECT_EQ(driver.openedPaths, (std::vector<std::string>{(dir / "COM7").string(), "/dev/ttyS1"}));
}
#endif

// ---------------------------------------------------------------- result texts

TEST(LinkResultText, LabelTexts) {
    EXPECT_STREQ(ModbusResultText(0x4001), "通信校验错误！\r\n");
    EXPECT_STREQ(ModbusResultText(0x4002), "通信设备地址错误！\r\n");
    EXPECT_STREQ(ModbusResultText(0x4003), "通信功能码错误！\r\n");
    EXPECT_STREQ(ModbusResultText(0x4004), "通信数据错误！\r\n");
    EXPECT_STREQ(ModbusResultText(0x4005), "通信应答数据长度错误！\r\n");
    EXPECT_STREQ(ModbusResultText(0x4006), "通信写入超时错误！\r\n");
    EXPECT_STREQ(ModbusResultText(0x4007), "通信应答超时！\r\n");
    EXPECT_STREQ(ModbusResultText(0x4008), "通信保留功能！\r\n");
    for (uint16_t other : {0x2001, 0x2002, 0x2003, 0x8001, 0x8002, 0x80FF, 0x4009, 0x1234})
        EXPECT_STREQ(ModbusResultText(other), "通信未知错误！\r\n") << other;
}

}  // namespace
}  // namespace ks
