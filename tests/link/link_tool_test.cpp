// kestrane-link's command line over the scripted driver and a register slave.
#include "programs/link/link_tool.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/program_folder.h"
#include "res/version.h"

#ifndef _WIN32
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "link/posix_serial_driver.h"
#include "link/testing/pty_responder.h"
#endif
#include "link_test_util.h"

namespace ks {
namespace {

using Op = FakeSerialDriver::Op;

class LinkToolTest : public ::testing::Test {
protected:
    LinkToolTest() : driver(clock), master(driver, clock) { slave.Attach(driver); }

    int Run(std::vector<std::string> args) {
        out.str("");
        err.str("");
        return RunLinkTool(args, master, out, err);
    }

    VirtualClock clock;
    FakeSerialDriver driver;
    CModbusMaster master;
    test::RegisterSlave slave;
    std::ostringstream out, err;
};

TEST_F(LinkToolTest, UsageErrorsTouchNoPort) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"/dev/x"},
        {"COM0", "status"},
        {"COM20", "status"},
        {"0", "status"},
        {"20", "status"},
        {"/dev/x", "status", "extra"},
        {"/dev/x", "bogus"},
        {"/dev/x", "read", "0"},
        {"/dev/x", "read", "0", "0"},
        {"/dev/x", "read", "0", "126"},
        {"/dev/x", "read", "65536", "1"},
        {"/dev/x", "read", "-1", "1"},
        {"/dev/x", "read", "1x", "1"},
        {"/dev/x", "read", "", "1"},
        {"/dev/x", "write", "5"},
        {"/dev/x", "write", "5", "65536"},
        {"/dev/x", "write", "5", "-32769"},
        {"/dev/x", "write", "5", "1.5"},
        {"/dev/x", "command"},
        {"/dev/x", "command", "256"},
        {"/dev/x", "command", "1", "2"},
    };
    for (const auto& args : bad) {
        EXPECT_EQ(Run(args), kLinkExitUsage) << ::testing::PrintToString(args);
        EXPECT_NE(err.str().find("usage:"), std::string::npos);
    }
    std::vector<std::string> many{"/dev/x", "write", "0"};
    many.resize(3 + 124, "1");
    EXPECT_EQ(Run(many), kLinkExitUsage);
    EXPECT_TRUE(driver.calls.empty());
}

TEST_F(LinkToolTest, PortArgumentMapping) {
    EXPECT_EQ(ResolvePortArgument("COM3"), ComDevicePath(3));
    EXPECT_EQ(ResolvePortArgument("com19"), ComDevicePath(19));
    EXPECT_EQ(ResolvePortArgument("7"), ComDevicePath(7));
    EXPECT_EQ(ResolvePortArgument("COM20"), "");
    EXPECT_EQ(ResolvePortArgument("/dev/pts/4"), "/dev/pts/4");
    EXPECT_EQ(ResolvePortArgument("COMx"), "COMx");
    EXPECT_EQ(Run({"COM3", "command", "1"}), kLinkExitOk);
    EXPECT_EQ(driver.openedPaths.at(0), ComDevicePath(3));
}

TEST_F(LinkToolTest, ReadPrintsOneDecimalPerLine) {
    slave.regs[10] = 65535;
    slave.regs[11] = 0;
    slave.regs[12] = 1234;
    EXPECT_EQ(Run({"/dev/x", "read", "10", "3"}), kLinkExitOk);
    EXPECT_EQ(out.str(), "65535\n0\n1234\n");
    EXPECT_EQ(driver.writes.at(0), test::WithCrc({1, 3, 0, 10, 0, 3}));
    EXPECT_EQ(Run({"/dev/x", "read", "0x0A", "1"}), kLinkExitOk);
    EXPECT_EQ(out.str(), "65535\n");
}

