#include "programs/link/port_commands.h"

#include <ostream>

#include "programs/link/link_tool.h"

namespace ks {

int RunPortsCommand(const DeviceRoots&, std::ostream& out) { return PrintComPorts(SystemComPorts(), out); }

int RunAssignCommand(const std::string&, const std::string&, const DeviceRoots&, std::ostream&, std::ostream& err) {
    err << "kestrane-link: assign has no meaning on Windows: COMn is the system's own port of that number\n"
           "(kestrane-link ports lists them with their names; Device Manager changes a number)\n";
    return kLinkExitUsage;
}

}  // namespace ks
