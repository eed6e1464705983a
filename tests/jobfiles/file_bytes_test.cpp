// The bytes a loader works on stay as they were when the file was opened.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>

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

}  // namespace
}  // namespace ks