TEST_F(LinkToolTest, WriteAndCommandFrames) {
    EXPECT_EQ(Run({"/dev/x", "write", "20", "-500", "65535", "0x1234"}), kLinkExitOk);
    EXPECT_EQ(driver.writes.back(), test::WithCrc({1, 16, 0, 20, 0, 3, 6, 0xFE, 0x0C, 0xFF, 0xFF, 0x12, 0x34}));
    EXPECT_EQ(slave.regs[20], 0xFE0C);
    EXPECT_EQ(Run({"/dev/x", "command", "50"}), kLinkExitOk);
    EXPECT_EQ(driver.writes.back(),
              (test::Bytes{0x01, 0x10, 0x00, 0x29, 0x00, 0x01, 0x02, 0x00, 0x32, 0x20, 0x7C}));
    EXPECT_TRUE(out.str().empty());
}

TEST_F(LinkToolTest, StatusIsDecoded) {
    slave.regs[0] = 0x0001;
    slave.regs[1] = 0x2000 | 0x1000 | 0x0004 | 0x0002;  // locked, finished, pump, HF
    slave.regs[2] = 0xFE0C;                             // X = -500 um
    slave.regs[3] = 0xFFFF;
    slave.regs[4] = 0x3039;  // Y = 12345 um
    slave.regs[6] = 0x0000;  // Z = 65536 um
    slave.regs[7] = 0x0001;
    slave.regs[8] = 7;
    slave.regs[50] = 0x0109;  // low byte counts: S1
    ASSERT_EQ(Run({"/dev/x", "status"}), kLinkExitOk) << err.str();
    EXPECT_EQ(out.str(),
              "X               -0.500 mm\n"
              "Y               12.345 mm\n"
              "Z               65.536 mm\n"
              "moving          1\n"
              "drilling        0\n"
              "HF              1\n"
              "pump            1\n"
              "rotating head   0\n"
              "hole finished   1\n"
              "axis locked     1\n"
              "pause request   0\n"
              "register 8      7\n"
              "signal          9 S1信号  已触发\n");
    EXPECT_EQ(driver.writes.at(0), (test::Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x09, 0x85, 0xCC}));
    EXPECT_EQ(driver.writes.at(1), (test::Bytes{0x01, 0x03, 0x00, 0x32, 0x00, 0x01, 0x25, 0xC5}));

    slave.regs[1] = 0x4000 | 0x0008 | 0x0001;
    slave.regs[50] = 0;
    ASSERT_EQ(Run({"/dev/x", "status"}), kLinkExitOk);
    EXPECT_NE(out.str().find("pause request   1\n"), std::string::npos);
    EXPECT_NE(out.str().find("rotating head   1\n"), std::string::npos);
    EXPECT_NE(out.str().find("drilling        1\n"), std::string::npos);
    EXPECT_NE(out.str().find("signal          0\n"), std::string::npos);
}

TEST_F(LinkToolTest, FailuresPrintCodeAndTextOnceWithoutRetry) {
    EXPECT_EQ(Run({"/dev/x", "read", "99", "2"}), kLinkExitFailure);
    EXPECT_EQ(err.str(), "0x8002 通信未知错误！\n");
    EXPECT_TRUE(out.str().empty());

    driver.SetResponder(nullptr);  // silent controller
    const size_t writes = driver.writes.size();
    EXPECT_EQ(Run({"/dev/x", "command", "1"}), kLinkExitFailure);
    EXPECT_EQ(err.str(), "0x4007 通信应答超时！\n");
    EXPECT_EQ(driver.writes.size(), writes + 1);
    EXPECT_EQ(Run({"/dev/x", "status"}), kLinkExitFailure);
    EXPECT_EQ(driver.writes.size(), writes + 2);  // the signal read is not tried after a failed block read

    driver.FailNext(Op::kOpen);
    EXPECT_EQ(Run({"/dev/x", "status"}), kLinkExitFailure);
    EXPECT_NE(err.str().find("cannot open /dev/x"), std::string::npos);
}

