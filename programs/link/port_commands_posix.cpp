#include "programs/link/port_commands.h"

#include "platform/program_folder.h"

namespace ks {

int RunPortsCommand(const DeviceRoots& roots, std::ostream& out) {
    return PrintPorts(roots, AnswersAsSerialPort, SettingsFolder(), out);
}

int RunAssignCommand(const std::string& com, const std::string& device, const DeviceRoots& roots, std::ostream& out,
                     std::ostream& err) {
    return AssignPort(com, device, roots, AnswersAsSerialPort, SettingsFolder(), out, err);
}

}  // namespace ks
