#pragma once
// The COM ports the system itself knows and the names it shows for them.
// Windows lists every port a driver has made in the registry
// (HARDWARE\DEVICEMAP\SERIALCOMM: device -> COMn), and the driver of a
// plug-and-play port gives it a name in Device Manager ("USB Serial Port
// (COM7)"), which follows the adapter whatever number it got this time.
// POSIX systems have no such list: there the console reaches a device
// through a COMn link (platform/program_folder.h), and the list is empty.
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ks {

struct ComPort {
    int number = 0;            // n of COMn
    std::string device;        // the system's device behind it, e.g. \Device\Serial0
    std::string friendlyName;  // UTF-8; empty when the driver gives none
};

// The ports of this PC, by number; empty where the system keeps no list.
std::vector<ComPort> SystemComPorts();

// n of "COMn" (any case), n >= 1; nothing for any other name.
std::optional<int> ComPortNumber(std::string_view name);

// The ports of `serialComm` (device, port name) pairs, each with the name
// `friendlyNames` (port name, friendly name) gives its port name, in number
// order; names that are not COMn are left out, and so is a number already
// listed.
using NamePairs = std::vector<std::pair<std::string, std::string>>;
std::vector<ComPort> MergeComPorts(const NamePairs& serialComm, const NamePairs& friendlyNames);

}  // namespace ks
