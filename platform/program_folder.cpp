#include "platform/program_folder.h"

#include "platform/os.h"

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#include <shlobj.h>
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

#ifdef _WIN32
bool FileExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Whether this account may create files in `folder`. Windows keeps the
// answer in access lists that the folder's attributes do not show, so a
// file is made and deleted again (by the system, on closing).
bool MayCreateFilesIn(const std::string& folder) {
    const std::string probe =
        JoinPath(folder, "ks-write-probe-" + std::to_string(::GetCurrentProcessId()) + ".tmp");
    const HANDLE h = ::CreateFileA(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(h);
    return true;
}

std::string AppDataFolder() {
    char buf[MAX_PATH] = {};
    if (SUCCEEDED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buf))) return buf;
    const char* env = std::getenv("APPDATA");
    return env != nullptr ? env : std::string();
}
#else
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

std::string ChooseSettingsFolder(const SettingsPlace& place) {
    if (place.installed) return place.accountFolder;
    if (place.programFolderWritable || place.holdsSettingsFile) return place.programFolder;
    return place.accountFolder;
}

std::string PosixAccountFolder(const char* xdgConfigHome, const std::string& home) {
    // A relative value is to be ignored: it would move with the working folder.
    if (xdgConfigHome != nullptr && xdgConfigHome[0] == '/') return std::string(xdgConfigHome) + "/kestrane";
    return home.empty() ? std::string() : home + "/.config/kestrane";
}

std::string WindowsAccountFolder(const std::string& appData) {
    if (appData.empty()) return appData;
    const char last = appData.back();
    return appData + (last == '\\' || last == '/' ? "" : "\\") + "Kestrane";
}

std::string SettingsFolder() {
    if (SettingsOverride()) return *SettingsOverride();
    SettingsPlace place;
    place.programFolder = ProgramFolder();
    if (place.programFolder.empty()) return place.programFolder;
    // The settings file's name (settings/keys.h, a layer above this one).
    const std::string settingsFile = JoinPath(place.programFolder, "KSConfig.ini");
#ifdef _WIN32
    place.installed = FileExists(JoinPath(place.programFolder, kUninstallerName));
    place.programFolderWritable = MayCreateFilesIn(place.programFolder);
    place.holdsSettingsFile = FileExists(settingsFile);
    place.accountFolder = WindowsAccountFolder(AppDataFolder());
#else
    // The Debian package installs into /usr/bin, which the account cannot write.
    place.programFolderWritable = access(place.programFolder.c_str(), W_OK) == 0;
    place.holdsSettingsFile = access(settingsFile.c_str(), F_OK) == 0;
    place.accountFolder = PosixAccountFolder(std::getenv("XDG_CONFIG_HOME"), HomeFolder());
#endif
    return ChooseSettingsFolder(place);
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
