#pragma once
// The NC hole program: its text, and where a new one goes (the folder made
// ready, the next free name).
#include <ctime>
#include <span>
#include <string>

#include "jobfiles/hole_table.h"

namespace ks {

// The whole file: banner with the time of writing, START, one line per
// entry with a radius above 0 numbered by its place in the table, STOP
// without a line end. GBK bytes, CR LF.
std::string FormatNcProgram(std::span<const HoleRecord> holes, const std::tm& written);

// The drawing's file name without folder and extension: after the last
// folder separator ('/', on Windows a backslash as well), before the last
// dot; empty when there is no dot after the last separator.
std::string NcBaseNameOf(const std::string& dxfPath);

// Makes the folder and every folder above it (failures pass: most exist);
// true when new files can then be made in it by name.
bool PrepareNcFolder(const std::string& folder);

// The first of BASE00.NC to BASE99.NC in the folder that does not exist;
// BASE99.NC when all do.
std::string FreeNcFileName(const std::string& folder, const std::string& baseName);

}  // namespace ks
