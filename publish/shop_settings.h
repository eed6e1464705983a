#pragma once
// Where and as whom the console publishes to the shop's broker: section
// [Shop] of the settings file, keys of ours beside the console's own.
//
//   [Shop]
//   Broker=host:port      the broker; without it nothing is published
//   Machine=name          the machine's name in the topics (default: host name)
//   User=... Password=... when the broker asks for them
//   CaFile=path           TLS, trusting the broker's certificate by this CA
//
// The console only reads them; nothing is ever written to the section.
#include <optional>
#include <string>
#include <string_view>

namespace ks::publish {

struct ShopSettings {
    std::string host;
    int port = 0;
    std::string machine;
    std::string user;
    std::string password;
    std::string caFile;

    // "host:port", with IPv6 addresses in brackets.
    std::string BrokerText() const;
};

// The MQTT port the broker listens on when Broker gives none.
inline constexpr int kDefaultPort = 1883;
inline constexpr int kDefaultTlsPort = 8883;

// The settings as the file's text holds them; nullopt when they name no
// broker. An entry that cannot be used also gives nullopt, with the reason
// in *problem (a line for standard error). hostName stands for the machine
// when Machine is not given. A machine name that would break the topic
// tree ('/', '+', '#', control characters, bytes that are no UTF-8) has
// those replaced by '_', and *problem says so while publishing goes on.
std::optional<ShopSettings> ParseShopSettings(std::string_view iniText, std::string_view hostName,
                                              std::string* problem);

// The same, read from the settings file at iniPath (no file: nullopt).
std::optional<ShopSettings> ReadShopSettings(const std::string& iniPath, std::string_view hostName,
                                             std::string* problem);

}  // namespace ks::publish
