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

// Where KSConfig.ini and the COMn links live. They stay in the program's
// folder when that folder is writable or already holds KSConfig.ini (a
// build, a copied folder: where the console always kept them). Otherwise
// (an installed program in /usr/bin, which an operator account cannot
// write) they go to the account's configuration folder: $XDG_CONFIG_HOME/
// kestrane when that is an absolute path, else $HOME/.config/kestrane; the
// console creates it on first use. Windows keeps the program's folder.
// Without a trailing separator; empty when unknown.
std::string SettingsFolder();
// Replaces the settings folder (tests, tools); std::nullopt goes back to
// the rule above.
void SetSettingsFolder(std::optional<std::string> folder);

// The rule of SettingsFolder() on facts gathered by the caller, so that it
// can be checked for any account (as root every folder is writable).
// xdgConfigHome: the variable's value, or nullptr when unset; home: the
// account's home folder, empty when unknown.
std::string ChooseSettingsFolder(const std::string& programFolder, bool programFolderWritable,
                                 bool holdsSettingsFile, const char* xdgConfigHome,
                                 const std::string& home);

// Creates `folder` and any missing parents, each new level readable by its
// owner only (other accounts have no business with an operator's port links
// and resume point). True when the folder exists afterwards.
bool MakeFolders(const std::string& folder);

}  // namespace ks
