// Separators, folders and local time as the conversion and the settings use them.
#include "platform/os.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace ks {
namespace {

namespace fs = std::filesystem;

class OsFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("ks_os_" + std::to_string(std::random_device{}()));
        ASSERT_TRUE(fs::create_directory(dir));
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string In(const char* name) const { return (dir / name).string(); }
    fs::path dir;
};

TEST(OsPaths, SeparatorsOfThisSystem) {
    EXPECT_TRUE(IsPathSeparator('/'));
    EXPECT_FALSE(IsPathSeparator(':'));
    EXPECT_EQ(LastPathSeparator("plate.dxf"), std::string::npos);
    EXPECT_EQ(JoinPath("", "a.NC"), "a.NC");
#ifdef _WIN32
    // Names from pickers carry backslashes, hand-typed ones often slashes.
    EXPECT_TRUE(IsPathSeparator('\\'));
    EXPECT_EQ(LastPathSeparator("C:\\jobs/old\\plate.dxf"), 11u);
    EXPECT_EQ(LastPathSeparator("C:\\jobs\\old/plate.dxf"), 11u);
    EXPECT_EQ(NativePathSeparator(), '\\');
    EXPECT_EQ(JoinPath("C:\\jobs", "a.NC"), "C:\\jobs\\a.NC");
    EXPECT_EQ(JoinPath("C:\\jobs\\", "a.NC"), "C:\\jobs\\a.NC");
    EXPECT_EQ(JoinPath("C:/jobs/", "a.NC"), "C:/jobs/a.NC");
#else
    EXPECT_FALSE(IsPathSeparator('\\'));  // an ordinary character of a name here
    EXPECT_EQ(LastPathSeparator("/jobs/a\\plate.dxf"), 5u);
    EXPECT_EQ(NativePathSeparator(), '/');
    EXPECT_EQ(JoinPath("/jobs", "a.NC"), "/jobs/a.NC");
    EXPECT_EQ(JoinPath("/jobs/", "a.NC"), "/jobs/a.NC");
#endif
}

TEST_F(OsFolderTest, FoldersAreMadeOnceAndTold) {
    EXPECT_TRUE(MakeFolder(In("nc")));
    EXPECT_FALSE(MakeFolder(In("nc")));            // already there
    EXPECT_FALSE(MakeFolder(In("missing/deeper")));  // one level at a time
    EXPECT_TRUE(IsEnterableFolder(In("nc")));
    EXPECT_TRUE(PathExists(In("nc")));

    std::ofstream(In("plain.NC")) << "x";
    EXPECT_FALSE(IsEnterableFolder(In("plain.NC")));
    EXPECT_TRUE(PathExists(In("plain.NC")));
    EXPECT_FALSE(MakeFolder(In("plain.NC")));

    EXPECT_FALSE(IsEnterableFolder(In("none")));
    EXPECT_FALSE(PathExists(In("none")));
    EXPECT_FALSE(PathExists(In("none/a.NC")));
    EXPECT_FALSE(IsEnterableFolder(""));
#ifndef _WIN32
    // A link whose target is gone still holds its name.
    fs::create_symlink(dir / "gone", dir / "link.NC");
    EXPECT_TRUE(PathExists(In("link.NC")));
#endif
}

TEST(OsTime, LocalCalendarTimeIsTheLocalTimeOfTheMoment) {
    // A mix-up with UTC or with the field conventions (years from 1900,
    // months from 0) would not come back to the same moment.
    const std::time_t when = 1778076429;  // 6 May 2026, 14:07:09 UTC: May 2026 in every zone
    const std::tm local = LocalCalendarTime(when);
    EXPECT_EQ(local.tm_year, 126);
    EXPECT_EQ(local.tm_mon, 4);
    std::tm copy = local;
    copy.tm_isdst = -1;
    EXPECT_EQ(std::mktime(&copy), when);
}

}  // namespace
}  // namespace ks
