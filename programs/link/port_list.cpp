#include "programs/link/port_list.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#endif

#include "platform/program_folder.h"
#include "programs/link/link_tool.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

constexpr int kMaxCom = 19;  // the console's port choice goes up to COM19

std::string Canonical(const std::string& path) {
    std::error_code ec;
    const fs::path p = fs::canonical(path, ec);
    return ec ? std::string() : p.string();
}

bool HasPrefix(const std::string& name, const char* prefix) { return name.rfind(prefix, 0) == 0; }

// "COM3", "com3" or "3", 1..19.
std::optional<int> ComNumber(const std::string& text) {
    std::string digits = text;
    if (digits.size() > 3 && (digits[0] == 'C' || digits[0] == 'c') && (digits[1] == 'O' || digits[1] == 'o') &&
        (digits[2] == 'M' || digits[2] == 'm'))
        digits = digits.substr(3);
    if (digits.empty() || digits.size() > 2 || digits.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const int n = std::stoi(digits);
    if (n < 1 || n > kMaxCom) return std::nullopt;
    return n;
}

struct ComLink {
    int number = 0;
    std::string target;   // as written in the link
    std::string reaches;  // canonical device, empty when the target is gone
};

std::vector<ComLink> ComLinks(const std::string& folder) {
    std::vector<ComLink> links;
    if (folder.empty()) return links;
    for (int n = 1; n <= kMaxCom; ++n) {
        const fs::path link = fs::path(folder) / ("COM" + std::to_string(n));
        std::error_code ec;
        if (!fs::is_symlink(link, ec)) continue;
        links.push_back({n, fs::read_symlink(link, ec).string(), Canonical(link.string())});
    }
    return links;
}

}  // namespace

bool AnswersAsSerialPort(const std::string& path) {
#ifdef _WIN32
    (void)path;
    return false;
#else
    // Non-blocking: a modem line without carrier must not hold the listing.
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    termios tio{};
    const bool ok = ::tcgetattr(fd, &tio) == 0;
    ::close(fd);
    return ok;
#endif
}

std::vector<SerialDevice> ListSerialDevices(const DeviceRoots& roots, const SerialProbe& probe) {
    std::vector<SerialDevice> byId, plain;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(roots.byId, ec)) {
        const std::string device = Canonical(e.path().string());
        if (!device.empty()) byId.push_back({(fs::path(roots.byId) / e.path().filename()).string(), device});
    }
    for (const auto& e : fs::directory_iterator(roots.dev, ec)) {
        const std::string name = e.path().filename().string();
        if (!HasPrefix(name, "ttyUSB") && !HasPrefix(name, "ttyACM") && !HasPrefix(name, "ttyS")) continue;
        const std::string path = (fs::path(roots.dev) / name).string();
        const std::string device = Canonical(path);
        const bool named = std::any_of(byId.begin(), byId.end(),
                                       [&](const SerialDevice& d) { return d.device == device; });
        if (!named && probe(path)) plain.push_back({path, device.empty() ? path : device});
    }
    // ttyS2 before ttyS10: shorter names first within a group of one prefix.
    auto order = [](const SerialDevice& a, const SerialDevice& b) {
        return a.name.size() != b.name.size() ? a.name.size() < b.name.size() : a.name < b.name;
    };
    std::sort(byId.begin(), byId.end(), [](const SerialDevice& a, const SerialDevice& b) { return a.name < b.name; });
    std::sort(plain.begin(), plain.end(), order);
    byId.insert(byId.end(), plain.begin(), plain.end());
    return byId;
}

int PrintPorts(const DeviceRoots& roots, const SerialProbe& probe, const std::string& settingsFolder,
               std::ostream& out) {
    const std::vector<SerialDevice> devices = ListSerialDevices(roots, probe);
    const std::vector<ComLink> links = ComLinks(settingsFolder);
    out << "Serial devices:\n";
    if (devices.empty()) out << "  (none found)\n";
    for (const SerialDevice& d : devices) {
        out << "  " << d.name;
        if (d.device != d.name) out << " (" << d.device << ")";
        for (const ComLink& l : links) {
            if (l.reaches == d.device) out << "  COM" << l.number;
        }
        out << '\n';
    }
    out << "COM links in " << (settingsFolder.empty() ? "(no settings folder)" : settingsFolder) << ":\n";
    if (links.empty()) out << "  (none: COMn is /dev/ttyS<n-1>)\n";
    for (const ComLink& l : links) {
        out << "  COM" << l.number << " -> " << l.target << (l.reaches.empty() ? " (missing)" : "") << '\n';
    }
    return kLinkExitOk;
}

int AssignPort(const std::string& com, const std::string& device, const DeviceRoots& roots,
               const SerialProbe& probe, const std::string& settingsFolder, std::ostream& out,
               std::ostream& err) {
    const std::optional<int> n = ComNumber(com);
    if (!n) {
        err << "kestrane-link: assign needs COMn with n in 1.." << kMaxCom << ": " << com << '\n';
        return kLinkExitUsage;
    }
    const std::string path = (device.empty() || device[0] == '/') ? device : (fs::path(roots.dev) / device).string();
    const std::string reaches = Canonical(path);
    if (reaches.empty()) {
        err << "kestrane-link: no such device: " << path << '\n';
        return kLinkExitFailure;
    }
    if (!probe(path)) {
        err << "kestrane-link: " << path << " does not answer as a serial port\n";
        return kLinkExitFailure;
    }
    // The by-id name stays with the adapter whichever socket it is in; the
    // ttyUSBn number follows the order of plugging in.
    std::string target = path;
    for (const SerialDevice& d : ListSerialDevices(roots, [](const std::string&) { return false; })) {
        if (d.device == reaches) {
            target = d.name;
            break;
        }
    }

    if (settingsFolder.empty() || !MakeFolders(settingsFolder)) {
        err << "kestrane-link: cannot create the settings folder "
            << (settingsFolder.empty() ? "(no home folder)" : settingsFolder) << '\n';
        return kLinkExitFailure;
    }
    const fs::path link = fs::path(settingsFolder) / ("COM" + std::to_string(*n));
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(link, ec);
    if (fs::exists(st) && !fs::is_symlink(st)) {
        err << "kestrane-link: " << link.string() << " exists and is not a link; not replaced\n";
        return kLinkExitFailure;
    }
    // Made aside and renamed over the old link, so that the console never
    // finds the name missing or half made.
    const fs::path aside = link.string() + ".new";
    fs::remove(aside, ec);
    fs::create_symlink(target, aside, ec);
    if (!ec) fs::rename(aside, link, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(aside, ignored);
        err << "kestrane-link: cannot make " << link.string() << ": " << ec.message() << '\n';
        return kLinkExitFailure;
    }
    out << link.string() << " -> " << target << '\n';
    return kLinkExitOk;
}

int PrintComPorts(const std::vector<ComPort>& ports, std::ostream& out) {
    out << "COM ports:\n";
    if (ports.empty()) out << "  (none found)\n";
    for (const ComPort& p : ports) {
        out << "  COM" << p.number;
        if (!p.friendlyName.empty()) out << "  " << p.friendlyName;
        out << "  (" << p.device << ")\n";
    }
    return kLinkExitOk;
}

}  // namespace ks
