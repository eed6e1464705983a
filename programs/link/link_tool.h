#pragma once
// kestrane-link: a service diagnostic over the console's own Modbus master.
//   kestrane-link PORT status | read ADDR COUNT | write ADDR V1 [V2 ...] | command CODE
//   kestrane-link ports | assign COMn DEVICE   (programs/link/port_list.h)
// Slave 1, 57600 8N1, reads with function 3, writes with function 16, one
// attempt per transfer. A port that will not open is reported with the
// reason, e.g. "cannot open /dev/ttyUSB0 at 57600 8N1: no such device [system:
// No such file or directory]".
#include <iosfwd>
#include <string>
#include <vector>

#include "link/modbus_master.h"
#include "programs/link/port_list.h"

namespace ks {

inline constexpr int kLinkExitOk = 0;
inline constexpr int kLinkExitFailure = 1;
inline constexpr int kLinkExitUsage = 64;

// PORT as typed: "COMn" (any case) or a bare n, n in 1..19, maps to
// ComDevicePath(n); anything else is taken as a device path. Empty result
// for a COM number out of range.
std::string ResolvePortArgument(const std::string& port);

// Runs one command line (the arguments after the program name) over master,
// which must not be open yet. Returns the process exit code. ports and
// assign look at the devices under `roots`.
int RunLinkTool(const std::vector<std::string>& args, CModbusMaster& master, std::ostream& out,
                std::ostream& err, const DeviceRoots& roots = {});

}  // namespace ks
