#include "jobfiles/dxf_pairs.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstring>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

namespace ks::dxf {
namespace {

// Space, tab, CR, VT, FF: one test of a bit, as every value is trimmed.
bool IsBlank(char c) {
    constexpr uint64_t kBlanks = uint64_t{1} << ' ' | uint64_t{1} << '\t' | uint64_t{1} << '\r' | uint64_t{1} << '\v' |
                                 uint64_t{1} << '\f';
    const auto u = static_cast<unsigned char>(c);
    return u <= ' ' && ((kBlanks >> u) & 1) != 0;
}

inline std::string_view Trim(std::string_view s) {
    size_t begin = 0, end = s.size();
    while (begin < end && IsBlank(s[begin])) ++begin;
    while (end > begin && IsBlank(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

// The usual code lines without a library call: blanks, one to nine
// digits, perhaps a CR. Anything else goes to ParseCode, whose values are
// the same for these.
bool QuickCode(const char* p, const char* end, int32_t& code) {
    while (p < end && *p == ' ') ++p;
    int32_t v = 0;
    int digits = 0;
    for (; p < end && static_cast<unsigned char>(*p - '0') < 10 && digits < 9; ++p, ++digits) v = v * 10 + (*p - '0');
    if (digits == 0) return false;
    if (p < end && *p == '\r') ++p;
    if (p != end) return false;
    code = v;
    return true;
}

// The next line feed, or null. Most lines of a drawing are short: their
// end is found eight bytes at a time without a library call.
inline __attribute__((always_inline)) const char* LineFeed(const char* from, const char* end) {
    constexpr uint64_t kOnes = 0x0101010101010101u, kLf = kOnes * '\n', kHigh = kOnes * 0x80;
    for (int i = 0; i < 2 && end - from >= 8; ++i, from += 8) {
        uint64_t word;
        std::memcpy(&word, from, 8);
        const uint64_t x = word ^ kLf;
        const uint64_t zero = (x - kOnes) & ~x & kHigh;  // the lowest set byte is the first line feed
        if (zero != 0 && std::endian::native == std::endian::little) return from + __builtin_ctzll(zero) / 8;
        if (zero != 0) return static_cast<const char*>(std::memchr(from, '\n', 8));
    }
    return static_cast<const char*>(std::memchr(from, '\n', static_cast<size_t>(end - from)));
}

#if defined(__SSE2__)

// One bit per byte of 64, by kind: line feeds; digits; and the bytes that
// may make a code line worth reading: a 0 (it may start the number) or
// anything but a digit or a blank. And the parity of the line feeds up to
// each byte, which tells code lines from value lines.
enum Kind { kLf, kDigit, kSuspect, kParity, kKinds };

// Bit i: the parity of bits 0..i.
uint64_t PrefixXor(uint64_t x) {
    x ^= x << 1;
    x ^= x << 2;
    x ^= x << 4;
    x ^= x << 8;
    x ^= x << 16;
    x ^= x << 32;
    return x;
}

// Blocks of 64 bytes from p on, one row of kinds each.
using Kinds = uint64_t[kKinds];

void Classify(const char* p, int blocks, Kinds* kinds) {
    const __m128i lf = _mm_set1_epi8('\n'), sp = _mm_set1_epi8(' '), zero = _mm_set1_epi8('0');
    const __m128i nine = _mm_set1_epi8(9), tab = _mm_set1_epi8('\t'), four = _mm_set1_epi8(4);
    for (int b = 0; b < blocks; ++b, p += 64) {
        // Named words rather than an array: they stay in registers.
        uint64_t lfs = 0, digits = 0, suspects = 0;
        for (int i = 0; i < 4; ++i) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
            const __m128i d = _mm_sub_epi8(v, zero);
            const __m128i isDigit = _mm_cmpeq_epi8(_mm_min_epu8(d, nine), d);
            const __m128i c = _mm_sub_epi8(v, tab);  // tab, LF, VT, FF, CR
            const __m128i isBlank = _mm_or_si128(_mm_cmpeq_epi8(v, sp), _mm_cmpeq_epi8(_mm_min_epu8(c, four), c));
            const __m128i other = _mm_andnot_si128(_mm_or_si128(isDigit, isBlank), _mm_set1_epi8(-1));
            const __m128i suspect = _mm_or_si128(_mm_cmpeq_epi8(v, zero), other);
            const int shift = 16 * i;
            lfs |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, lf)))} << shift;
            digits |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(isDigit))} << shift;
            suspects |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(suspect))} << shift;
        }
        kinds[b][kLf] = lfs;
        kinds[b][kDigit] = digits;
        kinds[b][kSuspect] = suspects;
        kinds[b][kParity] = PrefixXor(lfs);
    }
}

