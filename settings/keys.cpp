#include "settings/keys.h"

#include "settings/profile_file.h"

namespace ks::settings {

std::string SettingsPathIn(const std::string& folder) {
    std::string name(kFileName);
#ifdef _WIN32
    return folder.empty() ? name : folder + "\\" + name;
#else
    return folder.empty() ? name : folder + "/" + name;
#endif
}

void CreateIfMissing(const std::string& path, const KeyValues& defaults) {
    if (ProfileFileExists(path)) return;
    for (const auto& [name, value] : defaults) WriteProfileString(path, kSection, name, value);
}

std::string ReadSetting(const std::string& path, std::string_view name, std::string_view missingText) {
    return ReadProfileString(path, kSection, name, missingText);
}

bool WriteSetting(const std::string& path, std::string_view name, std::string_view value) {
    return WriteProfileString(path, kSection, name, value);
}

}  // namespace ks::settings
