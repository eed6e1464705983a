#pragma once
// Texts between the logic and the Windows calls. The logic's operator texts
// are UTF-8; paths are bytes of the ANSI code page, since the lower layers
// open files with the ...A calls (and a settings file written by an older
// console holds them so). The window takes both and shows them with the
// wide (...W) calls.
#include <string>
#include <string_view>

namespace ks::ui::win32 {

// For showing: UTF-8 where the bytes are valid UTF-8, the ANSI code page
// for runs that are not (a path from a Chinese Windows in the middle of a
// Chinese operator text).
std::wstring Wide(std::string_view bytes);

std::string Utf8(std::wstring_view text);

// What an operator typed, as bytes for the logic: in the ANSI code page
// when the text has no character that page lacks (edits hold numbers and
// paths, and paths go to the ...A calls), else UTF-8.
std::string TypedBytes(std::wstring_view text);

// A path for the ...A calls; empty when the ANSI code page cannot hold it.
std::string AnsiPath(std::wstring_view path);

}  // namespace ks::ui::win32