TEST_F(LinkToolTest, OpenFailureKeepsItsFirstPartAndAddsTheReason) {
    driver.SetFailureErrno(EACCES);
    driver.FailNext(Op::kOpen);
    EXPECT_EQ(Run({"/dev/x", "status"}), kLinkExitFailure);
    EXPECT_EQ(err.str(),
              "kestrane-link: cannot open /dev/x at 57600 8N1: 无权打开串口（请把用户加入 dialout 组后重新登录）"
              " [system: Permission denied]\n");
    // Nothing known about the failure: the line as it always was.
    driver.SetFailureErrno(0);
    driver.FailNext(Op::kSetLine);
    EXPECT_EQ(Run({"/dev/x", "status"}), kLinkExitFailure);
    EXPECT_EQ(err.str(), "kestrane-link: cannot open /dev/x at 57600 8N1\n");
}


TEST_F(LinkToolTest, VersionAndHelpTouchNoPort) {
    EXPECT_EQ(Run({"--version"}), kLinkExitOk);
    EXPECT_EQ(out.str(), "kestrane-link " + std::string(ks::res::kVersion) + "\n");
    EXPECT_EQ(Run({"--help"}), kLinkExitOk);
    EXPECT_NE(out.str().find("kestrane-link assign COMn DEVICE"), std::string::npos);
    EXPECT_TRUE(driver.calls.empty());
}

// Windows' ports by number, named where the driver names them.
TEST(PrintComPortsTest, NumberNameAndDevice) {
    std::ostringstream out;
    EXPECT_EQ(PrintComPorts({{1, "\\Device\\Serial0", ""}, {7, "\\Device\\VCP0", "USB Serial Port (COM7)"}}, out),
              kLinkExitOk);
    EXPECT_EQ(out.str(), "COM ports:\n"
                         "  COM1  (\\Device\\Serial0)\n"
                         "  COM7  USB Serial Port (COM7)  (\\Device\\VCP0)\n");
    out.str("");
    PrintComPorts({}, out);
    EXPECT_EQ(out.str(), "COM ports:\n  (none found)\n");
}

