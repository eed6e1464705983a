#pragma once
// "kestrane-link ports" and "assign" as this system has them, chosen at
// build time: on POSIX systems the serial devices and the COMn links of the
// settings folder (port_list.h); on Windows the system's own COM ports by
// name, where a COMn needs no link and assign has nothing to do.
#include <iosfwd>
#include <string>

#include "programs/link/port_list.h"

namespace ks {

int RunPortsCommand(const DeviceRoots& roots, std::ostream& out);
int RunAssignCommand(const std::string& com, const std::string& device, const DeviceRoots& roots, std::ostream& out,
                     std::ostream& err);

}  // namespace ks
