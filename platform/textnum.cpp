#include "platform/textnum.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace ks {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

size_t SkipBlanks(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    return i;
}

// from_chars reports out_of_range without a value; decide as strtod would
// whether the text overflowed (-> inf) or underflowed (-> 0).
double OutOfRangeValue(std::string_view num) {
    // Decimal exponent of the first significant digit, plus the explicit one.
    long lead = 0;
    bool seenNonZero = false, afterPoint = false;
    size_t i = 0;
    for (; i < num.size(); ++i) {
        char c = num[i];
        if (c == '.') { afterPoint = true; continue; }
        if (!IsDigit(c)) break;
        if (!seenNonZero) {
            if (c != '0') { seenNonZero = true; if (!afterPoint) lead = 1; }
            else if (afterPoint) --lead;
        } else if (!afterPoint) {
            ++lead;
        }
    }
    long exp = 0;
    if (i < num.size() && (num[i] == 'e' || num[i] == 'E')) {
        std::from_chars(num.data() + i + 1 + (num[i + 1] == '+'), num.data() + num.size(), exp);
    }
    return (lead + exp > 0) ? std::numeric_limits<double>::infinity() : 0.0;
}

}  // namespace

int32_t AtoiRule(std::string_view text) {
    size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // The magnitude stops growing once it is past the 32-bit range, so any
    // run of digits ends up at a limit instead of wrapping to a small value
    // that could pass for a real coordinate.
    constexpr int64_t kCap = int64_t{1} << 31;
    int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kCap) magnitude = kCap;
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(value);  // -kCap is INT32_MIN itself
}

bool ExactDecimal(std::string_view text, double& value) {
    static constexpr double kTens[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const char* p = text.data();
    const char* const end = p + text.size();
    // Unsigned: a run too long to be taken wraps harmlessly before it is refused.
    uint64_t digits = 0;
    int count = 0, fraction = 0;
    for (; p < end && IsDigit(*p); ++p, ++count) digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    if (p < end && *p == '.') {
        for (++p; p < end && IsDigit(*p); ++p, ++count, ++fraction) digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    }
    if (p != end || count == 0 || count > 15) return false;
    value = static_cast<double>(digits) / kTens[fraction];
    return true;
}

double AtofPrefix(std::string_view text, size_t* consumed) {
    *consumed = 0;
    size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // from_chars would take a '-' of its own: "--5" must not read as 5.
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) return 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    double value = 0.0;
    if (ExactDecimal(text.substr(i), value)) {  // the usual number word, all of it
        *consumed = text.size();
        return negative ? -value : value;
    }
    const char* end = first;

    // Hexadecimal form "0x..." (strtod accepts it; from_chars wants no prefix).
    if (last - first > 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X') &&
        (IsHexDigit(first[2]) || (first[2] == '.' && last - first > 3 && IsHexDigit(first[3])))) {
        auto r = std::from_chars(first + 2, last, value, std::chars_format::hex);
        if (r.ec == std::errc::result_out_of_range) value = std::numeric_limits<double>::infinity();
        end = r.ptr;
    } else {
        auto r = std::from_chars(first, last, value, std::chars_format::general);
        if (r.ec == std::errc::invalid_argument) {
            return 0.0;
        }
        if (r.ec == std::errc::result_out_of_range) {
            value = OutOfRangeValue(std::string_view(first, static_cast<size_t>(r.ptr - first)));
        }
        end = r.ptr;
    }
    if (end == first) return 0.0;
    *consumed = static_cast<size_t>(end - text.data());
    return negative ? -value : value;
}

double AtofRule(std::string_view text) {
    size_t consumed;
    return AtofPrefix(text, &consumed);
}

int32_t TruncToInt32(double value) {
    if (!(value > -2147483649.0 && value < 2147483648.0)) {
        return std::numeric_limits<int32_t>::min();
    }
    return static_cast<int32_t>(value);
}

std::string FormatFixed(double value, int decimals) {
    char buf[400];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc()) return std::string();
    return std::string(buf, r.ptr);
}

std::string FormatInt(int64_t value) {
    char buf[32];
    auto r = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, r.ptr);
}

std::string FormatHex(int32_t value) {
    char buf[16];
    auto r = std::to_chars(buf, buf + sizeof buf, static_cast<uint32_t>(value), 16);
    return std::string(buf, r.ptr);
}

bool IsWordAnyCase(std::string_view text, std::string_view lowerWord) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    if (text.size() != lowerWord.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
        if (c != lowerWord[i]) return false;
    }
    return true;
}

}  // namespace ks
