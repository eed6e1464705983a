#include "platform/append_file.h"

#include <cerrno>
#include <cstdio>

#include "platform/os.h"

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ks {

#ifndef _WIN32
namespace {

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

}  // namespace

bool AppendDurably(const std::string& path, std::string_view header, std::string_view line, int* error) {
    auto fail = [error](int err) {
        if (error != nullptr) *error = err;
        return false;
    };
    // Read and write: the last byte is looked at before appending.
    const int fd = ::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return fail(errno);
    std::string out;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return fail(err);
    }
    if (st.st_size == 0) {
        out.append(header);
    } else {
        char last = '\n';
        if (::pread(fd, &last, 1, st.st_size - 1) == 1 && last != '\n') out.append("\r\n");
    }
    out.append(line);
    bool ok = WriteAll(fd, out) && ::fdatasync(fd) == 0;
    int err = errno;
    ok = (::close(fd) == 0) && ok;
    // A file made just now exists for good only once its folder says so.
    if (ok && st.st_size == 0 && !SyncFolderOf(path)) {
        ok = false;
        err = errno;
    }
    return ok ? true : fail(err);
}
#else
bool AppendDurably(const std::string& path, std::string_view header, std::string_view line, int* error) {
    FILE* f = std::fopen(path.c_str(), "a+b");
    if (f == nullptr) {
        if (error != nullptr) *error = errno;
        return false;
    }
    std::string out;
    std::fseek(f, 0, SEEK_END);
    const long size = std::ftell(f);
    if (size == 0) {
        out.append(header);
    } else if (size > 0 && std::fseek(f, size - 1, SEEK_SET) == 0 && std::fgetc(f) != '\n') {
        out.append("\r\n");
    }
    std::fseek(f, 0, SEEK_END);
    out.append(line);
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size() && std::fflush(f) == 0 &&
              _commit(_fileno(f)) == 0;
    ok = std::fclose(f) == 0 && ok;
    if (!ok && error != nullptr) *error = errno;
    return ok;
}
#endif

}  // namespace ks
