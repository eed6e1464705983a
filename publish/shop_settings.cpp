#include "publish/shop_settings.h"

#include "platform/file_read.h"
#include "publish/shop_json.h"
#include "settings/profile_file.h"

namespace ks::publish {
namespace {

constexpr std::string_view kSection = "Shop";

// Digits only, 1..65535; 0 otherwise.
int PortNumber(std::string_view text) {
    if (text.empty() || text.size() > 5) return 0;
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        port = port * 10 + (c - '0');
    }
    return port <= 65535 ? port : 0;
}

// "host", "host:port", "[v6]" or "[v6]:port"; false when it is none of
// them. *port is null without a port.
bool SplitBroker(std::string_view text, std::string* host, std::optional<std::string_view>* port) {
    port->reset();
    if (!text.empty() && text[0] == '[') {
        const size_t close = text.find(']');
        if (close == std::string_view::npos || close == 1) return false;
        *host = std::string(text.substr(1, close - 1));
        const std::string_view rest = text.substr(close + 1);
        if (rest.empty()) return true;
        if (rest[0] != ':') return false;
        *port = rest.substr(1);
        return true;
    }
    const size_t colon = text.find(':');
    if (colon != std::string_view::npos && text.find(':', colon + 1) != std::string_view::npos) {
        *host = std::string(text);  // a bare IPv6 address, no port
        return true;
    }
    *host = std::string(text.substr(0, colon));
    if (colon != std::string_view::npos) *port = text.substr(colon + 1);
    return !host->empty();
}

bool HasBlank(std::string_view text) { return text.find_first_of(" \t") != std::string_view::npos; }

// The name with what the topic tree cannot carry replaced by '_'.
std::string TopicSafe(std::string_view name) {
    std::string out;
    for (size_t i = 0; i < name.size();) {
        const size_t n = Utf8Length(name, i);
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (n == 0 || (n == 1 && (c < 0x20 || c == 0x7F || c == '/' || c == '+' || c == '#'))) {
            out += '_';
            ++i;
        } else {
            out.append(name.substr(i, n));
            i += n;
        }
    }
    return out;
}

}  // namespace

std::string ShopSettings::BrokerText() const {
    const std::string h = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return h + ":" + std::to_string(port);
}

std::optional<ShopSettings> ParseShopSettings(std::string_view iniText, std::string_view hostName,
                                              std::string* problem) {
    problem->clear();
    auto value = [iniText](std::string_view key) {
        return settings::LookupProfileValue(iniText, kSection, key, "");
    };
    const std::string broker = value("Broker");
    if (broker.empty()) return std::nullopt;

    ShopSettings s;
    std::optional<std::string_view> port;
    if (!SplitBroker(broker, &s.host, &port) || HasBlank(s.host)) {
        *problem = "[Shop] Broker=" + broker + " is not host:port; nothing is published";
        return std::nullopt;
    }
    s.caFile = value("CaFile");
    s.port = !port ? (s.caFile.empty() ? kDefaultPort : kDefaultTlsPort) : PortNumber(*port);
    if (s.port == 0) {
        *problem = "[Shop] Broker=" + broker + " has no port number 1 to 65535; nothing is published";
        return std::nullopt;
    }
    s.user = value("User");
    s.password = value("Password");
    if (!s.password.empty() && s.user.empty()) {
        *problem = "[Shop] has a Password but no User; nothing is published";
        return std::nullopt;
    }

    const std::string given = value("Machine");
    const std::string name = given.empty() ? std::string(hostName) : given;
    s.machine = TopicSafe(name);
    if (s.machine.empty()) s.machine = "kestrane";
    if (s.machine != name)
        *problem = "[Shop] machine name \"" + name + "\" cannot stand in a topic; publishing as \"" + s.machine + "\"";
    return s;
}

std::optional<ShopSettings> ReadShopSettings(const std::string& iniPath, std::string_view hostName,
                                             std::string* problem) {
    problem->clear();
    FileContents contents;
    if (!ReadWholeFile(iniPath, contents, nullptr)) return std::nullopt;
    return ParseShopSettings(contents.View(), hostName, problem);
}

}  // namespace ks::publish
