#pragma once
// Appending lines to a log-like file so that a crash or a power cut loses
// at most the line being written.
#include <string>
#include <string_view>

namespace ks {

// Appends `line` (which ends in its own line break) to the file at path,
// creating it with `header` first. A file whose last line was cut short
// (no line break at its end) gets a line break before the new line, so
// that the new line starts on a line of its own. The data is on disk
// (fdatasync, and the folder synced when the file was made) when this
// returns true; false, with errno in *error, when
// the file or its folder cannot be written.
bool AppendDurably(const std::string& path, std::string_view header, std::string_view line, int* error);

}  // namespace ks
