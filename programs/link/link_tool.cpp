#include "programs/link/link_tool.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <ostream>

#include "link/port_error.h"
#include "link/register_map.h"
#include "platform/texts.h"
#include "platform/textnum.h"
#include "programs/link/port_commands.h"
#include "res/version.h"

namespace ks {
namespace {

constexpr const char* kUsage =
    "usage: kestrane-link PORT status\n"
    "       kestrane-link PORT read ADDR COUNT\n"
    "       kestrane-link PORT write ADDR V1 [V2 ...]\n"
    "       kestrane-link PORT command CODE\n"
    "       kestrane-link ports\n"
    "       kestrane-link assign COMn DEVICE\n"
    "       kestrane-link --version | --help\n"
    "PORT: COMn or n (1..19), or a device path. Slave 1, 57600 8N1, one attempt.\n"
    "ADDR 0..65535, COUNT 1..125, values -32768..65535 (at most 123), CODE 0..255;\n"
    "numbers in decimal or 0x hexadecimal.\n"
    "ports: the serial devices (by /dev/serial/by-id name where there is one) and\n"
    "the COMn links of the settings folder. assign: makes COMn (1..19) there a link\n"
    "to DEVICE (a path or a name such as ttyUSB0), by its by-id name when it has one.\n"
    "On Windows ports lists the system's COM ports with their names; assign has no\n"
    "meaning there.\n"
    "--lang en|zh (anywhere): the language of the link's failure texts on stderr;\n"
    "otherwise the locale's, as the console chooses it.\n";

// Whole-string integer, decimal or 0x hex, optional minus sign.
std::optional<int64_t> ParseNumber(const std::string& text) {
    std::string_view s = text;
    bool negative = false;
    if (!s.empty() && s[0] == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return std::nullopt;
    int64_t value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value, base);
    if (ec != std::errc() || end != s.data() + s.size() || value < 0) return std::nullopt;
    return negative ? -value : value;
}

std::optional<int64_t> ParseInRange(const std::string& text, int64_t lo, int64_t hi) {
    auto v = ParseNumber(text);
    if (!v || *v < lo || *v > hi) return std::nullopt;
    return v;
}

std::string TrimText(const char* text) {
    std::string s = text;
    size_t b = s.find_first_not_of(' ');
    size_t e = s.find_last_not_of(" \r\n");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

int Failed(std::ostream& err, ModbusResult code) {
    err << ModbusResultCode(code) << ' ' << TrimText(Tr("link", ModbusResultText(code)).c_str()) << '\n';
    return kLinkExitFailure;
}

uint16_t Word(const uint8_t* regs, int index) {
    return static_cast<uint16_t>(regs[2 * index] << 8 | regs[2 * index + 1]);
}

int32_t Long(const uint8_t* regs, int index) {
    return static_cast<int32_t>(static_cast<uint32_t>(Word(regs, index + 1)) << 16 | Word(regs, index));
}

void Line(std::ostream& out, const char* name, const std::string& value) {
    std::string label = name;
    label.resize(16, ' ');
    out << label << value << '\n';
}

int Status(CModbusMaster& master, std::ostream& out, std::ostream& err) {
    uint8_t block[2 * kStatusBlockCount];
    ModbusResult r = master.ReadHoldingRegisters(kControllerSlave, kRegStatus0, kStatusBlockCount, block);
    if (r != kMbOk) return Failed(err, r);
    uint8_t signal[2];
    r = master.ReadHoldingRegisters(kControllerSlave, kRegSignal, 1, signal);
    if (r != kMbOk) return Failed(err, r);

    Line(out, "X", FormatFixed(Long(block, kRegPosX) / 1000.0, 3) + " mm");
    Line(out, "Y", FormatFixed(Long(block, kRegPosY) / 1000.0, 3) + " mm");
    Line(out, "Z", FormatFixed(Long(block, kRegPosZ) / 1000.0, 3) + " mm");
    const uint16_t st0 = Word(block, kRegStatus0);
    const uint16_t st1 = Word(block, kRegStatus1);
    auto bit = [](uint16_t word, uint16_t mask) { return std::string((word & mask) ? "1" : "0"); };
    Line(out, "moving", bit(st0, kSt0Moving));
    Line(out, "drilling", bit(st1, kSt1Drilling));
    Line(out, "HF", bit(st1, kSt1Hf));
    Line(out, "pump", bit(st1, kSt1Pump));
    Line(out, "rotating head", bit(st1, kSt1Head));
    Line(out, "hole finished", bit(st1, kSt1HoleFinished));
    Line(out, "axis locked", bit(st1, kSt1AxisLocked));
    Line(out, "pause request", bit(st1, kSt1PauseRequest));
    Line(out, "register 8", FormatInt(Word(block, kRegStatus8)));
    const uint8_t code = signal[1];
    std::string text = TrimText(SignalText(code));
    Line(out, "signal", FormatInt(code) + (text.empty() ? "" : " " + text));
    return kLinkExitOk;
}

}  // namespace

std::string ResolvePortArgument(const std::string& port) {
    std::string digits;
    if (port.size() > 3 && (port[0] == 'C' || port[0] == 'c') && (port[1] == 'O' || port[1] == 'o') &&
        (port[2] == 'M' || port[2] == 'm'))
        digits = port.substr(3);
    else if (!port.empty() && port.find_first_not_of("0123456789") == std::string::npos)
        digits = port;
    else
        return port;
    if (digits.find_first_not_of("0123456789") != std::string::npos) return port;  // e.g. a file "COMx"
    auto n = ParseInRange(digits, 1, 19);
    return n ? ComDevicePath(static_cast<int>(*n)) : std::string();
}

int RunLinkTool(const std::vector<std::string>& args, CModbusMaster& master, std::ostream& out,
                std::ostream& err, const DeviceRoots& roots) {
    auto usage = [&](const std::string& why) {
        if (!why.empty()) err << "kestrane-link: " << why << '\n';
        err << kUsage;
        return kLinkExitUsage;
    };
    if (args.size() == 1 && args[0] == "--version") {
        out << "kestrane-link " << ks::res::kVersion << '\n';
        return kLinkExitOk;
    }
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        out << kUsage;
        return kLinkExitOk;
    }
    if (!args.empty() && args[0] == "ports") {
        if (args.size() != 1) return usage("ports takes no arguments");
        return RunPortsCommand(roots, out);
    }
    if (!args.empty() && args[0] == "assign") {
        if (args.size() != 3) return usage("assign needs COMn DEVICE");
        return RunAssignCommand(args[1], args[2], roots, out, err);
    }
    if (args.size() < 2) return usage("");
    const std::string path = ResolvePortArgument(args[0]);
    if (path.empty()) return usage("COM port number must be 1..19: " + args[0]);
    const std::string& command = args[1];

