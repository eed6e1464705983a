#pragma once
// The folder of the running executable: where the settings file lives and
// where COMn links are looked up. Tests point it elsewhere.
#include <string>

namespace ks {

// Folder of the executable (from /proc/self/exe on Linux, the module file
// name on Windows), without a trailing separator; empty when unknown.
std::string ProgramFolder();
// Replaces the folder for the rest of the process (tests, tools).
void SetProgramFolder(const std::string& folder);

}  // namespace ks
