// The one rule for where settings and job records live, on the facts each
// system gathers (SettingsPlace), checked for both systems on any system.
#include <gtest/gtest.h>

#include "platform/program_folder.h"

namespace ks {
namespace {

SettingsPlace Place(const std::string& program, bool installed, bool writable, bool holds) {
    return {program, installed, writable, holds, "/home/op/.config/kestrane"};
}

TEST(ChooseSettingsFolderTest, APlainFolderKeepsThemWhenWritableOrAlreadyHoldingThem) {
    // A build, a copied folder, a USB stick: beside the program.
    EXPECT_EQ(ChooseSettingsFolder(Place("/opt/ks", false, true, false)), "/opt/ks");
    EXPECT_EQ(ChooseSettingsFolder(Place("E:\\Kestrane", false, true, true)), "E:\\Kestrane");
    // A settings file already there is kept even where it cannot be replaced
    // (a folder made read-only after setting up): the resume point is in it.
    EXPECT_EQ(ChooseSettingsFolder(Place("/opt/ks", false, false, true)), "/opt/ks");
    // Otherwise (/usr/bin, Program Files for a normal account) the account's own.
    EXPECT_EQ(ChooseSettingsFolder(Place("/usr/bin", false, false, false)), "/home/op/.config/kestrane");
}

TEST(ChooseSettingsFolderTest, AnInstalledCopyAlwaysUsesTheAccountsFolder) {
    // Installed by the setup program: even where the account may write the
    // folder (an administrator, Wine) or a settings file was left there, the
    // uninstaller must find only its own files.
    for (bool writable : {false, true}) {
        for (bool holds : {false, true}) {
            EXPECT_EQ(ChooseSettingsFolder(Place("C:\\Program Files\\Kestrane", true, writable, holds)),
                      "/home/op/.config/kestrane")
                << writable << holds;
        }
    }
    // Without an account folder there is no place: the caller reports it.
    EXPECT_EQ(ChooseSettingsFolder({"C:\\Program Files\\Kestrane", true, true, false, ""}), "");
}

TEST(AccountFolderTest, PosixFollowsXdgConfigHomeWhenAbsolute) {
    EXPECT_EQ(PosixAccountFolder(nullptr, "/home/op"), "/home/op/.config/kestrane");
    EXPECT_EQ(PosixAccountFolder("/srv/cfg", "/home/op"), "/srv/cfg/kestrane");
    // A relative value would move with the working folder; an empty one is unset.
    EXPECT_EQ(PosixAccountFolder("rel/cfg", "/home/op"), "/home/op/.config/kestrane");
    EXPECT_EQ(PosixAccountFolder("", "/home/op"), "/home/op/.config/kestrane");
    EXPECT_EQ(PosixAccountFolder(nullptr, ""), "");
}

TEST(AccountFolderTest, WindowsUsesTheApplicationDataFolder) {
    EXPECT_EQ(WindowsAccountFolder("C:\\Users\\op\\AppData\\Roaming"), "C:\\Users\\op\\AppData\\Roaming\\Kestrane");
    EXPECT_EQ(WindowsAccountFolder("D:\\profiles\\op\\"), "D:\\profiles\\op\\Kestrane");
    EXPECT_EQ(WindowsAccountFolder(""), "");
}

}  // namespace
}  // namespace ks
