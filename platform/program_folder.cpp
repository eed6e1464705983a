#include "platform/program_folder.h"

#include <optional>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#include <climits>
#endif

namespace ks {
namespace {

std::optional<std::string>& Override() {
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

}  // namespace ks
