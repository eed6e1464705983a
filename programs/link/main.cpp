// kestrane-link: link diagnostic for service work (see link_tool.h).
#include <iostream>
#include <string>
#include <vector>

#include "programs/link/link_tool.h"

#ifdef _WIN32
#include "link/win32_serial_driver.h"
using PlatformSerialDriver = ks::Win32SerialDriver;
#else
#include "link/posix_serial_driver.h"
using PlatformSerialDriver = ks::PosixSerialDriver;
#endif

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    PlatformSerialDriver driver;
    ks::CModbusMaster master(driver, ks::SystemClock::Instance());
    return ks::RunLinkTool(args, master, std::cout, std::cerr);
}
