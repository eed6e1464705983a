// A dialog window's looks: its ground (fill and picture), the colours and
// fonts the logic answers for its controls (WM_CTLCOLOR*), the picture
// buttons and the coloured list rows, which the window draws itself.
#include <algorithm>

#include "ui/control_colour_kind.h"
#include "ui/win32/dialog_window.h"
#include "ui/win32/fonts.h"
#include "ui/win32/pictures.h"

namespace ks::ui::win32 {

namespace {

COLORREF Colour(const Rgb& c) { return RGB(c.r, c.g, c.b); }

// The width a control has for its text (-1: its text is not fitted).
int Room(HWND control, res::ControlKind kind, const res::ControlTemplate& c) {
    RECT r{};
    ::GetClientRect(control, &r);
    const int width = r.right - r.left;
    switch (kind) {
        case res::ControlKind::Static: return (c.style & res::kWordWrap) ? -1 : width - 2;
        case res::ControlKind::Button: return width - 10;
        case res::ControlKind::Radio: return width - ::GetSystemMetrics(SM_CXMENUCHECK) - 8;
        case res::ControlKind::GroupBox: return width - 28;
        default: return -1;
    }
}

// Covers `r` of dc with `colour` at `alpha` (0..255).
void Tint(HDC dc, const RECT& r, COLORREF colour, BYTE alpha) {
    static HDC pixel = nullptr;
    static HBITMAP dot = nullptr;
    if (pixel == nullptr) {
        pixel = ::CreateCompatibleDC(nullptr);
        BITMAPINFO info{};
        info.bmiHeader = {sizeof info.bmiHeader, 1, 1, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* bits = nullptr;
        dot = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ::SelectObject(pixel, dot);
    }
    ::SetPixelV(pixel, 0, 0, colour);
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha, 0};
    ::AlphaBlend(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, pixel, 0, 0, 1, 1, blend);
}

}  // namespace

// Asked outside any wait (at the start, and when the logic invalidates the
// window); the paints in between use what was answered.
void DialogWindow::RefreshStyles() {
    if (!m_logic.IsAttached()) return;
    m_windowStyle = m_logic.OnCtlColor(0, CtlColorKind::Dialog);
    for (const auto& [id, control] : m_controls.byId) {
        const res::ControlTemplate* c = m_controls.TemplateOf(control);
        if (c == nullptr || !TakesColours(c->kind)) continue;
        m_styles[id] = m_logic.OnCtlColor(id, ColourKindOf(c->kind));
        ApplyFont(id, control);
    }
}

// The font the logic names for the control, else the template's; English
// texts wider than the control shrink their font until they fit (to 60 %),
// and a list's font is fitted to its widest row.
void DialogWindow::ApplyFont(int id, HWND control) {
    const res::ControlTemplate* c = m_controls.TemplateOf(control);
    if (c == nullptr || !TakesColours(c->kind)) return;
    auto style = m_styles.find(id);
    const bool own = style != m_styles.end() && style->second && !style->second->fontFace.empty();
    const FontSpec wanted = own ? FontSpec{style->second->fontFace, style->second->fontPoints, 0}
                              : TemplateFontSpec(*m_template);
    auto make = [&](int percent) { return FontFor(wanted.face, wanted.points, wanted.pixels, false, percent); };
    HFONT font = make(100);
    if (c->kind == res::ControlKind::ListBox) {
        if (auto fit = m_listFit.find(id); fit != m_listFit.end()) font = make(fit->second.percent);
    } else if (LatinFaces()) {
        const int room = Room(control, c->kind, *c);
        wchar_t text[512] = {};
        ::GetWindowTextW(control, text, 512);
        for (int percent = 100; room > 0 && text[0] != 0 && percent >= 60; percent -= 5) {
            font = make(percent);
            if (TextWidth(font, text) <= room) break;
        }
    }
    if (font == nullptr) return;
    if (reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0)) != font) {
        ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (c->kind == res::ControlKind::ListBox) {
        HDC dc = ::GetDC(control);
        HGDIOBJ old = ::SelectObject(dc, font);
        TEXTMETRICW tm{};
        ::GetTextMetricsW(dc, &tm);
        ::SelectObject(dc, old);
        ::ReleaseDC(control, dc);
        ::SendMessageW(control, LB_SETITEMHEIGHT, 0, tm.tmHeight);
    }
}

