// The Win32 serial driver where no COM port is needed: how failed opens are
// told and that they leave nothing open. Its transfers are checked against
// kestrane-sim by scripts/test-windows.
#include "link/win32_serial_driver.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "link/serial_port.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

class Win32DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = (fs::temp_directory_path() / ("ks_win32_port_" + std::to_string(std::random_device{}()))).string();
        std::ofstream(path) << "not a port";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove(path, ec);
    }
    std::string path;
    Win32SerialDriver driver;
};

TEST_F(Win32DriverTest, MissingPortIsNoDevice) {
    CSerialPort port(driver);
    // A device name nobody has (COMn may be mapped to the host's ports).
    EXPECT_EQ(port.OpenDevice("\\\\.\\KS_NO_SUCH_PORT", 57600, 8, 0, 0), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.LastOpenError(), PortOpenError::NoDevice);
    EXPECT_EQ(port.LastOpenErrno(), ENOENT);
}

TEST_F(Win32DriverTest, FileThatIsNoPortIsRefusedAndLeftClosed) {
    CSerialPort port(driver);
    EXPECT_EQ(port.OpenDevice(path, 57600, 8, 0, 0), 0);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.LastOpenError(), PortOpenError::NotASerialPort);
    // The handle of the failed open is closed: the file can go.
    EXPECT_EQ(std::remove(path.c_str()), 0);
}

TEST_F(Win32DriverTest, SecondOpenOfAHeldDeviceIsBusy) {
    const SerialHandle held = driver.Open(path);
    ASSERT_NE(held, kInvalidSerialHandle);
    Win32SerialDriver other;
    EXPECT_EQ(other.Open(path), kInvalidSerialHandle);
    EXPECT_EQ(ClassifyOpenErrno(other.LastError()), PortOpenError::Busy);
    driver.Close(held);
    const SerialHandle again = other.Open(path);
    EXPECT_NE(again, kInvalidSerialHandle);
    other.Close(again);
}

}  // namespace
}  // namespace ks
