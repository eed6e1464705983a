#include "platform/file_read.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <utility>

namespace ks {
namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    ~Descriptor() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int Get() const { return m_fd; }

private:
    int m_fd;
};

constexpr size_t kHugePage = size_t{2} << 20;
// A pipe or a device has no size to go by: it starts with this much room.
constexpr size_t kFirstGuess = 64 * 1024;

size_t RoundUp(size_t n, size_t unit) { return (n + unit - 1) / unit * unit; }

// Buffers are fresh anonymous pages rather than heap memory. A drawing of
// tens of megabytes in 4 KiB pages costs a fault and a TLB miss every 4 KiB
// while it is read and scanned; under virtualisation that made reading it
// over ten times slower than mapping the file. Large buffers are therefore
// laid on huge-page boundaries and offered for transparent huge pages.
//
// The kernel clears fresh pages, and for a drawing that costs more than the
// copy of the file itself. So the last large buffer released is kept for
// the next read: a drawing is read twice in a row (header, then entities).
// While kept, its pages are marked free, so that under memory pressure the
// kernel takes them back rather than leave them with an idle console.
struct Spare {
    std::mutex lock;
    char* data = nullptr;
    size_t capacity = 0;
};
Spare& TheSpare() {
    static Spare* spare = new Spare;  // never destroyed: buffers may be released during exit
    return *spare;
}

char* TakeSpare(size_t want, size_t* capacity) {
    Spare& spare = TheSpare();
    std::lock_guard<std::mutex> hold(spare.lock);
    if (spare.data == nullptr || spare.capacity < want) return nullptr;
    *capacity = std::exchange(spare.capacity, 0);
    return std::exchange(spare.data, nullptr);
}

void ReleaseStorage(char* data, size_t capacity) {
    if (capacity >= kHugePage) {
        Spare& spare = TheSpare();
        std::lock_guard<std::mutex> hold(spare.lock);
        if (capacity > spare.capacity) {
#ifdef MADV_FREE
            ::madvise(data, capacity, MADV_FREE);
#endif
            std::swap(data, spare.data);
            std::swap(capacity, spare.capacity);
        }
    }
    if (data != nullptr) ::munmap(data, capacity);
}

char* MapStorage(size_t want, size_t* capacity) {
    static const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
    if (want > SIZE_MAX / 2) return nullptr;
    if (want < kHugePage) {
        const size_t len = RoundUp(want, page);
        void* p = ::mmap(nullptr, len, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) return nullptr;
        *capacity = len;
        return static_cast<char*>(p);
    }
    if (char* reused = TakeSpare(want, capacity)) return reused;
    const size_t len = RoundUp(want, kHugePage);
    void* raw = ::mmap(nullptr, len + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) return nullptr;
    const uintptr_t start = reinterpret_cast<uintptr_t>(raw);
    const uintptr_t aligned = RoundUp(start, kHugePage);
    const size_t head = aligned - start;
    if (head > 0) ::munmap(raw, head);
    if (kHugePage - head > 0) ::munmap(reinterpret_cast<char*>(aligned) + len, kHugePage - head);
#ifdef MADV_HUGEPAGE
    ::madvise(reinterpret_cast<void*>(aligned), len, MADV_HUGEPAGE);  // only advice: ignored where unsupported
#endif
    *capacity = len;
    return reinterpret_cast<char*>(aligned);
}

}  // namespace

void FileContents::Release() {
    if (m_data != nullptr) ReleaseStorage(m_data, m_capacity);
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

    int raw;
    do {
        raw = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (raw < 0 && errno == EINTR);
    if (raw < 0) return fail(errno);
    Descriptor fd(raw);

    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) return fail(errno);
    // Linux opens a folder for reading; it is still no file to read.
    if (S_ISDIR(st.st_mode)) return fail(EISDIR);

    FileContents buf;
    if (S_ISREG(st.st_mode) && st.st_size > 0) {
        if (static_cast<uintmax_t>(st.st_size) > SIZE_MAX) return fail(ENOMEM);
        buf.m_data = MapStorage(static_cast<size_t>(st.st_size), &buf.m_capacity);
        if (buf.m_data == nullptr) return fail(ENOMEM);
    }

    for (;;) {
        if (buf.m_size == buf.m_capacity) {
            // Full. For a regular file this is normally its end; a small
            // probe finds out without making room that would go unused.
            char probe[4096];
            const ssize_t n = ::read(fd.Get(), probe, sizeof probe);
            if (n == 0) break;
            if (n < 0) {
                if (errno == EINTR) continue;
                return fail(errno);
            }
            const size_t got = static_cast<size_t>(n);
            FileContents bigger;
            const size_t want = buf.m_capacity < kFirstGuess ? kFirstGuess : buf.m_capacity * 2;
            bigger.m_data = MapStorage(want, &bigger.m_capacity);
            if (bigger.m_data == nullptr) return fail(ENOMEM);
            if (buf.m_size > 0) std::memcpy(bigger.m_data, buf.m_data, buf.m_size);
            std::memcpy(bigger.m_data + buf.m_size, probe, got);
            bigger.m_size = buf.m_size + got;
            buf = std::move(bigger);
            continue;
        }
        const ssize_t n = ::read(fd.Get(), buf.m_data + buf.m_size, buf.m_capacity - buf.m_size);
        if (n > 0) {
            buf.m_size += static_cast<size_t>(n);
        } else if (n == 0) {
            break;  // the file ends here, earlier if it shrank while being read
        } else if (errno != EINTR) {
            return fail(errno);
        }
    }
    out = std::move(buf);
    return true;
}

bool FileReader::Open(const std::string& path, int* error) {
    Close();
    int raw;
    do {
        raw = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (raw < 0 && errno == EINTR);
    if (raw < 0) {
        if (error != nullptr) *error = errno;
        return false;
    }
    struct stat st {};
    const int err = ::fstat(raw, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (err != 0) {
        ::close(raw);
        if (error != nullptr) *error = err;
        return false;
    }
#ifdef POSIX_FADV_SEQUENTIAL
    ::posix_fadvise(raw, 0, 0, POSIX_FADV_SEQUENTIAL);  // only advice
#endif
    m_handle = raw;
    return true;
}

ptrdiff_t FileReader::Read(char* to, size_t room, int* error) {
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(m_handle), to, room);
        if (n >= 0) return n;
        if (errno == EINTR) continue;
        if (error != nullptr) *error = errno;
        return -1;
    }
}

void FileReader::Close() {
    if (m_handle >= 0) ::close(static_cast<int>(m_handle));
    m_handle = -1;
}

}  // namespace ks
