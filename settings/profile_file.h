#pragma once
// A profile file ("INI"): [section] headers and key=value lines, read and
// written the way the Windows profile calls behave for the console's needs.
//
// Reading
//  - Lines end with LF; a CR before the LF (CR LF files) is ignored, so are
//    blank lines. Leading and trailing blanks (space, tab) of a line are
//    ignored.
//  - "[name]" starts a section; the name is the text between '[' and the
//    last ']' of the line, without the blanks at either end ("[ FileParam
//    Info ]" is the section "FileParam Info"). A line starting with ';' is a
//    comment. Any other line with '=' is a key: the key is the text before
//    the first '=' and the value the text after it, each with the blanks
//    around it removed, as Windows does ("Key = value" reads as "value").
//    A value in one pair of matching quotes ('..' or "..") loses them.
//  - Section and key names match without regard to ASCII case (and the
//    section name asked for without its outer blanks); the first matching
//    section and the first matching key in it win.
//  - Values are bytes, no conversion. A value is cut at its first NUL byte
//    and to kValueLimit bytes (the 260-byte buffer of the console); when a
//    well-formed UTF-8 character would be split by that cut, the value ends
//    before it instead. Other bytes (GBK) are cut at the limit as they are.
//  - A missing file, section or key gives the caller's default text.
//
// Writing
//  - Replaces the line of an existing key with "Key=value" (the key as the
//    caller spells it), or adds the key after the last entry of its
//    section, or adds the section with the key at the end of the file, or
//    creates the file. The section is found as reading finds it, so a
//    hand-edited "[ name ]" header gets the key, not a second section.
//    Lines end with CR LF; every other byte of the file stays as it was.
//  - The new contents go to a temporary file in the same folder, are
//    flushed to disk and renamed over the old file, so a crash or power
//    loss leaves either the old or the new file, never a torn one.
//  - Names containing '[', ']', '=', CR, LF or NUL (or a key starting with
//    ';'), and values containing CR, LF or NUL, would change the file's
//    structure; such writes are refused (false) and change nothing.
#include <cstddef>
#include <string>
#include <string_view>

namespace ks::settings {

inline constexpr size_t kValueLimit = 259;

// A value as the reader hands it back: cut at its first NUL byte and to
// kValueLimit bytes, never inside a UTF-8 character.
std::string LimitValue(std::string_view text);

// GetPrivateProfileString with a 260-byte buffer.
std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view defaultText);

// WritePrivateProfileString. False when the value could not be stored.
bool WriteProfileString(const std::string& path, std::string_view section,
                        std::string_view key, std::string_view value);

// True when a file (not a folder) exists at path.
bool ProfileFileExists(const std::string& path);

// Pure text forms of the two calls, on the file's bytes (used by the file
// functions above; exposed for tests and fuzzing).
std::string LookupProfileValue(std::string_view contents, std::string_view section,
                               std::string_view key, std::string_view defaultText);
// Returns the new contents of the file.
std::string SetProfileValue(std::string_view contents, std::string_view section,
                            std::string_view key, std::string_view value);
// Whether section, key and value can be written without changing the
// file's structure.
bool IsWritableEntry(std::string_view section, std::string_view key, std::string_view value);

}  // namespace ks::settings
