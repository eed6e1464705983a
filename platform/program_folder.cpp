#include "platform/program_folder.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#endif

namespace ks {
namespace {

namespace fs = std::filesystem;

std::optional<std::string>& Override() {
    static std::optional<std::string> folder;
    return folder;
}

std::optional<std::string>& SettingsOverride() {
    static std::optional<std::string> folder;
    return folder;
}

std::string ExecutablePath() {
#ifdef _WIN32
    char buf[MAX_PATH] = {};
    DWORD n = GetModuleFileNameA(nullptr, buf, MAX_PATH);
    return std::string(buf, n);
#else
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
#endif
}

#ifndef _WIN32
std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return home;
    // A service or a su session may run without HOME; the account still has one.
    const passwd* pw = getpwuid(getuid());
    return pw != nullptr && pw->pw_dir != nullptr ? pw->pw_dir : std::string();
}

#endif

}  // namespace

std::string ProgramFolder() {
    if (Override()) return *Override();
    std::string path = ExecutablePath();
#ifdef _WIN32
    size_t cut = path.find_last_of("\\/");
#else
    size_t cut = path.rfind('/');
#endif
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

void SetProgramFolder(const std::string& folder) { Override() = folder; }

std::string ChooseSettingsFolder(const std::string& programFolder, bool programFolderWritable,
                                 bool holdsSettingsFile, const char* xdgConfigHome,
                                 const std::string& home) {
    if (programFolderWritable || holdsSettingsFile) return programFolder;
    // A relative value is to be ignored: it would move with the working folder.
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') return std::string(xdgConfigHome) + "/kestrane";
    return home.empty() ? std::string() : home + "/.config/kestrane";
}

std::string SettingsFolder() {
    if (SettingsOverride()) return *SettingsOverride();
    const std::string program = ProgramFolder();
#ifdef _WIN32
    return program;
#else
    if (program.empty()) return program;
    // The settings file's name (settings/keys.h, a layer above this one).
    const std::string settingsFile = program + "/KSConfig.ini";
    const bool writable = access(program.c_str(), W_OK) == 0;
    const bool holds = access(settingsFile.c_str(), F_OK) == 0;
    return ChooseSettingsFolder(program, writable, holds, std::getenv("XDG_CONFIG_HOME"), HomeFolder());
#endif
}

void SetSettingsFolder(std::optional<std::string> folder) { SettingsOverride() = std::move(folder); }

bool MakeFolders(const std::string& folder) {
    if (folder.empty()) return false;
    std::error_code ec;
#ifdef _WIN32
    fs::create_directories(folder, ec);
#else
    // Level by level, so that every folder made here gets mode 0700.
    fs::path built;
    for (const fs::path& level : fs::path(folder)) {
        built /= level;
        if (level.empty() || level == "/") continue;
        if (mkdir(built.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
#endif
    return fs::is_directory(folder, ec);
}

}  // namespace ks
