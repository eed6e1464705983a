#include "platform/file_read.h"

#include "platform/windows_h.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace ks {
namespace {

class Handle {
public:
    explicit Handle(HANDLE h) : m_h(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (m_h != INVALID_HANDLE_VALUE) ::CloseHandle(m_h);
    }
    HANDLE Get() const { return m_h; }

private:
    HANDLE m_h;
};

// A pipe or a device has no size to go by: it starts with this much room.
constexpr size_t kFirstGuess = 64 * 1024;
// One ReadFile moves at most a DWORD's worth.
constexpr size_t kMaxChunk = 64u << 20;

// Callers classify errno values, whatever the system.
int ErrnoOf(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_PATHNAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;
        case ERROR_NOT_ENOUGH_MEMORY:
        case ERROR_OUTOFMEMORY:
            return ENOMEM;
        case ERROR_TOO_MANY_OPEN_FILES: return EMFILE;
        default: return EIO;
    }
}

bool IsFolder(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace

// Plain heap storage: Windows hands out large blocks as fresh committed
// pages on its own, and the console reads one file at a time.
void FileContents::Release() {
    std::free(m_data);
    m_data = nullptr;
    m_size = 0;
    m_capacity = 0;
}

bool ReadWholeFile(const std::string& path, FileContents& out, int* error) {
    out.Release();
    auto fail = [error](int err) {
        if (error != nullptr) *error = err;
        return false;
    };

    // Other programs may keep the file open for writing (an editor, a
    // copy still running): the bytes there now are what is read.
    Handle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        // Windows refuses to open a folder as a file with "access denied".
        if (code == ERROR_ACCESS_DENIED && IsFolder(path)) return fail(EISDIR);
        return fail(ErrnoOf(code));
    }

    FileContents buf;
    size_t want = kFirstGuess;
    LARGE_INTEGER size{};
    if (::GetFileType(file.Get()) == FILE_TYPE_DISK && ::GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0) {
        if (static_cast<uint64_t>(size.QuadPart) >= SIZE_MAX / 2) return fail(ENOMEM);
        // One byte more than the size: a read that fills it tells at once
        // that the file grew, and one that stops short ends the loop.
        want = static_cast<size_t>(size.QuadPart) + 1;
    }
    buf.m_data = static_cast<char*>(std::malloc(want));
    if (buf.m_data == nullptr) return fail(ENOMEM);
    buf.m_capacity = want;

    for (;;) {
        if (buf.m_size == buf.m_capacity) {
            if (buf.m_capacity > SIZE_MAX / 4) return fail(ENOMEM);
            const size_t bigger = buf.m_capacity * 2;
            char* grown = static_cast<char*>(std::realloc(buf.m_data, bigger));
            if (grown == nullptr) return fail(ENOMEM);
            buf.m_data = grown;
            buf.m_capacity = bigger;
        }
        const size_t room = buf.m_capacity - buf.m_size;
        DWORD got = 0;
        if (!::ReadFile(file.Get(), buf.m_data + buf.m_size, static_cast<DWORD>(room < kMaxChunk ? room : kMaxChunk),
                        &got, nullptr)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) break;  // the writer is done
            return fail(ErrnoOf(code));
        }
        if (got == 0) break;  // the file ends here, earlier if it shrank while being read
        buf.m_size += got;
    }
    out = std::move(buf);
    return true;
}

bool FileReader::Open(const std::string& path, int* error) {
    Close();
    const HANDLE h = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD code = ::GetLastError();
        if (error != nullptr) *error = code == ERROR_ACCESS_DENIED && IsFolder(path) ? EISDIR : ErrnoOf(code);
        return false;
    }
    m_handle = reinterpret_cast<intptr_t>(h);
    return true;
}

ptrdiff_t FileReader::Read(char* to, size_t room, int* error) {
    DWORD got = 0;
    if (!::ReadFile(reinterpret_cast<HANDLE>(m_handle), to, static_cast<DWORD>(room < kMaxChunk ? room : kMaxChunk),
                    &got, nullptr)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_BROKEN_PIPE || code == ERROR_HANDLE_EOF) return 0;
        if (error != nullptr) *error = ErrnoOf(code);
        return -1;
    }
    return static_cast<ptrdiff_t>(got);
}

void FileReader::Close() {
    if (m_handle != -1) ::CloseHandle(reinterpret_cast<HANDLE>(m_handle));
    m_handle = -1;
}

}  // namespace ks
