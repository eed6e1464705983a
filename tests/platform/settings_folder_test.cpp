// Where the settings file and the COMn links live, as a POSIX account finds
// it: beside the program when its folder is writable or holds the settings
// file, else in the account's configuration folder (the rule itself:
// settings_rule_test.cpp).
#include "platform/program_folder.h"

#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace ks {
namespace {

namespace fs = std::filesystem;

class SettingsFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedProgram = ProgramFolder();
        root = fs::temp_directory_path() / ("ks_settings_folder_" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root);
        SaveEnv("HOME", savedHome);
        SaveEnv("XDG_CONFIG_HOME", savedXdg);
        setenv("HOME", (root / "home").c_str(), 1);
        unsetenv("XDG_CONFIG_HOME");
    }
    void TearDown() override {
        SetProgramFolder(savedProgram);
        SetSettingsFolder(std::nullopt);
        RestoreEnv("HOME", savedHome);
        RestoreEnv("XDG_CONFIG_HOME", savedXdg);
        // Folders a test made read-only must be writable again to go.
        std::error_code ec;
        for (const auto& e : fs::recursive_directory_iterator(root, ec)) {
            if (e.is_directory(ec)) fs::permissions(e.path(), fs::perms::owner_write, fs::perm_options::add, ec);
        }
        fs::remove_all(root, ec);
    }
    static void SaveEnv(const char* name, std::optional<std::string>& to) {
        const char* v = std::getenv(name);
        if (v != nullptr) to = v;
    }
    static void RestoreEnv(const char* name, const std::optional<std::string>& from) {
        if (from) setenv(name, from->c_str(), 1);
        else unsetenv(name);
    }
    static mode_t Mode(const fs::path& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
    }

    std::string savedProgram;
    std::optional<std::string> savedHome, savedXdg;
    fs::path root;
};

TEST_F(SettingsFolderTest, TestsAndToolsNameTheFolderThemselves) {
    SetProgramFolder(root.string());
    SetSettingsFolder((root / "chosen").string());
    EXPECT_EQ(SettingsFolder(), (root / "chosen").string());
    SetSettingsFolder(std::nullopt);
    EXPECT_EQ(SettingsFolder(), root.string());  // writable by whoever made it
}

// The real account check: a folder the account cannot write sends the
// settings to its home, one that holds KSConfig.ini keeps them. As root
// every folder counts as writable, so the check runs as nobody in a child.
TEST_F(SettingsFolderTest, AReadOnlyProgramFolderSendsThemHome) {
    const fs::path bin = root / "usr" / "bin";
    fs::create_directories(bin);
    fs::create_directories(root / "home");
    fs::create_directories(root / "kept");
    std::ofstream(root / "kept" / "KSConfig.ini") << "[S]\r\n";
    fs::permissions(bin, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    fs::permissions(root / "kept", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    const std::string home = (root / "home").string();
    const std::string expectHome = home + "/.config/kestrane";

    // 0: both right, 1: the read-only folder was kept, 2: the settings file was left.
    auto check = [&]() -> int {
        SetProgramFolder(bin.string());
        if (SettingsFolder() != expectHome) return 1;
        SetProgramFolder((root / "kept").string());
        if (SettingsFolder() != (root / "kept").string()) return 2;
        return 0;
    };
    if (::geteuid() != 0) {
        EXPECT_EQ(check(), 0);
        return;
    }
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr) GTEST_SKIP() << "no account 'nobody' to check a read-only program folder as";
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) _exit(3);
        _exit(check());
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: a read-only folder was kept, 2: a settings file was left, "
                                         "3: could not become nobody";
}

TEST_F(SettingsFolderTest, MakeFoldersCreatesMissingLevelsForTheOwnerOnly) {
    const fs::path target = root / "home" / ".config" / "kestrane";
    ASSERT_TRUE(MakeFolders(target.string()));
    EXPECT_TRUE(fs::is_directory(target));
    for (const fs::path& made : {root / "home", root / "home" / ".config", target}) {
        EXPECT_EQ(Mode(made), 0700u) << made;
    }
    // An existing folder keeps its mode; a folder cannot be made inside a file.
    fs::permissions(target, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    EXPECT_TRUE(MakeFolders(target.string()));
    EXPECT_EQ(Mode(target), 0750u);
    std::ofstream(root / "plain") << "x";
    EXPECT_FALSE(MakeFolders((root / "plain" / "kestrane").string()));
    EXPECT_FALSE(MakeFolders(""));
}

}  // namespace
}  // namespace ks