#ifndef _WIN32
// ports and assign on a /dev tree of the test's own (Linux device names).
class PortListTest : public ::testing::Test {
protected:
    void SetUp() override {
        base = std::filesystem::temp_directory_path() /
               ("ks_port_list_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(base);
        roots.dev = (base / "dev").string();
        roots.byId = (base / "dev" / "serial" / "by-id").string();
        settings = (base / "home" / ".config" / "kestrane").string();
        std::filesystem::create_directories(roots.byId);
        for (const char* name : {"ttyUSB0", "ttyUSB1", "ttyS0", "ttyS1", "ttyS10", "ttyACM0", "null", "tty0"}) {
            std::ofstream(base / "dev" / name) << "";
        }
        // udev's link is relative, as on a real system.
        std::filesystem::create_symlink("../../ttyUSB0", std::filesystem::path(roots.byId) / "usb-FTDI_A-if00-port0");
    }
    void TearDown() override { std::filesystem::remove_all(base); }
    std::string Dev(const std::string& name) const { return roots.dev + "/" + name; }
    std::string ById() const { return roots.byId + "/usb-FTDI_A-if00-port0"; }
    std::string Link(int n) const { return settings + "/COM" + std::to_string(n); }

    std::filesystem::path base;
    DeviceRoots roots;
    std::string settings;
    // ttyS1 has no UART behind it.
    std::set<std::string> answering{"ttyUSB0", "ttyUSB1", "ttyS0", "ttyS10", "ttyACM0", "null", "tty0"};
    SerialProbe probe = [this](const std::string& path) {
        return answering.count(std::filesystem::path(path).filename().string()) > 0;
    };
    std::ostringstream out, err;
};

TEST_F(PortListTest, ByIdNamesFirstThenTtysThatAnswer) {
    std::vector<std::string> names;
    for (const SerialDevice& d : ListSerialDevices(roots, probe)) names.push_back(d.name);
    // ttyUSB0 only under its by-id name; ttyS1 does not answer; null and tty0 are no serial names.
    EXPECT_EQ(names, (std::vector<std::string>{ById(), Dev("ttyS0"), Dev("ttyS10"), Dev("ttyACM0"), Dev("ttyUSB1")}));
}

TEST_F(PortListTest, AssignLinksByIdAndPortsShowsWhereEachComPoints) {
    EXPECT_EQ(AssignPort("COM1", "ttyUSB0", roots, probe, settings, out, err), kLinkExitOk) << err.str();
    EXPECT_EQ(std::filesystem::read_symlink(Link(1)).string(), ById());  // survives another socket
    EXPECT_EQ(AssignPort("com2", Dev("ttyACM0"), roots, probe, settings, out, err), kLinkExitOk) << err.str();
    EXPECT_EQ(std::filesystem::read_symlink(Link(2)).string(), Dev("ttyACM0"));
    // Assigning again replaces the link.
    EXPECT_EQ(AssignPort("2", "ttyS0", roots, probe, settings, out, err), kLinkExitOk) << err.str();
    EXPECT_EQ(std::filesystem::read_symlink(Link(2)).string(), Dev("ttyS0"));
    std::filesystem::create_symlink(base / "gone", Link(7));

    out.str("");
    EXPECT_EQ(PrintPorts(roots, probe, settings, out), kLinkExitOk);
    EXPECT_EQ(out.str(), "Serial devices:\n"
                         "  " + ById() + " (" + Dev("ttyUSB0") + ")  COM1\n"
                         "  " + Dev("ttyS0") + "  COM2\n"
                         "  " + Dev("ttyS10") + "\n"
                         "  " + Dev("ttyACM0") + "\n"
                         "  " + Dev("ttyUSB1") + "\n"
                         "COM links in " + settings + ":\n"
                         "  COM1 -> " + ById() + "\n"
                         "  COM2 -> " + Dev("ttyS0") + "\n"
                         "  COM7 -> " + (base / "gone").string() + " (missing)\n");
}

TEST_F(PortListTest, AssignRefusesWhatTheConsoleCouldNotUse) {
    EXPECT_EQ(AssignPort("COM20", "ttyS0", roots, probe, settings, out, err), kLinkExitUsage);
    EXPECT_EQ(AssignPort("COMx", "ttyS0", roots, probe, settings, out, err), kLinkExitUsage);
    EXPECT_EQ(AssignPort("COM1", "ttyS1", roots, probe, settings, out, err), kLinkExitFailure);
    EXPECT_NE(err.str().find("does not answer as a serial port"), std::string::npos);
    EXPECT_EQ(AssignPort("COM1", "ttyUSB9", roots, probe, settings, out, err), kLinkExitFailure);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(Link(1))));
    // A COMn that someone made as a file is theirs.
    std::filesystem::create_directories(settings);
    std::ofstream(Link(3)) << "x";
    EXPECT_EQ(AssignPort("COM3", "ttyS0", roots, probe, settings, out, err), kLinkExitFailure);
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::symlink_status(Link(3))));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(settings), std::filesystem::directory_iterator()), 1);
}

// The tool over the real driver, on device names a technician may give it.
class LinkToolDeviceTest : public ::testing::Test {
protected:
    int Run(const std::string& path) {
        PosixSerialDriver driver;
        CModbusMaster master(driver, SystemClock::Instance());
        std::ostringstream out;
        err.str("");
        return RunLinkTool({path, "status"}, master, out, err);
    }
    // A plain file, which opens like any device but is no terminal.
    std::string PlainFile() {
        char name[] = "/tmp/ks_link_tool_XXXXXX";
        const int fd = ::mkstemp(name);
        if (fd >= 0) ::close(fd);
        made.push_back(name);
        return name;
    }
    void TearDown() override {
        for (const auto& name : made) ::unlink(name.c_str());
    }
    std::ostringstream err;
    std::vector<std::string> made;
};

