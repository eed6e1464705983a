// The bytes a loader works on stay as they were when the file was opened.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "jobfiles/word_scanner.h"
#include "test_support.h"

namespace ks {
namespace {

TEST(FileBytes, KeepTheFileAsOpenedWhenItIsCutOrReplaced) {
    test::ScratchDir dir;
    const std::string path = dir.File("plate.dxf");
    const std::string text = "  0\nSECTION\n  2\nENTITIES\n" + std::string(100000, 'x') + "\nENDSEC\n";
    test::WriteBytes(path, text);
    FileBytes file;
    ASSERT_TRUE(file.Open(path));
    // Cut to nothing, as a copy that is restarted or a stick that goes away
    // leaves it; then new bytes under the same name.
    std::filesystem::resize_file(path, 0);
    test::WriteBytes(path, "short");
    EXPECT_TRUE(file.Bytes() == text);
    WordScanner in(file.Bytes());
    std::string_view word;
    ASSERT_TRUE(in.ReadWord(word));
    EXPECT_EQ(word, "0");
    EXPECT_EQ(in.SkipToKey({{"ENDSEC", 2}}), 0);

    FileBytes folder;
    errno = 0;
    EXPECT_FALSE(folder.Open(dir.Path()));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(folder.Open(dir.File("none.dxf")));
    EXPECT_EQ(errno, ENOENT);
}

// Each word as the run of bytes between blanks, found a byte at a time,
// with the offset after the blanks that follow it.
std::vector<std::pair<std::string, size_t>> Runs(const std::string& text, size_t maxWord) {
    std::vector<std::pair<std::string, size_t>> words;
    for (size_t i = 0; i < text.size();) {
        while (i < text.size() && IsScanBlank(text[i])) ++i;
        const size_t start = i;
        while (i < text.size() && !IsScanBlank(text[i])) ++i;
        const size_t len = i - start;
        while (i < text.size() && IsScanBlank(text[i])) ++i;
        if (len > 0) words.emplace_back(text.substr(start, std::min(len, maxWord)), i);
    }
    return words;
}

TEST(WordScanner, WordsAreTheRunsBetweenBlanksWhateverTheirLength) {
    const std::string pieces[] = {" ", "\t", "\n", "\v", "\f", "\r", "\r\n  ", "\x08", "\x0e", "\x1f", "!", "\x80",
                                  "\xff", "0", "AcDbCircle", "-123.4567890123", std::string(15, 'x'), std::string(17, 'y')};
    std::mt19937 rng(3);
    for (int round = 0; round < 400; ++round) {
        std::string text;
        for (int n = static_cast<int>(rng() % 60); n > 0; --n) text += pieces[rng() % std::size(pieces)];
        const size_t maxWord = 1 + rng() % 20;
        WordScanner in(text, maxWord);
        std::vector<std::pair<std::string, size_t>> read;
        std::string_view word;
        while (in.ReadWord(word)) read.emplace_back(std::string(word), in.Offset());
        ASSERT_EQ(read, Runs(text, maxWord)) << "round " << round;
        EXPECT_TRUE(in.AtEnd());
    }
}

}  // namespace
}  // namespace ks