#if defined(__x86_64__) || defined(__i386__)
// The same 32 bytes at a time, where the processor has AVX2: each byte's
// class is looked up by its two halves, the lookups ANDed. Bit 7: a digit;
// bit 6: a line feed; bits 0-2: a digit but 0, or a blank (by the high
// half: 3 for the digits, 2 for the space, 0 for tab to CR); a byte with
// none of these is suspect. The parity by a carry-less multiplication with
// all ones.
__attribute__((target("avx2,pclmul"))) void ClassifyWide(const char* p, int blocks, Kinds* kinds) {
    constexpr char kD = static_cast<char>(0x80), kL = 0x40, kP0 = 1, kP2 = 2, kP3 = 4;
    const __m256i byLow = _mm256_setr_epi8(  // the low half: 0 to 15, twice
        kD | kP2, kD | kP3, kD | kP3, kD | kP3, kD | kP3, kD | kP3, kD | kP3, kD | kP3, kD | kP3, kD | kP3 | kP0,
        kL | kP0, kP0, kP0, kP0, 0, 0, kD | kP2, kD | kP3, kD | kP3, kD | kP3, kD | kP3, kD | kP3, kD | kP3, kD | kP3,
        kD | kP3, kD | kP3 | kP0, kL | kP0, kP0, kP0, kP0, 0, 0);
    const __m256i byHigh = _mm256_setr_epi8(kL | kP0, 0, kP2, kD | kP3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  //
                                            kL | kP0, 0, kP2, kD | kP3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i halfMask = _mm256_set1_epi8(0x0F), plain = _mm256_set1_epi8(kP0 | kP2 | kP3);
    const __m128i ones = _mm_set1_epi8(-1);
    for (int b = 0; b < blocks; ++b, p += 64) {
        uint64_t lfs = 0, digits = 0, suspects = 0;
        for (int i = 0; i < 2; ++i) {
            const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
            const __m256i low = _mm256_shuffle_epi8(byLow, _mm256_and_si256(v, halfMask));
            const __m256i high = _mm256_shuffle_epi8(byHigh, _mm256_and_si256(_mm256_srli_epi16(v, 4), halfMask));
            const __m256i cls = _mm256_and_si256(low, high);
            const __m256i suspect = _mm256_cmpeq_epi8(_mm256_and_si256(cls, plain), _mm256_setzero_si256());
            const int shift = 32 * i;
            lfs |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_slli_epi16(cls, 1)))} << shift;
            digits |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(cls))} << shift;
            suspects |= uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(suspect))} << shift;
        }
        kinds[b][kLf] = lfs;
        kinds[b][kDigit] = digits;
        kinds[b][kSuspect] = suspects;
        const __m128i parity = _mm_clmulepi64_si128(_mm_set_epi64x(0, static_cast<long long>(lfs)), ones, 0);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(&kinds[b][kParity]), parity);
    }
}
#endif

// Bits from..to-1.
uint64_t Bits(int from, int to) {
    const uint64_t below = to >= 64 ? ~uint64_t{0} : (uint64_t{1} << to) - 1;
    return below & (~uint64_t{0} << from);
}

// PlainCodeLine for 64 bytes at once: which lines are code lines (by the
// parity of the line feeds before them), and the bytes that make a code
// line not plain: anything but a digit or a blank, or a 0 after no digit.
// The state runs from block to block, starting at the start of a code
// line, at byte `from` of the first block. Past the last line feed a
// block holds none, so the parity of the last byte is that of the lines
// read.
class CodeLineFilter {
public:
    uint64_t Next(const uint64_t* k, uint64_t valid, int from) {
        const uint64_t lf = k[kLf] & valid;
        uint64_t parity = k[kParity];
        if (from > 0 && ((parity >> (from - 1)) & 1) != 0) parity = ~parity;  // count from `from` on
        const uint64_t code = ~((parity ^ lf) ^ m_inValue) & ~lf & valid;
        const uint64_t digit = k[kDigit];
        const uint64_t digitBefore = (digit << 1) | (m_digit >> 63);
        if ((parity >> 63) != 0) m_inValue = ~m_inValue;
        m_digit = digit;
        return code & k[kSuspect] & ~(digit & digitBefore);
    }
    // Whether the line the bytes so far end in is a value line.
    bool InValueLine() const { return m_inValue != 0; }

private:
    uint64_t m_inValue = 0;  // all ones while a value line runs on
    uint64_t m_digit = 0;
};

