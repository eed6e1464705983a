#include "settings/profile_file.h"

#include <cstdio>
#include <optional>
#include <vector>

#include "platform/os.h"

namespace ks::settings {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

// One physical line: its bytes in the file including the line end.
struct Line {
    size_t begin = 0;
    size_t end = 0;       // one past the LF, or the end of the file
    std::string_view text;  // without LF and a CR before it, trimmed
};

std::vector<Line> SplitLines(std::string_view contents) {
    std::vector<Line> lines;
    size_t pos = 0;
    while (pos < contents.size()) {
        size_t lf = contents.find('\n', pos);
        size_t end = lf == std::string_view::npos ? contents.size() : lf + 1;
        std::string_view body = contents.substr(pos, (lf == std::string_view::npos ? end : lf) - pos);
        if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
        lines.push_back({pos, end, Trim(body)});
        pos = end;
    }
    return lines;
}

// Section name of a header line, or nullopt when the line is no header.
// Hand-edited files write "[ FileParam Info ]": the blanks are no part of
// the name, as with the Windows profile calls.
std::optional<std::string_view> SectionName(std::string_view text) {
    if (text.empty() || text.front() != '[') return std::nullopt;
    size_t close = text.rfind(']');
    if (close == std::string_view::npos) return std::nullopt;
    return Trim(text.substr(1, close - 1));
}

// Key of an entry line, or nullopt for blank lines, comments and lines
// without '='.
std::optional<std::string_view> KeyName(std::string_view text) {
    if (text.empty() || text.front() == ';') return std::nullopt;
    size_t eq = text.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return Trim(text.substr(0, eq));
}

std::string_view ValueOf(std::string_view text) {
    std::string_view v = Trim(text.substr(text.find('=') + 1));
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return v;
}

// Number of bytes of the well-formed UTF-8 character starting at text[at],
// or 0 when no such character starts there.
size_t Utf8CharAt(std::string_view text, size_t at) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    // Allowed range of the second byte: narrower after E0, ED, F0 and F4,
    // which would otherwise start overlong forms, surrogates or values past
    // U+10FFFF.
    unsigned char low = 0x80, high = 0xBF;
    size_t len = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        len = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        len = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        len = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() - at < len) return 0;
    if (byte(at + 1) < low || byte(at + 1) > high) return 0;
    for (size_t i = 2; i < len; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return 0;
    }
    return len;
}

}  // namespace

std::string LimitValue(std::string_view text) {
    size_t nul = text.find('\0');
    if (nul != std::string_view::npos) text = text.substr(0, nul);
    if (text.size() > kValueLimit) {
        // A UTF-8 character across the cut goes whole: half of one shows as
        // a broken character and breaks the text it is passed on in. Other
        // bytes (GBK paths among them) are cut where the limit falls.
        size_t cut = kValueLimit;
        for (size_t back = 1; back <= 3; ++back) {
            const size_t at = cut - back;
            const size_t len = Utf8CharAt(text, at);
            if (len > back) {
                cut = at;
                break;
            }
            if ((static_cast<unsigned char>(text[at]) & 0xC0) != 0x80) break;  // not inside a character
        }
        text = text.substr(0, cut);
    }
    return std::string(text);
}

namespace {

// Index of the header line of the first section called `section`. The
// caller's name is taken without outer blanks, as header names are, so a
// section written once is found again.
std::optional<size_t> FindSection(const std::vector<Line>& lines, std::string_view section) {
    section = Trim(section);
    for (size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionName(lines[i].text);
        if (name && EqualNoCase(*name, section)) return i;
    }
    return std::nullopt;
}

bool HasStructureBytes(std::string_view s, std::string_view bad) {
    return s.find_first_of(bad) != std::string_view::npos;
}

using namespace std::string_view_literals;

// Ends the last line of non-empty text before more lines follow. A file cut
// off between CR and LF only lacks the LF: a second CR would become part of
// that line and change the value of its entry.
void EndLine(std::string& text) {
    if (text.empty() || text.back() == '\n') return;
    text += text.back() == '\r' ? "\n" : "\r\n";
}

// The file's bytes; nullopt when something is there but cannot be read as
// a file (unreadable, a folder): such a thing is never replaced.
std::optional<std::string> ReadAll(const std::string& path, bool* exists) {
    *exists = false;
    const PathKind kind = KindOfPath(path);
    if (kind == PathKind::Missing) return std::string();
    if (kind == PathKind::Unknown) return std::nullopt;
    *exists = true;
    if (kind != PathKind::File) return std::nullopt;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string data;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.append(buf, n);
    bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return std::nullopt;
    return data;
}

}  // namespace

std::string LookupProfileValue(std::string_view contents, std::string_view section,
                               std::string_view key, std::string_view defaultText) {
    std::vector<Line> lines = SplitLines(contents);
    auto header = FindSection(lines, section);
    if (header) {
        for (size_t i = *header + 1; i < lines.size(); ++i) {
            if (SectionName(lines[i].text)) break;
            auto name = KeyName(lines[i].text);
            if (name && EqualNoCase(*name, key)) return LimitValue(ValueOf(lines[i].text));
        }
    }
    return LimitValue(defaultText);
}

bool IsWritableEntry(std::string_view section, std::string_view key, std::string_view value) {
    constexpr std::string_view kLineBytes = "\r\n\0"sv;
    if (key.empty() || key.front() == ';' || Trim(key) != key) return false;
    if (HasStructureBytes(section, "[]\r\n\0"sv)) return false;
    if (HasStructureBytes(key, "[]=\r\n\0"sv)) return false;
    return !HasStructureBytes(value, kLineBytes);
}

std::string SetProfileValue(std::string_view contents, std::string_view section,
                            std::string_view key, std::string_view value) {
    const std::string entry = std::string(key) + "=" + std::string(value) + "\r\n";
    std::vector<Line> lines = SplitLines(contents);
    auto header = FindSection(lines, section);
    if (!header) {
        std::string out(contents);
        EndLine(out);
        out += "[" + std::string(section) + "]\r\n" + entry;
        return out;
    }
    size_t last = *header;  // last non-blank line of the section
    for (size_t i = *header + 1; i < lines.size(); ++i) {
        if (SectionName(lines[i].text)) break;
        auto name = KeyName(lines[i].text);
        if (name && EqualNoCase(*name, key)) {
            return std::string(contents.substr(0, lines[i].begin)) + entry +
                   std::string(contents.substr(lines[i].end));
        }
        if (!lines[i].text.empty()) last = i;
    }
    size_t at = lines[last].end;
    std::string out(contents.substr(0, at));
    EndLine(out);
    out += entry;
    out += contents.substr(at);
    return out;
}

std::string ReadProfileString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view defaultText) {
    bool exists = false;
    auto data = ReadAll(path, &exists);
    if (!data) return LimitValue(defaultText);
    return LookupProfileValue(*data, section, key, defaultText);
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value) {
    if (!IsWritableEntry(section, key, value)) return false;
    bool exists = false;
    auto data = ReadAll(path, &exists);
    if (!data) return false;
    std::string updated = SetProfileValue(*data, section, key, value);
    if (exists && updated == *data) return true;
    return ReplaceFileDurably(path, updated);
}

bool ProfileFileExists(const std::string& path) { return KindOfPath(path) == PathKind::File; }

}  // namespace ks::settings
