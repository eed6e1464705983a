// Profile file inputs found by fuzzing, kept as tests.
#include <gtest/gtest.h>

#include <string>

#include "settings/profile_file.h"

namespace ks::settings {
namespace {

// A file whose last line ends in a lone CR (cut off between CR and LF).
// Adding an entry after that line must finish its line end without turning
// the CR into part of the line: the last entry has to read as before.
TEST(RegressProfile, LoneCrAtEndKeepsTheLastEntry) {
    const std::string contents = "[COMM]\r\nPort=3\r\n[Job]\r\nLast=\"/home/op/a.NC\"\r";
    ASSERT_EQ(LookupProfileValue(contents, "Job", "Last", "-"), "/home/op/a.NC");

    // New key in the section whose last line that is.
    const std::string newKey = SetProfileValue(contents, "Job", "Row", "7");
    EXPECT_EQ(LookupProfileValue(newKey, "Job", "Last", "-"), "/home/op/a.NC");
    EXPECT_EQ(LookupProfileValue(newKey, "Job", "Row", "-"), "7");
    EXPECT_EQ(newKey, "[COMM]\r\nPort=3\r\n[Job]\r\nLast=\"/home/op/a.NC\"\r\nRow=7\r\n");

    // New section at the end of the file.
    const std::string newSection = SetProfileValue(contents, "View", "Zoom", "2");
    EXPECT_EQ(LookupProfileValue(newSection, "Job", "Last", "-"), "/home/op/a.NC");
    EXPECT_EQ(LookupProfileValue(newSection, "View", "Zoom", "-"), "2");
    EXPECT_EQ(newSection, "[COMM]\r\nPort=3\r\n[Job]\r\nLast=\"/home/op/a.NC\"\r\n[View]\r\nZoom=2\r\n");

    // A header cut the same way stays the header of its new entry.
    const std::string header = SetProfileValue("[Job]\r", "Job", "Row", "7");
    EXPECT_EQ(header, "[Job]\r\nRow=7\r\n");
    EXPECT_EQ(LookupProfileValue(header, "Job", "Row", "-"), "7");
}

}  // namespace
}  // namespace ks::settings