#endif

}  // namespace

bool ParseCode(std::string_view line, int32_t& code) {
    std::string_view text = Trim(line);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int32_t v = 0;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
    if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return false;
    code = v;
    return true;
}

// A code of 0 may be written "  0", "0", "00", "-0": a number starting
// with 0, or a sign, makes a code line worth reading.
bool PlainCodeLine(std::string_view line) {
    bool digitBefore = false;
    for (const char c : line) {
        const bool digit = static_cast<unsigned char>(c - '0') < 10;
        if (!digit && !IsBlank(c)) return false;
        if (c == '0' && !digitBefore) return false;
        digitBefore = digit;
    }
    return true;
}

PairScanner::PairScanner(std::string_view window, size_t base, size_t offset, bool last)
    : m_begin(window.data()), m_end(window.data() + window.size()), m_p(m_begin + (offset - base)),
      m_linesEnd(m_end), m_base(base), m_last(last) {
    while (m_linesEnd > m_begin && m_linesEnd[-1] != '\n') --m_linesEnd;
    m_blocks.at = m_begin;
}

PairScanner::Step PairScanner::Next(Pair& pair) {
    if (m_p >= m_end) return m_last ? Step::End : Step::More;
    const char* codeEnd = LineFeed(m_p, m_end);
    const char* valueStart = codeEnd != nullptr ? codeEnd + 1 : m_end;
    int32_t code = 0;
    const char* codeStop = codeEnd != nullptr ? codeEnd : m_end;
    const bool number =
        QuickCode(m_p, codeStop, code) || ParseCode(std::string_view(m_p, static_cast<size_t>(codeStop - m_p)), code);
    if (valueStart >= m_end && !m_last) return Step::More;
    if (!number || valueStart >= m_end) {
        m_brokenAtEnd = number;
        return Step::Broken;
    }
    const char* valueEnd = LineFeed(valueStart, m_end);
    if (valueEnd == nullptr && !m_last) return Step::More;
    pair.code = code;
    pair.offset = Offset();
    pair.value = Trim(std::string_view(valueStart, static_cast<size_t>((valueEnd ? valueEnd : m_end) - valueStart)));
    m_p = valueEnd != nullptr ? valueEnd + 1 : m_end;
    return Step::Pair;
}

// Next, and whether passing over ends there: at anything but a pair, and
// at a pair with code 0 whose value stops.
bool PairScanner::Stops(Pair& pair, Stop stop, Step& step) {
    step = Next(pair);
    return step != Step::Pair || (pair.code == 0 && stop(pair.value));
}

PairScanner::Step PairScanner::SkipTo(Pair& pair, Stop stop) {
#if defined(__SSE2__)
    bool found = false;
    const Step step = SkipBlocks(pair, stop, found);
    if (found) return step;
#endif
    return SkipPlain(pair, stop);
}

// Pair by pair: what is left of the window after the blocks, and all of it
// where the processor has no vector unit.
PairScanner::Step PairScanner::SkipPlain(Pair& pair, Stop stop) {
    for (;;) {
        const char* codeEnd = m_p < m_end ? LineFeed(m_p, m_end) : nullptr;
        if (codeEnd != nullptr && PlainCodeLine(std::string_view(m_p, static_cast<size_t>(codeEnd - m_p)))) {
            const char* value = codeEnd + 1;
            const char* valueEnd = value < m_end ? LineFeed(value, m_end) : nullptr;
            if (valueEnd != nullptr || (m_last && value < m_end)) {  // the last value may run to the end
                m_p = valueEnd != nullptr ? valueEnd + 1 : m_end;
                continue;
            }
        }
        Step step;
        if (Stops(pair, stop, step)) return step;
    }
}

#if defined(__SSE2__)
// A block of the run sorted last (before the first run, none), or the
// run from this block on.
inline const uint64_t* PairScanner::KindsAt(const char* block) {
    const size_t index = static_cast<size_t>(block - m_blocks.at) / 64;
    return index < m_blocks.count ? m_blocks.kinds[index] : SortRun(block);
}

