#include "ui/win32/wide_text.h"

#include "ui/win32/windows_h.h"

namespace ks::ui::win32 {

namespace {

// Length of the valid UTF-8 sequence at s[i] (0 when there is none).
size_t Utf8Length(std::string_view s, size_t i) {
    const auto b = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = b(i);
    size_t n = 0;
    uint32_t min = 0;
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) { n = 2; min = 0x80; }
    else if (lead >= 0xE0 && lead <= 0xEF) { n = 3; min = 0x800; }
    else if (lead >= 0xF0 && lead <= 0xF4) { n = 4; min = 0x10000; }
    else return 0;
    if (i + n > s.size()) return 0;
    uint32_t cp = lead & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

std::wstring Convert(UINT page, std::string_view bytes) {
    if (bytes.empty()) return {};
    const int n = ::MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(page, 0, bytes.data(), static_cast<int>(bytes.size()), out.data(), n);
    return out;
}

std::string Narrow(UINT page, std::wstring_view text, bool* lossy) {
    if (text.empty()) return {};
    if (page == CP_ACP && ::GetACP() == CP_UTF8) page = CP_UTF8;  // a system set to UTF-8 loses nothing
    BOOL usedDefault = FALSE;
    BOOL* used = page == CP_UTF8 ? nullptr : &usedDefault;
    const int n = ::WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, used);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(page, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, used);
    if (lossy != nullptr) *lossy = usedDefault != FALSE;
    return out;
}

}  // namespace

std::wstring Wide(std::string_view bytes) {
    std::wstring out;
    size_t i = 0;
    while (i < bytes.size()) {
        size_t start = i;
        while (i < bytes.size()) {
            const size_t n = Utf8Length(bytes, i);
            if (n == 0) break;
            i += n;
        }
        out += Convert(CP_UTF8, bytes.substr(start, i - start));
        // A run that is no UTF-8: a double-byte character keeps its trail
        // byte, whatever it looks like.
        start = i;
        while (i < bytes.size() && Utf8Length(bytes, i) == 0) {
            i += (::IsDBCSLeadByte(static_cast<BYTE>(bytes[i])) && i + 1 < bytes.size()) ? 2 : 1;
        }
        out += Convert(CP_ACP, bytes.substr(start, i - start));
    }
    return out;
}

std::string Utf8(std::wstring_view text) { return Narrow(CP_UTF8, text, nullptr); }

std::string TypedBytes(std::wstring_view text) {
    bool lossy = false;
    std::string ansi = Narrow(CP_ACP, text, &lossy);
    return lossy ? Utf8(text) : ansi;
}

std::string AnsiPath(std::wstring_view path) {
    bool lossy = false;
    std::string ansi = Narrow(CP_ACP, path, &lossy);
    return lossy ? std::string() : ansi;
}

}  // namespace ks::ui::win32
