#include "ui/win32/fonts.h"

#include <algorithm>
#include <cwctype>
#include <map>
#include <tuple>

#include "ui/win32/wide_text.h"

namespace ks::ui::win32 {

namespace {

bool g_latin = false;

struct Face {
    std::wstring name;
    BYTE charset;
};

Face FaceFor(const std::string& face) {
    if (g_latin) return {L"Tahoma", DEFAULT_CHARSET};
    if (face == "宋体" || face == "System") return {L"SimSun", GB2312_CHARSET};
    if (face == "微软雅黑") return {L"Microsoft YaHei", GB2312_CHARSET};
    if (face == "黑体") return {L"SimHei", GB2312_CHARSET};
    return {Wide(face), DEFAULT_CHARSET};
}

}  // namespace

void UseLatinFaces(bool on) { g_latin = on; }
bool LatinFaces() { return g_latin; }

HFONT FontFor(const std::string& face, int points, int pixels, bool bold, int percent) {
    using Key = std::tuple<std::string, int, int, bool, int, bool>;
    static std::map<Key, HFONT> fonts;
    const Key key{face, points, pixels, bold, percent, g_latin};
    if (auto it = fonts.find(key); it != fonts.end()) return it->second;
    const int em = pixels > 0 ? pixels : ::MulDiv(points, 96, 72);
    const Face f = FaceFor(face);
    LOGFONTW lf{};
    lf.lfHeight = -std::max(1, ::MulDiv(em, percent, 100));
    lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    lf.lfCharSet = f.charset;
    lf.lfOutPrecision = OUT_TT_PRECIS;
    lf.lfQuality = ANTIALIASED_QUALITY;
    lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
    lstrcpynW(lf.lfFaceName, f.name.c_str(), LF_FACESIZE);
    HFONT font = ::CreateFontIndirectW(&lf);
    fonts[key] = font;
    return font;
}

int TextWidth(HFONT font, const std::wstring& text) {
    HDC dc = ::GetDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, font);
    int widest = 0;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        size_t len = end - start;
        while (len > 0 && iswspace(text[start + len - 1])) --len;  // blanks at the end show nothing
        SIZE size{};
        if (len > 0 && ::GetTextExtentPoint32W(dc, text.c_str() + start, static_cast<int>(len), &size))
            widest = std::max(widest, static_cast<int>(size.cx));
        start = end + 1;
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(nullptr, dc);
    return widest;
}

}  // namespace ks::ui::win32
