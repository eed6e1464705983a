// Where settings live as a Windows account finds it: the facts that
// SettingsFolder() gathers (the setup's uninstaller beside the program, a
// file made in the folder, %APPDATA%) against the system's own answers.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/program_folder.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

TEST(SettingsFolderWin32Test, BesideAPlainCopyInTheAccountsFolderOnceInstalled) {
    const std::string savedProgram = ProgramFolder();
    const fs::path folder = fs::temp_directory_path() / ("ks_settings_" + std::to_string(::GetCurrentProcessId()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    SetProgramFolder(folder.string());

    // A folder the account may write: a copy on a USB stick keeps them with it.
    EXPECT_EQ(SettingsFolder(), folder.string());
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 0)
        << "the write probe was left behind";

    std::ofstream(folder / kUninstallerName) << "MZ";
    const char* appData = std::getenv("APPDATA");
    ASSERT_NE(appData, nullptr);
    EXPECT_EQ(SettingsFolder(), std::string(appData) + "\\Kestrane");

    SetProgramFolder(savedProgram);
    fs::remove_all(folder);
}

}  // namespace
}  // namespace ks
