#include "platform/os.h"
#include "platform/language.h"

#include "platform/windows_h.h"

#include <cstdio>
#include <io.h>

namespace ks {

bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }

size_t LastPathSeparator(std::string_view path) { return path.find_last_of("\\/"); }

char NativePathSeparator() { return '\\'; }

std::string JoinPath(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    return IsPathSeparator(folder.back()) ? folder + name : folder + '\\' + name;
}

bool MakeFolder(const std::string& path) { return ::CreateDirectoryA(path.c_str(), nullptr) != 0; }

bool IsEnterableFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

namespace {

bool IsNotFound(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_INVALID_DRIVE:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool PathExists(const std::string& path) {
    // The attributes of a link are its own, so a dangling one is found too.
    if (::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    // A name that is there but cannot be looked at (a protected system
    // file) still exists: writing over it would fail or destroy something
    // that is not ours.
    return !IsNotFound(::GetLastError());
}

PathKind KindOfPath(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return IsNotFound(::GetLastError()) ? PathKind::Missing : PathKind::Unknown;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::Folder;
    if (attributes & FILE_ATTRIBUTE_DEVICE) return PathKind::Other;
    return PathKind::File;
}

// NTFS and FAT keep a new name with the file's own data once that is
// committed; a folder cannot be flushed by itself.
bool SyncFolderOf(const std::string&) { return true; }

bool ReplaceFileDurably(const std::string& path, std::string_view data) {
    const std::string tmp = path + ".tmp";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size() && std::fflush(f) == 0 &&
              ::_commit(::_fileno(f)) == 0;
    ok = std::fclose(f) == 0 && ok;
    // Write-through: the call returns once the rename is on the disk.
    if (!ok || !::MoveFileExA(tmp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        ::DeleteFileA(tmp.c_str());
        return false;
    }
    return true;
}

std::tm LocalCalendarTime(std::time_t when) {
    std::tm local{};
    ::localtime_s(&local, &when);
    return local;
}

// The language the user reads Windows in; the locale variables of POSIX
// systems mean nothing there.
Language SystemLanguage() {
    return PRIMARYLANGID(::GetUserDefaultUILanguage()) == LANG_ENGLISH ? Language::English : Language::Chinese;
}

}  // namespace ks
