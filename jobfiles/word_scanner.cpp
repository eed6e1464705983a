#include "jobfiles/word_scanner.h"

#include <bit>
#include <cerrno>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace ks {

bool FileBytes::Open(const std::string& path) {
    int error = 0;
    if (ReadWholeFile(path, m_contents, &error)) return true;
    errno = error;
    return false;
}

namespace {

// The first blank at or after p, or end. Blanks all lie below 0x21: eight
// bytes at a time, a word's bytes are passed over until one of them does.
const char* WordEnd(const char* p, const char* end) {
    constexpr uint64_t kOnes = 0x0101010101010101u, kHigh = kOnes * 0x80;
    while (end - p >= 8) {
        uint64_t bytes;
        std::memcpy(&bytes, p, 8);
        const uint64_t low = (bytes - kOnes * 0x21) & ~bytes & kHigh;  // its lowest byte is the first below 0x21
        if (low == 0) {
            p += 8;
            continue;
        }
        const char* q = std::endian::native == std::endian::little ? p + __builtin_ctzll(low) / 8 : p;
        while (q < p + 8 && static_cast<unsigned char>(*q) >= 0x21) ++q;
        if (IsScanBlank(*q)) return q;
        p = q + 1;
    }
    while (p < end && !IsScanBlank(*p)) ++p;
    return p;
}

}  // namespace

bool WordScanner::ReadWord(std::string_view& word, size_t maxWord) {
    while (m_pos < m_end && IsScanBlank(*m_pos)) ++m_pos;
    const char* start = m_pos;
    m_pos = WordEnd(m_pos, m_end);
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

#if defined(__SSE2__)
// Up to four keys 16 bytes at a time: the first key word met at or after p,
// or -1 with p where the vector search stopped.
int WordScanner::SearchNarrow(const std::vector<Key>& keys, const char* from, const char*& p) const {
    __m128i first[4], second[4];
    for (size_t k = 0; k < keys.size(); ++k) {
        first[k] = _mm_set1_epi8(keys[k].word[keys[k].anchor]);
        second[k] = _mm_set1_epi8(keys[k].word[keys[k].anchor + 1]);
    }
    for (; m_end - p >= 17; p += 16) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
        __m128i any = _mm_setzero_si128();
        for (size_t k = 0; k < keys.size(); ++k) {
            any = _mm_or_si128(any, _mm_and_si128(_mm_cmpeq_epi8(a, first[k]), _mm_cmpeq_epi8(b, second[k])));
        }
        for (unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(any)); bits != 0; bits &= bits - 1) {
            const int found = KeyAt(keys, p + __builtin_ctz(bits), from);
            if (found >= 0) {
                p += __builtin_ctz(bits);
                return found;
            }
        }
    }
    return -1;
}
#endif

#if defined(__x86_64__) || defined(__i386__)
namespace {

// Bit i: an anchor pair of one of the keys starts at q + i.
__attribute__((target("avx2"))) inline uint32_t AnchorPairs(const char* q, const __m256i* first, const __m256i* second,
                                                            size_t keys) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + 1));
    __m256i any = _mm256_setzero_si256();
    for (size_t k = 0; k < keys; ++k) {
        any = _mm256_or_si256(any, _mm256_and_si256(_mm256_cmpeq_epi8(a, first[k]), _mm256_cmpeq_epi8(b, second[k])));
    }
    return static_cast<uint32_t>(_mm256_movemask_epi8(any));
}

}  // namespace

// The same 32 bytes at a time, where the processor has AVX2.
__attribute__((target("avx2"))) int WordScanner::SearchWide(const std::vector<Key>& keys, const char* from,
                                                          const char*& p) const {
    __m256i first[4], second[4];
    for (size_t k = 0; k < keys.size(); ++k) {
        first[k] = _mm256_set1_epi8(keys[k].word[keys[k].anchor]);
        second[k] = _mm256_set1_epi8(keys[k].word[keys[k].anchor + 1]);
    }
    // 64 bytes a round, one test for both halves: anchor pairs are rare.
    for (; m_end - p >= 33; p += 32) {
        uint64_t bits = AnchorPairs(p, first, second, keys.size());
        if (m_end - p >= 65) {
            bits |= uint64_t{AnchorPairs(p + 32, first, second, keys.size())} << 32;
            if (bits == 0) {
                p += 32;
                continue;
            }
        }
        for (; bits != 0; bits &= bits - 1) {
            const int at = __builtin_ctzll(bits);
            const int found = KeyAt(keys, p + at, from);
            if (found >= 0) {
                p += at;
                return found;
            }
        }
        if (m_end - p >= 65) p += 32;
    }
    return -1;
}
#endif

int WordScanner::SkipToKey(const std::vector<Key>& keys) {
    // Two whole words never overlap, so the first anchor pair met in the
    // text belongs to the first key word in it.
    const char* from = m_pos;
    const char* p = from;
    int found = -1;
    if (keys.size() <= 4) {
#if defined(__x86_64__) || defined(__i386__)
        static const bool wide = __builtin_cpu_supports("avx2");
        if (wide) found = SearchWide(keys, from, p);
#endif
#if defined(__SSE2__)
        if (found < 0) found = SearchNarrow(keys, from, p);
#endif
    }
    for (; found < 0 && m_end - p >= 2; ++p) {
        found = KeyAt(keys, p, from);
        if (found >= 0) break;
    }
    if (found < 0) {
        m_pos = m_end;
        return -1;
    }
    const char* hit = p - keys[static_cast<size_t>(found)].anchor;
    m_pos = hit + keys[static_cast<size_t>(found)].word.size();
    while (m_pos < m_end && IsScanBlank(*m_pos)) ++m_pos;
    return found;
}

}  // namespace ks
