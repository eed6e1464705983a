#include "settings/keys.h"

#include <cstdio>

#include "platform/os.h"
#include "settings/profile_file.h"

namespace ks::settings {

std::string SettingsPathIn(const std::string& folder) { return JoinPath(folder, std::string(kFileName)); }

// The keys go into a file aside, which is then renamed into place: a power
// cut while they are written leaves no settings file (the next start
// creates it again) rather than one lacking keys, whose missing values would
// stand as texts from then on.
void CreateIfMissing(const std::string& path, const KeyValues& defaults) {
    if (ProfileFileExists(path)) return;
    const std::string aside = path + ".new";
    std::remove(aside.c_str());
    for (const auto& [name, value] : defaults) WriteProfileString(aside, kSection, name, value);
    std::rename(aside.c_str(), path.c_str());
}

std::string ReadSetting(const std::string& path, std::string_view name, std::string_view missingText) {
    return ReadProfileString(path, kSection, name, missingText);
}

bool WriteSetting(const std::string& path, std::string_view name, std::string_view value) {
    return WriteProfileString(path, kSection, name, value);
}

std::string ReadSettingIn(const std::string& path, std::string_view section, std::string_view name) {
    return ReadProfileString(path, section, name, "");
}

bool WriteSettingIn(const std::string& path, std::string_view section, std::string_view name,
                    std::string_view value) {
    return WriteProfileString(path, section, name, value);
}

}  // namespace ks::settings
