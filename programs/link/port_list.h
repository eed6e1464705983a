#pragma once
// kestrane-link ports / assign: which serial devices this PC has, and the
// COMn links the console looks its port up by (link/serial_port.h), made
// without a shell. The roots of /dev and /dev/serial/by-id and the check
// that a device answers as a serial port are parameters, so that a test
// can hand in a tree of its own.
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/com_ports.h"

namespace ks {

struct DeviceRoots {
    std::string dev = "/dev";
    std::string byId = "/dev/serial/by-id";
};

// Whether the device opens and takes terminal requests (tcgetattr): a
// ttyS* with no UART behind it fails to open, a plain file is no terminal.
using SerialProbe = std::function<bool(const std::string& path)>;
bool AnswersAsSerialPort(const std::string& path);

struct SerialDevice {
    std::string name;    // as an operator links it: the by-id name when udev gives one
    std::string device;  // the device node it reaches, e.g. <dev>/ttyUSB0
};

// The by-id entries (udev names only serial devices there), then every
// ttyUSB*, ttyACM* and ttyS* of `roots.dev` that no by-id entry reaches and
// that answers to `probe`; each group in name order.
std::vector<SerialDevice> ListSerialDevices(const DeviceRoots& roots, const SerialProbe& probe);

// "kestrane-link ports": the devices and, for each, the COMn links of
// `settingsFolder` that reach it; then every COMn link there and its target.
int PrintPorts(const DeviceRoots& roots, const SerialProbe& probe, const std::string& settingsFolder,
               std::ostream& out);

// "kestrane-link assign COMn DEVICE": makes <settingsFolder>/COMn a link to
// DEVICE (a path, or a name under roots.dev such as ttyUSB0), by its by-id
// name when it has one, so that the link survives plugging the adapter into
// another socket. Refuses a device that does not answer as a serial port
// and a COMn that is not a link. Returns the process exit code.
int AssignPort(const std::string& com, const std::string& device, const DeviceRoots& roots,
               const SerialProbe& probe, const std::string& settingsFolder, std::ostream& out,
               std::ostream& err);

// "kestrane-link ports" where the system names its COM ports itself
// (Windows): each port's number, its driver's name where there is one, and
// the system's device behind it.
int PrintComPorts(const std::vector<ComPort>& ports, std::ostream& out);

}  // namespace ks
