#pragma once
// The folder of the running executable, and the settings folder: where the
// settings file lives and where COMn links are looked up. Tests point them
// elsewhere.
#include <optional>
#include <string>

namespace ks {

// Folder of the executable (from /proc/self/exe on Linux, the module file
// name on Windows), without a trailing separator; empty when unknown.
std::string ProgramFolder();
// Replaces the folder for the rest of the process (tests, tools).
void SetProgramFolder(const std::string& folder);

// Where KSConfig.ini, the job records and the COMn links live. A copy run
// from a plain folder (a build, a folder copied by hand, a USB stick) keeps
// them beside the program when it may write there or already finds
// KSConfig.ini there: where the console always kept them. An installed
// program keeps them in the account's own folder: one the setup program put
// in place (its uninstaller lies beside the program), or one the account
// cannot write (/usr/bin, Program Files). That folder is $XDG_CONFIG_HOME/
// kestrane when that is an absolute path, else $HOME/.config/kestrane; on
// Windows %APPDATA%\Kestrane. The console creates it on first use. Without
// a trailing separator; empty when unknown.
std::string SettingsFolder();
// Replaces the settings folder (tests, tools); std::nullopt goes back to
// the rule above.
void SetSettingsFolder(std::optional<std::string> folder);

// What SettingsFolder() decides by, gathered by the platform, so that the
// rule can be checked for any account on any system (as root or as a
// Windows administrator every folder is writable).
struct SettingsPlace {
    std::string programFolder;
    bool installed = false;  // the setup program's uninstaller lies beside the program
    bool programFolderWritable = false;
    bool holdsSettingsFile = false;
    std::string accountFolder;  // the account's own; empty when unknown
};
std::string ChooseSettingsFolder(const SettingsPlace& place);

// The account's own folder on POSIX systems. xdgConfigHome: the variable's
// value, or nullptr when unset; home: the account's home folder, empty
// when unknown (and then so is the result).
std::string PosixAccountFolder(const char* xdgConfigHome, const std::string& home);
// On Windows: the account's application data folder (%APPDATA%) + Kestrane.
std::string WindowsAccountFolder(const std::string& appData);

// The name of the uninstaller that the Windows setup program puts beside
// the programs (packaging/windows/kestrane.nsi): it marks an installed copy.
inline constexpr const char* kUninstallerName = "uninstall.exe";

// Creates `folder` and any missing parents, each new level readable by its
// owner only (other accounts have no business with an operator's port links
// and resume point). True when the folder exists afterwards.
bool MakeFolders(const std::string& folder);

}  // namespace ks
