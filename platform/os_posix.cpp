#include "platform/os.h"
#include "platform/language.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace ks {

bool IsPathSeparator(char c) { return c == '/'; }

size_t LastPathSeparator(std::string_view path) { return path.rfind('/'); }

char NativePathSeparator() { return '/'; }

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return folder.back() == '/' ? folder + name : folder + '/' + name;
}

bool MakeFolder(const std::string& path) { return ::mkdir(path.c_str(), 0777) == 0; }

bool IsEnterableFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

PathKind KindOfPath(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? PathKind::Missing : PathKind::Unknown;
    if (S_ISREG(st.st_mode)) return PathKind::File;
    if (S_ISDIR(st.st_mode)) return PathKind::Folder;
    return PathKind::Other;
}

namespace {

// A symbolic link keeps pointing at the real file: write the target.
std::string ResolveTarget(const std::string& path) {
    char buf[PATH_MAX];
    if (::realpath(path.c_str(), buf) != nullptr) return buf;
    return path;
}

std::string FolderOf(const std::string& path) {
    size_t cut = path.rfind('/');
    if (cut == std::string::npos) return ".";
    return cut == 0 ? "/" : path.substr(0, cut);
}

bool WriteFully(int fd, std::string_view data) {
    size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool ReplaceFileDurably(const std::string& path, std::string_view data) {
    const std::string target = ResolveTarget(path);
    const std::string tmp = target + ".tmp";
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    struct stat st {};
    mode_t mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
    bool ok = WriteFully(fd, data) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(tmp.c_str(), target.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    // The rename itself reaches the disk only with its folder.
    SyncFolderOf(target);
    return true;
}

bool SyncFolderOf(const std::string& path) {
    const int dir = ::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    const bool ok = ::fsync(dir) == 0;
    return (::close(dir) == 0) && ok;
}

std::tm LocalCalendarTime(std::time_t when) {
    std::tm local{};
    ::localtime_r(&when, &local);
    return local;
}

Language SystemLanguage() { return LanguageFromEnvironment(); }

}  // namespace ks