TEST_F(LinkToolDeviceTest, MissingBusyAndNonTerminalPortsSayWhy) {
    const std::string missing = "/dev/kestrane-no-such-port";
    EXPECT_EQ(Run(missing), kLinkExitFailure);
    EXPECT_EQ(err.str(), "kestrane-link: cannot open " + missing +
                             " at 57600 8N1: 串口设备不存在 [system: No such file or directory]\n");

    const std::string plain = PlainFile();
    EXPECT_EQ(Run(plain), kLinkExitFailure);
    EXPECT_EQ(err.str(), "kestrane-link: cannot open " + plain +
                             " at 57600 8N1: 该设备不是串口 [system: Inappropriate ioctl for device]\n");

    PtyResponder responder;
    ASSERT_TRUE(responder.Ok());
    PosixSerialDriver holder;
    const SerialHandle held = holder.Open(responder.SlavePath());
    ASSERT_NE(held, kInvalidSerialHandle);
    EXPECT_EQ(Run(responder.SlavePath()), kLinkExitFailure);
    const std::string busy = "kestrane-link: cannot open " + responder.SlavePath() +
                             " at 57600 8N1: 串口被其他程序占用 [system: ";
    EXPECT_EQ(err.str().substr(0, busy.size()), busy);
    holder.Close(held);
    EXPECT_EQ(Run(responder.SlavePath()), kLinkExitOk) << err.str();
}

// The commands as typed, with the real check of a device: a pseudo-terminal
// answers as a serial port, a plain file does not.
TEST_F(PortListTest, CommandLineUsesTheRealSerialCheck) {
    PtyResponder responder;
    ASSERT_TRUE(responder.Ok());
    EXPECT_TRUE(AnswersAsSerialPort(responder.SlavePath()));
    EXPECT_FALSE(AnswersAsSerialPort(Dev("ttyS1")));
    EXPECT_FALSE(AnswersAsSerialPort(Dev("ttyS99")));

    std::filesystem::remove(Dev("ttyUSB1"));
    std::filesystem::create_symlink(responder.SlavePath(), Dev("ttyUSB1"));
    SetSettingsFolder(settings);
    VirtualClock clock;
    FakeSerialDriver driver(clock);
    CModbusMaster master(driver, clock);
    EXPECT_EQ(RunLinkTool({"assign", "COM4", "ttyUSB1"}, master, out, err, roots), kLinkExitOk) << err.str();
    EXPECT_EQ(RunLinkTool({"assign", "COM5", "ttyS0"}, master, out, err, roots), kLinkExitFailure);
    out.str("");
    EXPECT_EQ(RunLinkTool({"ports"}, master, out, err, roots), kLinkExitOk);
    SetSettingsFolder(std::nullopt);
    EXPECT_NE(out.str().find("  " + Dev("ttyUSB1") + " (" + responder.SlavePath() + ")  COM4\n"), std::string::npos)
        << out.str();
    EXPECT_EQ(out.str().find("ttyS0"), std::string::npos) << out.str();
    EXPECT_TRUE(driver.calls.empty());
}

TEST_F(LinkToolDeviceTest, PortWithoutAccessRightsSaysPermissionDenied) {
    if (::geteuid() == 0) GTEST_SKIP() << "root opens any file";
    const std::string locked = PlainFile();
    ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
    EXPECT_EQ(Run(locked), kLinkExitFailure);
    EXPECT_EQ(err.str(), "kestrane-link: cannot open " + locked +
                             " at 57600 8N1: 无权打开串口（请把用户加入 dialout 组后重新登录） [system: Permission denied]\n");
}
#endif

}  // namespace
}  // namespace ks
