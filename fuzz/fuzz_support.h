#pragma once
// Shared pieces of the fuzz targets: a reader that takes typed values off
// the front of the fuzz input, a scratch folder made once per process (in
// memory where possible, so the file-based loaders cost no disk writes),
// and a check that aborts with a message libFuzzer reports as a
// crash.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace ks::fuzz {

// Violated invariants abort, which libFuzzer reports as a crash and keeps
// the input.
#define KS_FUZZ_CHECK(cond)                                                              \
    do {                                                                                 \
        if (!(cond)) {                                                                   \
            std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                \
        }                                                                                \
    } while (0)

class Input {
public:
    Input(const uint8_t* data, size_t size) : m_p(data), m_end(data + size) {}
    bool Empty() const { return m_p >= m_end; }
    size_t Left() const { return static_cast<size_t>(m_end - m_p); }
    // 0 once the input is used up.
    uint8_t Byte() { return m_p < m_end ? *m_p++ : 0; }
    uint16_t U16() { return static_cast<uint16_t>(Byte() << 8 | Byte()); }
    // Up to n bytes.
    std::string_view Take(size_t n) {
        if (n > Left()) n = Left();
        std::string_view s(reinterpret_cast<const char*>(m_p), n);
        m_p += n;
        return s;
    }
    // A piece whose length is the next byte.
    std::string_view Piece() { return Take(Byte()); }
    std::string_view Rest() { return Take(Left()); }

private:
    const uint8_t* m_p;
    const uint8_t* m_end;
};

// One folder for the whole fuzzing process, under TMPDIR when that is set
// (scripts/test points it at a folder it removes afterwards), else in
// memory. libFuzzer leaves by _exit, so the process cannot remove it.
inline const std::string& ScratchFolder() {
    static const std::string folder = [] {
        std::string base = "/tmp";
        struct stat st {};
        if (const char* t = std::getenv("TMPDIR"); t != nullptr && *t != '\0') {
            base = t;
        } else if (stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && access("/dev/shm", W_OK) == 0) {
            base = "/dev/shm";
        }
        std::string pattern = base + "/ks_fuzz_XXXXXX";
        const char* made = mkdtemp(pattern.data());
        if (made == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        return std::string(made);
    }();
    return folder;
}

inline void WriteFileBytes(const std::string& path, std::string_view bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        std::perror(path.c_str());
        std::abort();
    }
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

inline std::string ReadFileBytes(const std::string& path) {
    std::string out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) out.append(buf, n);
    std::fclose(f);
    return out;
}

}  // namespace ks::fuzz
