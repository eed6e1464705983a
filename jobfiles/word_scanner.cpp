#include "jobfiles/word_scanner.h"

#include <cerrno>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace ks {

bool FileBytes::Open(const std::string& path) {
    int error = 0;
    if (ReadWholeFile(path, m_contents, &error)) return true;
    errno = error;
    return false;
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
