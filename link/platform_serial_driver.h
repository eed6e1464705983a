#pragma once
// The serial driver of the system the program is built for: Win32
// communications calls on Windows, termios elsewhere.
#ifdef _WIN32
#include "link/win32_serial_driver.h"
namespace ks {
using PlatformSerialDriver = Win32SerialDriver;
}
#else
#include "link/posix_serial_driver.h"
namespace ks {
using PlatformSerialDriver = PosixSerialDriver;
}
#endif
