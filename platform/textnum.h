#pragma once
// Locale-independent number reading and writing. Qt adopts the system locale,
// which would turn atof/strtod/printf into decimal-comma readers and writers;
// every number that crosses a file, a control or the wire goes through here.
#include <cstdint>
#include <string>
#include <string_view>

namespace ks {

// The atoi rule: leading blanks (space, \t \n \v \f \r) skipped, an optional
// sign, decimal digits up to the first other character; 0 when none.
// Values beyond the 32-bit range give INT32_MAX or INT32_MIN, as the Windows
// C library's atoi does (never a wrapped value that looks like a real one).
int32_t AtoiRule(std::string_view text);

// The atof rule: leading blanks skipped, the longest prefix that reads as a
// decimal (or hexadecimal, inf, nan) floating-point number; 0.0 when none.
// One sign at most: a second one ("--5", "+-5") means no number at all.
// Overflow gives +-inf, underflow 0, as strtod does.
double AtofRule(std::string_view text);

// Like AtofRule, but also reports how many characters were consumed
// (0 when nothing numeric leads).
double AtofPrefix(std::string_view text, size_t* consumed);

// Digits with at most one decimal point, 1 to 15 digits, nothing else: the
// value, correctly rounded as from_chars gives it, without the library's
// slower general path (both the digits and the power of ten below them are
// exact doubles, so their quotient is rounded once). False for any other
// text, which the general readers take.
bool ExactDecimal(std::string_view text, double& value);

// double -> int32 truncated toward zero. Out-of-range values and NaN give
// INT32_MIN, which is what the x86 conversion instruction produces.
int32_t TruncToInt32(double value);

// Whether text is `lowerWord` in any case, blanks (space, \t \r \n) around
// it allowed: how a choice is read from a setting or an option.
bool IsWordAnyCase(std::string_view text, std::string_view lowerWord);

// printf("%.*f") in the C locale (correctly rounded).
std::string FormatFixed(double value, int decimals);
// printf("%d") / ("%ld").
std::string FormatInt(int64_t value);
// printf("%x") of the value as an unsigned 32-bit number.
std::string FormatHex(int32_t value);

}  // namespace ks