void DialogWindow::PaintGround(HDC dc, const RECT& area, POINT origin) {
    COLORREF fill = ::GetSysColor(COLOR_3DFACE);
    if (m_template->backgroundRgb >= 0) {
        const int32_t rgb = m_template->backgroundRgb;
        fill = RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
    }
    if (m_windowStyle && m_windowStyle->background) fill = Colour(*m_windowStyle->background);
    RECT local = area;
    ::OffsetRect(&local, -origin.x, -origin.y);
    HBRUSH brush = ::CreateSolidBrush(fill);
    ::FillRect(dc, &local, brush);
    ::DeleteObject(brush);
    if (m_template->backgroundBitmap == 0) return;
    HBITMAP picture = Picture(m_template->backgroundBitmap);
    const SIZE size = PictureSize(m_template->backgroundBitmap);
    RECT shown{};
    const RECT whole{0, 0, size.cx, size.cy};
    if (picture == nullptr || !::IntersectRect(&shown, &area, &whole)) return;
    HDC source = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(source, picture);
    ::BitBlt(dc, shown.left - origin.x, shown.top - origin.y, shown.right - shown.left, shown.bottom - shown.top,
             source, shown.left, shown.top, SRCCOPY);
    ::SelectObject(source, old);
    ::DeleteDC(source);
}

// The logic's answer for the control: its text colour, its ground (a brush
// of its own, or the window's picture behind a label that has none); 0
// leaves the control the system's colours.
LRESULT DialogWindow::OnCtlColor(HDC dc, HWND control) {
    auto it = m_styles.find(::GetDlgCtrlID(control));
    if (it == m_styles.end() || !it->second) return 0;
    const ControlStyle& s = *it->second;
    if (!s.text && !s.background && !s.transparentText) return 0;
    if (s.text) ::SetTextColor(dc, Colour(*s.text));
    if (s.transparentText) ::SetBkMode(dc, TRANSPARENT);
    if (s.background) {
        const COLORREF ground = Colour(*s.background);
        ::SetBkColor(dc, ground);
        HBRUSH& brush = m_brushes[ground];
        if (brush == nullptr) brush = ::CreateSolidBrush(ground);
        return reinterpret_cast<LRESULT>(brush);
    }
    if (m_groundBrush != nullptr) {
        // The picture laid from the window's corner, seen through the label.
        POINT corner{0, 0};
        ::MapWindowPoints(control, m_hwnd, &corner, 1);
        ::SetBrushOrgEx(dc, -corner.x, -corner.y, nullptr);
        return reinterpret_cast<LRESULT>(m_groundBrush);
    }
    return reinterpret_cast<LRESULT>(::GetSysColorBrush(COLOR_3DFACE));
}

// Pressed, the picture sinks by a pixel and darkens; disabled, it greys.
void DialogWindow::DrawPictureButton(const DRAWITEMSTRUCT& item) {
    auto it = m_controls.picture.find(static_cast<int>(item.CtlID));
    if (it == m_controls.picture.end()) return;
    const RECT& r = item.rcItem;
    POINT corner{0, 0};
    ::MapWindowPoints(item.hwndItem, m_hwnd, &corner, 1);
    PaintGround(item.hDC, RECT{corner.x, corner.y, corner.x + r.right, corner.y + r.bottom}, corner);
    HBITMAP picture = Picture(it->second);
    const SIZE size = PictureSize(it->second);
    const bool down = (item.itemState & ODS_SELECTED) != 0;
    if (picture != nullptr) {
        HDC source = ::CreateCompatibleDC(item.hDC);
        HGDIOBJ old = ::SelectObject(source, picture);
        const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        ::AlphaBlend(item.hDC, down ? 1 : 0, down ? 1 : 0, size.cx, size.cy, source, 0, 0, size.cx, size.cy, blend);
        ::SelectObject(source, old);
        ::DeleteDC(source);
    }
    if (down) Tint(item.hDC, r, RGB(0, 0, 0), 70);
    if (item.itemState & ODS_DISABLED) Tint(item.hDC, r, RGB(128, 128, 128), 120);
}