    // Check the whole command line before touching the port.
    uint16_t address = 0;
    uint16_t count = 0;
    uint8_t payload[2 * 123];
    if (command == "status") {
        if (args.size() != 2) return usage("status takes no arguments");
    } else if (command == "read") {
        if (args.size() != 4) return usage("read needs ADDR COUNT");
        auto a = ParseInRange(args[2], 0, 65535);
        auto c = ParseInRange(args[3], 1, 125);
        if (!a) return usage("bad address: " + args[2]);
        if (!c) return usage("bad count (1..125): " + args[3]);
        address = static_cast<uint16_t>(*a);
        count = static_cast<uint16_t>(*c);
    } else if (command == "write") {
        if (args.size() < 4) return usage("write needs ADDR and at least one value");
        if (args.size() - 3 > 123) return usage("at most 123 values");
        auto a = ParseInRange(args[2], 0, 65535);
        if (!a) return usage("bad address: " + args[2]);
        address = static_cast<uint16_t>(*a);
        for (size_t i = 3; i < args.size(); ++i) {
            auto v = ParseInRange(args[i], -32768, 65535);
            if (!v) return usage("bad value (-32768..65535): " + args[i]);
            const uint16_t w = static_cast<uint16_t>(*v);
            payload[2 * count] = static_cast<uint8_t>(w >> 8);
            payload[2 * count + 1] = static_cast<uint8_t>(w & 0xFF);
            ++count;
        }
    } else if (command == "command") {
        if (args.size() != 3) return usage("command needs CODE");
        auto c = ParseInRange(args[2], 0, 255);
        if (!c) return usage("bad command code (0..255): " + args[2]);
        address = kRegCommand;
        count = 1;
        payload[0] = 0;
        payload[1] = static_cast<uint8_t>(*c);
    } else {
        return usage("unknown command: " + command);
    }

    if (master.OpenPath(path, 57600, 8, 0, 0) != 1) {
        // Scripts look for the first part as it always was; the reason follows.
        err << "kestrane-link: cannot open " << path << " at 57600 8N1";
        const std::string why = DescribePortOpenError(master.LastOpenError(), master.LastOpenErrno());
        if (!why.empty()) err << ": " << why;
        err << '\n';
        return kLinkExitFailure;
    }

    if (command == "status") return Status(master, out, err);
    if (command == "read") {
        uint8_t data[2 * 125];
        ModbusResult r = master.ReadHoldingRegisters(kControllerSlave, address, count, data);
        if (r != kMbOk) return Failed(err, r);
        for (int i = 0; i < count; ++i) out << Word(data, i) << '\n';
        return kLinkExitOk;
    }
    ModbusResult r = master.WriteMultipleRegisters(kControllerSlave, address, count, payload);
    return r == kMbOk ? kLinkExitOk : Failed(err, r);
}

}  // namespace ks
