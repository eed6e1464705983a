// The profile file: reading any bytes, and writing into them. A value just
// written reads back as written (blanks around it and one pair of quotes
// dropped, as the reader does), every other entry reads as before, writing
// the same entry again changes nothing, and at most one line of the old
// contents is replaced. Now and then the same goes through a real file.
#include <string>
#include <string_view>

#include "fuzz/fuzz_support.h"
#include "settings/profile_file.h"

namespace {

namespace st = ks::settings;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i])) return false;
    }
    return true;
}

// What the reader makes of a value written as is.
std::string ReadForm(std::string_view v) {
    while (!v.empty() && IsBlank(v.front())) v.remove_prefix(1);
    while (!v.empty() && IsBlank(v.back())) v.remove_suffix(1);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
        v = v.substr(1, v.size() - 2);
    }
    return st::LimitValue(v);
}

// Section names match with the blanks around them trimmed, as headers do.
bool SameSection(std::string_view a, std::string_view b) {
    auto trim = [](std::string_view s) {
        while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
        while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
        return s;
    };
    return SameName(trim(a), trim(b));
}

size_t Count(std::string_view s, char c) {
    size_t n = 0;
    for (char x : s) n += x == c;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = ks::fuzz::ScratchFolder() + "/profile.ini";
    ks::fuzz::Input in(data, size);
    const uint8_t mode = in.Byte();
    const std::string section(in.Piece());
    const std::string key(in.Piece());
    const std::string value(in.Piece());
    const std::string otherSection(in.Piece());
    const std::string otherKey(in.Piece());
    const std::string contents(in.Rest());

    const std::string before = st::LookupProfileValue(contents, otherSection, otherKey, "\x01");
    KS_FUZZ_CHECK(before.size() <= st::kValueLimit);
    KS_FUZZ_CHECK(before.find('\0') == std::string::npos);

    const bool writable = st::IsWritableEntry(section, key, value);
    if (writable) {
        const std::string updated = st::SetProfileValue(contents, section, key, value);
        KS_FUZZ_CHECK(st::LookupProfileValue(updated, section, key, "\x01") == ReadForm(value));
        if (!(SameSection(section, otherSection) && SameName(key, otherKey))) {
            KS_FUZZ_CHECK(st::LookupProfileValue(updated, otherSection, otherKey, "\x01") == before);
        }
        KS_FUZZ_CHECK(st::SetProfileValue(updated, section, key, value) == updated);
        // Old bytes outside one replaced line are kept.
        size_t p = 0;
        while (p < contents.size() && p < updated.size() && contents[p] == updated[p]) ++p;
        size_t q = 0;
        while (q < contents.size() - p && q < updated.size() - p &&
               contents[contents.size() - 1 - q] == updated[updated.size() - 1 - q])
            ++q;
        KS_FUZZ_CHECK(Count(std::string_view(contents).substr(p, contents.size() - p - q), '\n') <= 1);
    }

    if (mode & 1) {
        ks::fuzz::WriteFileBytes(path, contents);
        const bool stored = st::WriteProfileString(path, section, key, value);
        KS_FUZZ_CHECK(stored == writable);
        const std::string now = ks::fuzz::ReadFileBytes(path);
        if (writable) {
            KS_FUZZ_CHECK(now == st::SetProfileValue(contents, section, key, value));
            KS_FUZZ_CHECK(st::ReadProfileString(path, section, key, "\x01") == ReadForm(value));
        } else {
            KS_FUZZ_CHECK(now == contents);
        }
    }
    return 0;
}
