#include "jobfiles/word_scanner.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ks {

FileBytes::~FileBytes() {
    if (m_map != nullptr) munmap(m_map, m_size);
}

bool FileBytes::Open(const std::string& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        void* map = mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (map != MAP_FAILED) {
            madvise(map, static_cast<size_t>(st.st_size), MADV_SEQUENTIAL);
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

const char* WordScanner::FindWholeWord(std::string_view key, const char* from) const {
    while (from < m_end) {
        const void* hit = memmem(from, static_cast<size_t>(m_end - from), key.data(), key.size());
        if (hit == nullptr) return m_end;
        const char* p = static_cast<const char*>(hit);
        if (IsWholeWordAt(p, key.size())) return p;
        from = p + 1;
    }
    return m_end;
}

int WordScanner::SkipToKey(const std::vector<std::string_view>& keys) {
    if (keys != m_cachedKeys) {
        m_cachedKeys = keys;
        m_nextHit.assign(keys.size(), nullptr);
    }
    int best = -1;
    const char* bestAt = m_end;
    for (size_t k = 0; k < keys.size(); ++k) {
        if (keys[k].empty()) continue;
        if (m_nextHit[k] == nullptr || m_nextHit[k] < m_pos) {
            m_nextHit[k] = FindWholeWord(keys[k], m_pos);
        }
        if (m_nextHit[k] < bestAt) {
            bestAt = m_nextHit[k];
            best = static_cast<int>(k);
        }
    }
    if (best < 0) {
        m_pos = m_end;
        return -1;
    }
    m_pos = bestAt + keys[static_cast<size_t>(best)].size();
    while (m_pos < m_end && IsScanBlank(*m_pos)) ++m_pos;
    return best;
}

}  // namespace ks
