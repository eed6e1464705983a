#include "platform/textnum.h"

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>

namespace ks {
namespace {

TEST(AtoiRule, ReadsLikeTheCLibrary) {
    EXPECT_EQ(AtoiRule("42"), 42);
    EXPECT_EQ(AtoiRule("  \t\r\n-17abc"), -17);
    EXPECT_EQ(AtoiRule("+8"), 8);
    EXPECT_EQ(AtoiRule("x12"), 0);
    EXPECT_EQ(AtoiRule(""), 0);
    EXPECT_EQ(AtoiRule("- 5"), 0);
    EXPECT_EQ(AtoiRule("12.9"), 12);
    // Texts that name a missing setting read as 0.
    EXPECT_EQ(AtoiRule("没找到正确的串口号"), 0);
    EXPECT_EQ(AtoiRule("2147483647"), 2147483647);
    EXPECT_EQ(AtoiRule("-2147483648"), std::numeric_limits<int32_t>::min());
    // Beyond 32 bits the limits, as the Windows C library gives them; never
    // a wrapped value such as 1 for 2^32 + 1.
    constexpr int32_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(AtoiRule("2147483648"), kMax);
    EXPECT_EQ(AtoiRule("-2147483649"), kMin);
    EXPECT_EQ(AtoiRule("4294967297"), kMax);
    EXPECT_EQ(AtoiRule("-4294967297"), kMin);
    EXPECT_EQ(AtoiRule("99999999999999999999999"), kMax);
    EXPECT_EQ(AtoiRule(" -000000000000000000000012"), -12);
}

TEST(AtofRule, ReadsTheLongestNumericPrefix) {
    EXPECT_DOUBLE_EQ(AtofRule("0.5"), 0.5);
    EXPECT_DOUBLE_EQ(AtofRule("  -1.25mm"), -1.25);
    EXPECT_DOUBLE_EQ(AtofRule("+.5"), 0.5);
    EXPECT_DOUBLE_EQ(AtofRule("1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(AtofRule("1e"), 1.0);
    EXPECT_DOUBLE_EQ(AtofRule("1.5e+2x"), 150.0);
    EXPECT_DOUBLE_EQ(AtofRule("abc"), 0.0);
    EXPECT_DOUBLE_EQ(AtofRule("-"), 0.0);
    EXPECT_DOUBLE_EQ(AtofRule("."), 0.0);
    EXPECT_DOUBLE_EQ(AtofRule("0x10"), 16.0);
    EXPECT_TRUE(std::isinf(AtofRule("1e400")));
    EXPECT_TRUE(std::isinf(AtofRule("-1e400")) && AtofRule("-1e400") < 0);
    EXPECT_EQ(AtofRule("1e-400"), 0.0);
    EXPECT_TRUE(std::isnan(AtofRule("nan")));
    size_t used = 0;
    EXPECT_DOUBLE_EQ(AtofPrefix(" 2.5,7", &used), 2.5);
    EXPECT_EQ(used, 4u);
    AtofPrefix("word", &used);
    EXPECT_EQ(used, 0u);
}

TEST(AtofRule, AgreesWithStrtodOnAwkwardTexts) {
    for (const char* text : {"3.14159", "-0.0009", "999.9999", "1000", "12x", "  7.", "-.25",
                             "1.2345678", "-1.2345678", "0.001", "123456789012345678901234"}) {
        EXPECT_EQ(AtofRule(text), std::strtod(text, nullptr)) << text;
    }
}

// The quick way for number words must give from_chars' double, bit for bit.
TEST(ExactDecimal, AgreesWithFromCharsOrLeavesTheTextToIt) {
    std::mt19937 rng(5);
    for (int i = 0; i < 200000; ++i) {
        std::string text(rng() % 10, '0');
        for (char& c : text) c = static_cast<char>('0' + rng() % 10);
        if (rng() % 4 != 0) text.insert(rng() % (text.size() + 1), ".");
        double quick = 0.0, full = 0.0;
        if (!ExactDecimal(text, quick)) continue;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), full);
        ASSERT_TRUE(r.ec == std::errc() && r.ptr == text.data() + text.size()) << text;
        ASSERT_EQ(std::memcmp(&quick, &full, sizeof quick), 0) << text;
    }
    double v = 0.0;
    for (const char* text : {"", ".", "1.2.3", "-1", "+1", "1e5", " 1", "1 ", "1234567890123456", "0x1"}) {
        EXPECT_FALSE(ExactDecimal(text, v)) << text;
    }
}

// One sign only: a second one ends the number before it starts, hexadecimal
// texts included ("-0x-5" is "-0" followed by other text).
TEST(AtofRule, TakesOneSignLikeStrtod) {
    for (const char* text : {"--5", "+-5", "-+5", "++5", " --15000", "+-inf", "--0x10", "-0x-5",
                             "0x-5", "-0x.-5", "- 5", "-.-5", "-0x1p3", "1e+-5", "-5"}) {
        char* end = nullptr;
        const double expected = std::strtod(text, &end);
        size_t used = 99;
        const double got = AtofPrefix(text, &used);
        EXPECT_EQ(got, expected) << text;
        // Without a number C only promises a zero; msvcrt's keeps the sign
        // it read. Ours is a plain 0, whatever the C library does.
        if (end != text) {
            EXPECT_EQ(std::signbit(got), std::signbit(expected)) << text;
        } else {
            EXPECT_FALSE(std::signbit(got)) << text;
        }
        EXPECT_EQ(used, static_cast<size_t>(end - text)) << text;
    }
    EXPECT_EQ(AtofRule("--5"), 0.0);
    EXPECT_EQ(AtofRule("+-5"), 0.0);
}

TEST(TruncToInt32, TruncatesTowardZeroAndGuardsTheRange) {
    EXPECT_EQ(TruncToInt32(1234.9), 1234);
    EXPECT_EQ(TruncToInt32(-1234.9), -1234);
    EXPECT_EQ(TruncToInt32(-0.9), 0);
    EXPECT_EQ(TruncToInt32(2147483647.5), 2147483647);
    EXPECT_EQ(TruncToInt32(3e9), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(TruncToInt32(std::nan("")), std::numeric_limits<int32_t>::min());
}

TEST(Format, MatchesPrintfInTheCLocale) {
    EXPECT_EQ(FormatFixed(0.25, 3), "0.250");
    EXPECT_EQ(FormatFixed(-0.0625, 3), "-0.062");  // round-half-even on the exact binary value
    EXPECT_EQ(FormatFixed(0.0009, 3), "0.001");
    EXPECT_EQ(FormatFixed(37.5, 2), "37.50");
    EXPECT_EQ(FormatInt(-500), "-500");
    EXPECT_EQ(FormatHex(7), "7");
    EXPECT_EQ(FormatHex(255), "ff");
}

// The console runs under Qt, which adopts the system locale: numbers must not
// turn into decimal-comma texts there.
TEST(Format, IgnoresADecimalCommaLocale) {
    const char* old = std::setlocale(LC_ALL, nullptr);
    std::string saved = old ? old : "C";
    // The last name is the Windows C library's spelling.
    bool haveComma = std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8") ||
                     std::setlocale(LC_NUMERIC, "German_Germany.1252");
    if (haveComma) {
        EXPECT_EQ(FormatFixed(1.5, 3), "1.500");
        EXPECT_DOUBLE_EQ(AtofRule("1.5"), 1.5);
        EXPECT_DOUBLE_EQ(AtofRule("1,5"), 1.0);
    }
    std::setlocale(LC_ALL, saved.c_str());
    if (!haveComma) GTEST_SKIP() << "no decimal-comma locale installed";
}

}  // namespace
}  // namespace ks