const uint64_t* PairScanner::SortRun(const char* block) {
#if defined(__x86_64__) || defined(__i386__)
    static const auto classify =
        __builtin_cpu_supports("avx2") && __builtin_cpu_supports("pclmul") ? ClassifyWide : Classify;
#else
    constexpr auto classify = Classify;
#endif
    const size_t whole = static_cast<size_t>(m_linesEnd - block) / 64;
    m_blocks.at = block;
    m_blocks.count = std::min<size_t>(whole, kRun);
    if (m_blocks.count > 0) {
        classify(block, static_cast<int>(m_blocks.count), m_blocks.kinds);
    } else {  // the bytes up to the last line feed end inside this block
        char padded[64] = {};
        std::memcpy(padded, block, static_cast<size_t>(m_linesEnd - block));
        classify(padded, 1, m_blocks.kinds);
        m_blocks.count = 1;
    }
    return m_blocks.kinds[0];
}

// The start of the line that holds p: after the line feed before it.
const char* PairScanner::LineStart(const char* p) const {
    while (p > m_begin && p[-1] != '\n') --p;
    return p;
}

// Blocks of 64 from the window's start (so that reading on inside a block
// does not sort its bytes again) up to its last line feed. A code line
// that is not plain but just "0" with blanks is seen through at once: its
// value decides. Anything else is read by Next, and the blocks go on after
// it. `found`: the pair that stops was read (or reading ends).
PairScanner::Step PairScanner::SkipBlocks(Pair& pair, Stop stop, bool& found) {
    found = true;
    while (m_p < m_linesEnd) {
        CodeLineFilter filter;
        const char* block = m_begin + (static_cast<size_t>(m_p - m_begin) & ~size_t{63});
        int from = static_cast<int>(m_p - block);
        const char* suspect = nullptr;
        for (; block < m_linesEnd && suspect == nullptr; block += 64, from = 0) {
            const uint64_t* kinds = KindsAt(block);
            const size_t len = static_cast<size_t>(m_linesEnd - block);
            const uint64_t valid = (len >= 64 ? ~uint64_t{0} : (uint64_t{1} << len) - 1) & (~uint64_t{0} << from);
            for (uint64_t flagged = filter.Next(kinds, valid, from); flagged != 0 && suspect == nullptr;) {
                const int at = __builtin_ctzll(flagged);
                // The line starts after the last line feed before it, in
                // this block or, seldom, an earlier one.
                const uint64_t feedsBefore = kinds[kLf] & Bits(0, at);
                const char* start = feedsBefore != 0 ? block + 64 - __builtin_clzll(feedsBefore) : LineStart(block + at);
                suspect = start < m_p ? m_p : start;
                // "0" alone on its line (a byte that is no digit is a blank
                // there), the line and its value line whole in the window:
                // the value decides, without Next.
                const uint64_t lineFeeds = kinds[kLf] & valid & Bits(at, 64);
                if (start < block || lineFeeds == 0) break;
                const int end = __builtin_ctzll(lineFeeds);
                const uint64_t line = Bits(static_cast<int>(start - block), end);
                if ((kinds[kDigit] & line) != (uint64_t{1} << at) || (kinds[kSuspect] & line) != (uint64_t{1} << at)) break;
                const char* value = block + end + 1;
                const uint64_t after = lineFeeds & ~Bits(0, end + 1);
                const char* valueEnd = after != 0             ? block + __builtin_ctzll(after)
                                       : value < m_linesEnd ? LineFeed(value, m_linesEnd)
                                                            : nullptr;
                if (valueEnd == nullptr || stop(Trim(std::string_view(value, static_cast<size_t>(valueEnd - value))))) break;
                suspect = nullptr;
                flagged &= ~Bits(0, end + 1);
            }
        }
        if (suspect == nullptr) {
            // Every code line up to the last line feed is passed over; one
            // whose value line is not there yet is left to the pair by pair
            // reading.
            m_p = filter.InValueLine() ? std::max(m_p, LineStart(m_linesEnd - 1)) : m_linesEnd;
            found = false;
            return Step::More;
        }
        m_p = suspect;
        Step step;
        if (Stops(pair, stop, step)) return step;
    }
    found = false;
    return Step::More;
}
#endif

}  // namespace ks::dxf