// A list with a ground of its own keeps its selected row readable on it.
void DialogWindow::DrawListRow(const DRAWITEMSTRUCT& item) {
    auto style = m_styles.find(static_cast<int>(item.CtlID));
    const bool own = style != m_styles.end() && style->second && style->second->background;
    const bool selected = (item.itemState & ODS_SELECTED) != 0 && item.itemID != static_cast<UINT>(-1);
    COLORREF ground = own ? Colour(*style->second->background) : ::GetSysColor(COLOR_WINDOW);
    COLORREF ink = own && style->second->text ? Colour(*style->second->text) : ::GetSysColor(COLOR_WINDOWTEXT);
    if (selected) {
        ground = own ? RGB(255, 214, 64) : ::GetSysColor(COLOR_HIGHLIGHT);
        ink = own ? RGB(0, 0, 0) : ::GetSysColor(COLOR_HIGHLIGHTTEXT);
    }
    HBRUSH brush = ::CreateSolidBrush(ground);
    ::FillRect(item.hDC, &item.rcItem, brush);
    ::DeleteObject(brush);
    if (item.itemID == static_cast<UINT>(-1)) return;
    const LRESULT length = ::SendMessageW(item.hwndItem, LB_GETTEXTLEN, item.itemID, 0);
    if (length <= 0) return;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    ::SendMessageW(item.hwndItem, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    RECT r = item.rcItem;
    r.left += 3;
    ::SetBkMode(item.hDC, TRANSPARENT);
    ::SetTextColor(item.hDC, ink);
    HGDIOBJ old = ::SelectObject(item.hDC, reinterpret_cast<HFONT>(::SendMessageW(item.hwndItem, WM_GETFONT, 0, 0)));
    ::DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    ::SelectObject(item.hDC, old);
}

// Hole list rows keep the blanks of the job format between number, X and
// Y; where the face draws the widest of them wider than the list, the
// list's face is drawn just small enough for it to fit beside the scroll
// bar. Rows shorter than the longest so far are not measured.
void DialogWindow::FitListFont(int id, HWND list, const std::wstring& row) {
    ListFit& fit = m_listFit[id];
    if (row.size() < fit.longest) return;
    fit.longest = row.size();
    auto style = m_styles.find(id);
    if (style == m_styles.end() || !style->second || style->second->fontFace.empty()) return;
    const std::string& face = style->second->fontFace;
    const int points = style->second->fontPoints;
    const int width = TextWidth(FontFor(face, points), row) + 6;  // the row's margins
    if (width <= fit.widest) return;
    fit.widest = width;
    RECT r{};
    ::GetWindowRect(list, &r);
    const int room = (r.right - r.left) - 2 * ::GetSystemMetrics(SM_CXEDGE) - ::GetSystemMetrics(SM_CXVSCROLL);
    // Sizes round to whole pixels and glyphs to their hinting: the guess by
    // proportion is checked, and made smaller until the row fits.
    int percent = width > room ? std::max(55, room * 100 / width) : 100;
    while (percent > 55 && width > room && TextWidth(FontFor(face, points, 0, false, percent), row) + 6 > room) --percent;
    if (percent == fit.percent) return;
    fit.percent = percent;
    ApplyFont(id, list);
}

}  // namespace ks::ui::win32
