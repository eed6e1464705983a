#include "settings/keys.h"
#include "settings/profile_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ks::settings {
namespace {

namespace fs = std::filesystem;

class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ks_settings_" + std::to_string(std::random_device{}()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        path_ = (dir_ / "KSConfig.ini").string();
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }
    void Put(const std::string& bytes) { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string Get() {
        std::ifstream in(path_, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    fs::path dir_;
    std::string path_;
};

TEST_F(ProfileFileTest, WritesCreateFileSectionAndKeysWithCrLf) {
    EXPECT_TRUE(WriteProfileString(path_, "FileParam Info", "Com", "1"));
    EXPECT_TRUE(WriteProfileString(path_, "FileParam Info", "Speed", "3"));
    EXPECT_TRUE(WriteProfileString(path_, "Other", "A", "x"));
    EXPECT_EQ(Get(), "[FileParam Info]\r\nCom=1\r\nSpeed=3\r\n[Other]\r\nA=x\r\n");
    // A changed value replaces its line only.
    EXPECT_TRUE(WriteProfileString(path_, "FileParam Info", "Com", "7"));
    EXPECT_EQ(Get(), "[FileParam Info]\r\nCom=7\r\nSpeed=3\r\n[Other]\r\nA=x\r\n");
}

TEST_F(ProfileFileTest, ForeignLinesStayByteForByte) {
    const std::string foreign = "; comment\n[Mine]\nx = 1 \n\n[FileParam Info]\r\n hole = 5\r\n\r\n[Tail]\nk=v";
    Put(foreign);
    EXPECT_TRUE(WriteProfileString(path_, "FileParam Info", "Hole", "6"));
    EXPECT_TRUE(WriteProfileString(path_, "FileParam Info", "ViewScale", "160"));
    EXPECT_EQ(Get(),
              "; comment\n[Mine]\nx = 1 \n\n[FileParam Info]\r\nHole=6\r\nViewScale=160\r\n\r\n[Tail]\nk=v");
    // New section after a last line without line end.
    EXPECT_TRUE(WriteProfileString(path_, "New", "K", "V"));
    EXPECT_TRUE(Get().ends_with("\r\n\r\n[Tail]\nk=v\r\n[New]\r\nK=V\r\n")) << Get();
    // Key added to a last section whose last line has no line end.
    Put("[S]\nA=1");
    EXPECT_TRUE(WriteProfileString(path_, "s", "B", "2"));
    EXPECT_EQ(Get(), "[S]\nA=1\r\nB=2\r\n");
}

TEST_F(ProfileFileTest, ReadsLikeTheProfileCalls) {
    Put("[FileParam Info]\nCom = 3\n  SPEED=\t'5'  \r\nDirNCPath=\"D:\\jobs\\01.NC\"\n"
        "Empty=\nnoequals\n[FileParam Info]\nLate=1\n");
    EXPECT_EQ(ReadProfileString(path_, "fileparam info", "com", "d"), "3");
    EXPECT_EQ(ReadProfileString(path_, "FileParam Info", "Speed", "d"), "5");
    EXPECT_EQ(ReadProfileString(path_, "FileParam Info", "DirNCPath", "d"), "D:\\jobs\\01.NC");
    EXPECT_EQ(ReadProfileString(path_, "FileParam Info", "Empty", "d"), "");
    EXPECT_EQ(ReadProfileString(path_, "FileParam Info", "noequals", "d"), "d");
    EXPECT_EQ(ReadProfileString(path_, "FileParam Info", "Late", "d"), "d");  // first section wins
    EXPECT_EQ(ReadProfileString(path_, "Nowhere", "Com", "没找到"), "没找到");
    EXPECT_EQ(ReadProfileString((dir_ / "none.ini").string(), "FileParam Info", "Com", "x"), "x");
}

TEST_F(ProfileFileTest, ValuesAreBytesCutTo259) {
    std::string gbk = "\xB5\xB1\xC7\xB0\xBC\xD3\xB9\xA4";  // GBK bytes, no conversion
    std::string longValue(400, 'v');
    EXPECT_TRUE(WriteProfileString(path_, "S", "Path", gbk));
    EXPECT_TRUE(WriteProfileString(path_, "S", "Long", longValue));
    EXPECT_EQ(ReadProfileString(path_, "S", "Path", ""), gbk);
    EXPECT_EQ(ReadProfileString(path_, "S", "Long", ""), std::string(259, 'v'));
    EXPECT_EQ(ReadProfileString(path_, "S", "None", longValue), std::string(259, 'v'));
    Put(std::string("[S]\nK=ab\0cd\n", 12));
    EXPECT_EQ(ReadProfileString(path_, "S", "K", ""), "ab");
}

// The cut never leaves the first bytes of a UTF-8 character at the end;
// bytes that are no well-formed UTF-8 (GBK) are cut at the limit as before.
TEST(ProfileTextTest, CutKeepsUtf8CharactersWhole) {
    const auto cut = [](size_t lead, const std::string& tail) {
        const std::string value = std::string(lead, 'v') + tail;
        const std::string read = LookupProfileValue("[S]\r\nK=" + value + "\r\n", "S", "K", "");
        EXPECT_EQ(LookupProfileValue("", "S", "K", value), read);  // defaults are cut alike
        return read.substr(lead);
    };
    const std::string zhong = "\xE4\xB8\xAD";           // 中
    const std::string smile = "\xF0\x9F\x98\x80";      // U+1F600
    EXPECT_EQ(cut(258, zhong), "");
    EXPECT_EQ(cut(257, zhong), "");
    EXPECT_EQ(cut(256, zhong + "x"), zhong);  // ends right at the limit
    EXPECT_EQ(cut(258, "\xC3\xA9"), "");      // é
    EXPECT_EQ(cut(256, smile), "");
    EXPECT_EQ(cut(255, smile + "x"), smile);
    EXPECT_EQ(cut(258, "\xC4\xEA"), "\xC4");  // GBK 年: C4 starts no UTF-8 pair with EA
    EXPECT_EQ(cut(257, "\xB5\xB1\xC7\xB0"), "\xB5\xB1");
    EXPECT_EQ(cut(258, "\xE0\x80\x80"), "\xE0");  // an overlong form is no character
}

// A hand-edited header with blanks inside the brackets names the same
// section; the name runs to the last ']' of the line.
TEST_F(ProfileFileTest, HeadersAreTrimmedInsideTheBrackets) {
    Put("[ FileParam Info ]\r\nCom=3\r\n[\tA]B ] \r\nK=1\r\n");
    EXPECT_EQ(ReadProfileString(path_, "FileParam Info", "Com", "d"), "3");
    EXPECT_EQ(ReadProfileString(path_, " fileparam info", "Com", "d"), "3");
    EXPECT_EQ(ReadProfileString(path_, "A]B", "K", "d"), "1");
    EXPECT_TRUE(WriteProfileString(path_, "FileParam Info", "Com", "4"));
    EXPECT_TRUE(WriteProfileString(path_, "FileParam Info", "Speed", "2"));
    EXPECT_EQ(Get(), "[ FileParam Info ]\r\nCom=4\r\nSpeed=2\r\n[\tA]B ] \r\nK=1\r\n");
}

TEST_F(ProfileFileTest, RefusesEntriesThatWouldBreakTheFile) {
    Put("[S]\r\nA=1\r\n");
    EXPECT_FALSE(WriteProfileString(path_, "S", "A", "1\r\nInjected=1"));
    EXPECT_FALSE(WriteProfileString(path_, "S", "A=B", "1"));
    EXPECT_FALSE(WriteProfileString(path_, "S]", "A", "1"));
    EXPECT_FALSE(WriteProfileString(path_, "S", ";A", "1"));
    EXPECT_FALSE(WriteProfileString(path_, "S", "", "1"));
    EXPECT_EQ(Get(), "[S]\r\nA=1\r\n");
}

TEST_F(ProfileFileTest, ReplacesTheFileAtomically) {
    Put("[Keep]\r\nk=v\r\n[S]\r\nA=1\r\n");
#ifndef _WIN32
    // A reader holding the old file sees the old bytes whole: the new
    // contents arrive by rename, never by rewriting the old file in place.
    // (Windows cannot rename over a file another program holds open.)
    std::ifstream before(path_, std::ios::binary);
    struct stat oldStat {};
    ASSERT_EQ(::stat(path_.c_str(), &oldStat), 0);
    EXPECT_TRUE(WriteProfileString(path_, "S", "A", "2"));
    std::string old((std::istreambuf_iterator<char>(before)), std::istreambuf_iterator<char>());
    EXPECT_EQ(old, "[Keep]\r\nk=v\r\n[S]\r\nA=1\r\n");
    struct stat newStat {};
    ASSERT_EQ(::stat(path_.c_str(), &newStat), 0);
    EXPECT_NE(oldStat.st_ino, newStat.st_ino);
#else
    EXPECT_TRUE(WriteProfileString(path_, "S", "A", "2"));
#endif
    EXPECT_EQ(Get(), "[Keep]\r\nk=v\r\n[S]\r\nA=2\r\n");
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(ProfileFileTest, WritesThroughALinkAndKeepsUnreadableFiles) {
    fs::path real = dir_ / "real.ini";
    std::ofstream(real, std::ios::binary) << "[S]\r\nA=1\r\n";
#ifndef _WIN32
    // Settings files linked elsewhere are a Unix habit; Windows has none.
    fs::create_symlink(real, path_);
    EXPECT_TRUE(WriteProfileString(path_, "S", "A", "2"));
    EXPECT_TRUE(fs::is_symlink(path_));
    EXPECT_EQ(ReadProfileString(real.string(), "S", "A", ""), "2");
#else
    EXPECT_TRUE(WriteProfileString(real.string(), "S", "A", "2"));
#endif

    // A folder given as the file is never replaced.
    std::string folderPath = (dir_ / "sub").string();
    fs::create_directory(folderPath);
    EXPECT_FALSE(ProfileFileExists(folderPath));
    EXPECT_FALSE(WriteProfileString(folderPath, "S", "A", "1"));
    EXPECT_TRUE(fs::is_directory(folderPath));

#ifndef _WIN32
    // A read-only folder: the write fails and the file is untouched.
    if (::geteuid() != 0) {
        fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::remove);
        EXPECT_FALSE(WriteProfileString(real.string(), "S", "A", "3"));
        fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::add);
        EXPECT_EQ(ReadProfileString(real.string(), "S", "A", ""), "2");
    }
#endif
}

TEST(ProfileTextTest, ArbitraryBytesNeverBreakLookupOrUpdate) {
    std::mt19937 rng(12345);
    const std::string alphabet = std::string("[]=;\r\n \t\"'AaBbSs\0\xFF\xB5", 20);
    for (int round = 0; round < 3000; ++round) {
        std::string contents;
        int len = static_cast<int>(rng() % 80);
        for (int i = 0; i < len; ++i) contents += alphabet[rng() % alphabet.size()];
        std::string updated = SetProfileValue(contents, "S", "Key", "val ue");
        ASSERT_EQ(LookupProfileValue(updated, "s", "KEY", "none"), "val ue") << round;
        // Whatever else was in the file keeps its value.
        ASSERT_EQ(LookupProfileValue(updated, "A", "B", "none"), LookupProfileValue(contents, "A", "B", "none"));
    }
}

}  // namespace
}  // namespace ks::settings
