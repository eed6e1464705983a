#include "jobfiles/word_scanner.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ks {

FileBytes::~FileBytes() {
    if (m_map != nullptr) munmap(m_map, m_size);
}

bool FileBytes::Open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    const bool haveStat = fstat(fd, &st) == 0;
    if (haveStat && S_ISDIR(st.st_mode)) {
        // Linux opens a folder for reading; it is still no file to read.
        ::close(fd);
        errno = EISDIR;
        return false;
    }
    if (haveStat && S_ISREG(st.st_mode) && st.st_size > 0) {
        // Populated at once: one call instead of a fault per page.
        void* map = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (map != MAP_FAILED) {
            m_map = map;
            m_data = static_cast<const char*>(map);
            m_size = static_cast<size_t>(st.st_size);
            ::close(fd);
            return true;
        }
    }
    // Not mappable (empty, a pipe, a device): read it whole.
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            m_copy.append(buf, static_cast<size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            break;  // a read error ends the data like the end of the file
        }
    }
    ::close(fd);
    m_data = m_copy.data();
    m_size = m_copy.size();
    return true;
}

bool WordScanner::ReadWord(std::string_view& word, size_t maxWord) {
    while (m_pos < m_end && IsScanBlank(*m_pos)) ++m_pos;
    const char* start = m_pos;
    while (m_pos < m_end && !IsScanBlank(*m_pos)) ++m_pos;
    size_t len = static_cast<size_t>(m_pos - start);
    while (m_pos < m_end && IsScanBlank(*m_pos)) ++m_pos;
    if (len == 0) {
        word = {};
        return false;
    }
    word = std::string_view(start, len < maxWord ? len : maxWord);
    return true;
}

bool WordScanner::IsWholeWordAt(const char* p, size_t len) const {
    if (p > m_begin && !IsScanBlank(p[-1])) return false;
    const char* after = p + len;
    return after == m_end || IsScanBlank(*after);
}

int WordScanner::KeyAt(const std::vector<Key>& keys, const char* pair, const char* from) const {
    for (size_t k = 0; k < keys.size(); ++k) {
        const Key& key = keys[k];
        if (pair[0] != key.word[key.anchor] || pair[1] != key.word[key.anchor + 1]) continue;
        if (static_cast<size_t>(pair - from) < key.anchor) continue;  // would start before `from`
        const char* start = pair - key.anchor;
        if (static_cast<size_t>(m_end - start) < key.word.size()) continue;
        if (std::memcmp(start, key.word.data(), key.word.size()) == 0 && IsWholeWordAt(start, key.word.size())) {
            return static_cast<int>(k);
        }
    }
    return -1;
}

int WordScanner::SkipToKey(const std::vector<Key>& keys) {
    // Two whole words never overlap, so the first anchor pair met in the
    // text belongs to the first key word in it.
    const char* from = m_pos;
    const char* p = from;
    const char* hit = nullptr;
    int found = -1;
#if defined(__SSE2__)
    if (keys.size() <= 4) {
        __m128i first[4], second[4];
        for (size_t k = 0; k < keys.size(); ++k) {
            first[k] = _mm_set1_epi8(keys[k].word[keys[k].anchor]);
            second[k] = _mm_set1_epi8(keys[k].word[keys[k].anchor + 1]);
        }
        for (; m_end - p >= 17 && found < 0; p += 16) {
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
            __m128i any = _mm_setzero_si128();
            for (size_t k = 0; k < keys.size(); ++k) {
                any = _mm_or_si128(any, _mm_and_si128(_mm_cmpeq_epi8(a, first[k]), _mm_cmpeq_epi8(b, second[k])));
            }
            for (unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(any)); bits != 0; bits &= bits - 1) {
                const char* pair = p + __builtin_ctz(bits);
                found = KeyAt(keys, pair, from);
                if (found >= 0) {
                    hit = pair - keys[static_cast<size_t>(found)].anchor;
                    break;
                }
            }
        }
    }
#endif
    for (; found < 0 && m_end - p >= 2; ++p) {
        found = KeyAt(keys, p, from);
        if (found >= 0) hit = p - keys[static_cast<size_t>(found)].anchor;
    }
    if (found < 0) {
        m_pos = m_end;
        return -1;
    }
    m_pos = hit + keys[static_cast<size_t>(found)].word.size();
    while (m_pos < m_end && IsScanBlank(*m_pos)) ++m_pos;
    return found;
}

}  // namespace ks
