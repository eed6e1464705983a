#pragma once
// Hands a file to the program the desktop opens that kind of file with (a
// job report in the default browser): xdg-open on Linux, ShellExecute on
// Windows. One implementation per system (open_document_*.cpp).
#include <string>

namespace ks {

// Starts the desktop's program for the file at path and returns at once,
// without waiting for it or owning it. False when nothing could be started
// (no such opener on this system, or the system refused).
bool OpenWithDesktop(const std::string& path);

}  // namespace ks
