#include "platform/com_ports.h"

#include <algorithm>
#include <charconv>

namespace ks {

std::optional<int> ComPortNumber(std::string_view name) {
    if (name.size() < 4 || name.size() > 6) return std::nullopt;
    for (size_t i = 0; i < 3; ++i) {
        if ((name[i] | 0x20) != "com"[i]) return std::nullopt;
    }
    const std::string_view digits = name.substr(3);
    if (digits[0] < '1' || digits[0] > '9') return std::nullopt;
    int n = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), n);
    if (ec != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
    return n;
}

std::vector<ComPort> MergeComPorts(const NamePairs& serialComm, const NamePairs& friendlyNames) {
    std::vector<ComPort> ports;
    for (const auto& [device, portName] : serialComm) {
        const std::optional<int> n = ComPortNumber(portName);
        if (!n) continue;
        if (std::any_of(ports.begin(), ports.end(), [&](const ComPort& p) { return p.number == *n; })) continue;
        ComPort port{*n, device, {}};
        for (const auto& [name, friendly] : friendlyNames) {
            if (ComPortNumber(name) == n) {
                port.friendlyName = friendly;
                break;
            }
        }
        ports.push_back(std::move(port));
    }
    std::stable_sort(ports.begin(), ports.end(), [](const ComPort& a, const ComPort& b) { return a.number < b.number; });
    return ports;
}

}  // namespace ks
