#include "ui/win32/control_factory.h"

#include <commctrl.h>

#include "ui/win32/fonts.h"
#include "ui/win32/pictures.h"
#include "ui/win32/wide_text.h"

namespace ks::ui::win32 {

using res::ControlKind;

namespace {

struct Made {
    const wchar_t* className;
    DWORD style;
    DWORD exStyle;
};

Made KindOf(const res::ControlTemplate& c) {
    const uint32_t s = c.style;
    DWORD align = 0;
    switch (c.kind) {
        case ControlKind::Static:
            align = (s & res::kCentre) ? SS_CENTER : (s & res::kRight) ? SS_RIGHT : SS_LEFT;
            // One line, centred from top to bottom like the Qt labels; a
            // wrapping label runs from the top.
            return {WC_STATICW, align | SS_NOPREFIX | SS_NOTIFY | ((s & res::kWordWrap) ? 0 : SS_CENTERIMAGE),
                    (s & res::kSunken) ? DWORD{WS_EX_STATICEDGE} : 0};
        case ControlKind::Icon: return {WC_STATICW, SS_ICON, 0};
        case ControlKind::Edit:
            align = (s & res::kCentre) ? ES_CENTER : (s & res::kRight) ? ES_RIGHT : ES_LEFT;
            return {WC_EDITW, align | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE};
        case ControlKind::Button:
            return {WC_BUTTONW, DWORD((s & res::kDefault) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP, 0};
        case ControlKind::PictureButton: return {WC_BUTTONW, BS_OWNERDRAW | WS_TABSTOP, 0};
        case ControlKind::ListBox:
            return {WC_LISTBOXW,
                    LBS_NOTIFY | LBS_HASSTRINGS | LBS_OWNERDRAWFIXED | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP,
                    WS_EX_CLIENTEDGE};
        case ControlKind::ComboBox:
            return {WC_COMBOBOXW,
                    DWORD((s & res::kDropDown) ? CBS_DROPDOWN : CBS_DROPDOWNLIST) |
                        DWORD((s & res::kSorted) ? CBS_SORT : 0) | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP,
                    0};
        case ControlKind::Radio:
            return {WC_BUTTONW, BS_AUTORADIOBUTTON | ((s & res::kGroupStart) ? DWORD{WS_TABSTOP} : 0), 0};
        case ControlKind::GroupBox: return {WC_BUTTONW, BS_GROUPBOX, 0};
        case ControlKind::Frame: break;
    }
    return {WC_STATICW, 0, 0};
}

}  // namespace

HWND Controls::Find(int id) const {
    auto it = byId.find(id);
    return it == byId.end() ? nullptr : it->second;
}

const res::ControlTemplate* Controls::TemplateOf(HWND control) const {
    auto it = templateOf.find(control);
    return it == templateOf.end() ? nullptr : it->second;
}

FontSpec TemplateFontSpec(const res::DialogTemplate& t) {
    // Templates naming "System" are laid out for a 16-pixel bitmap face; a
    // CJK face of about that height keeps their texts legible and inside
    // their fields, as in the Qt windows.
    if (t.fontFace == "System") return {"宋体", 0, 15};
    return {t.fontFace, t.fontPoints > 0 ? t.fontPoints : 9, 0};
}

HFONT TemplateFont(const res::DialogTemplate& t) {
    const FontSpec wanted = TemplateFontSpec(t);
    return FontFor(wanted.face, wanted.points, wanted.pixels);
}

DWORD WindowStyle(const res::DialogTemplate& t) {
    // Not WS_CLIPCHILDREN: a group box paints only its frame and title, and
    // the window's ground must lie under it, as in any dialog.
    DWORD style = 0;
    if (t.windowStyle & res::kThinBorder) return style | WS_POPUP | WS_BORDER;
    style |= WS_CAPTION;
    if (t.windowStyle & res::kSystemMenu) style |= WS_SYSMENU;
    if (t.windowStyle & res::kMinimiseBox) style |= WS_MINIMIZEBOX;
    return style;
}

DWORD WindowExStyle(const res::DialogTemplate& t) {
    DWORD ex = WS_EX_CONTROLPARENT;
    if (t.windowStyle & res::kModalFrame) ex |= WS_EX_DLGMODALFRAME;
    return ex;
}

bool IsKind(HWND control, const wchar_t* className) {
    wchar_t name[32] = {};
    ::GetClassNameW(control, name, 32);
    return lstrcmpiW(name, className) == 0;
}

Controls MakeControls(HWND window, const res::DialogTemplate& t) {
    Controls made;
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    HFONT font = TemplateFont(t);
    for (const auto& c : t.controls) {
        const res::PixelRect r = res::ToPixels(t, c.rect);
        HWND hwnd = nullptr;
        if (c.kind == ControlKind::Frame) {
            made.map = std::make_unique<HoleMapWindow>(window, RECT{r.x, r.y, r.x + r.width, r.y + r.height});
            hwnd = made.map->Handle();
        } else {
            const Made kind = KindOf(c);
            // A radio button that starts no group belongs to the one before it;
            // every other control ends a group.
            DWORD style = WS_CHILD | WS_VISIBLE | kind.style;
            if (c.kind != ControlKind::Radio || (c.style & res::kGroupStart)) style |= WS_GROUP;
            if (c.style & res::kDisabled) style |= WS_DISABLED;
            int width = r.width, height = r.height;
            if (c.kind == ControlKind::PictureButton) {
                const SIZE size = PictureSize(c.bitmap);
                if (size.cx > 0) width = size.cx, height = size.cy;
            }
            const std::wstring text = c.kind == ControlKind::ComboBox ? std::wstring() : Wide(c.text);
            hwnd = ::CreateWindowExW(kind.exStyle, kind.className, text.c_str(), style, r.x, r.y, width, height, window,
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
            if (hwnd == nullptr) continue;
            ::SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            if (c.kind == ControlKind::Icon) ::SendMessageW(hwnd, STM_SETICON, reinterpret_cast<WPARAM>(ProgramIcon(32)), 0);
            if (c.kind == ControlKind::ComboBox) {
                for (const auto& item : c.items)
                    ::SendMessageW(hwnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item).c_str()));
                ::SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
            }
            if (c.kind == ControlKind::PictureButton) made.picture[c.id] = c.bitmap;
            // Group boxes lie under the controls they frame.
            if (c.kind == ControlKind::GroupBox) ::SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        }
        if (c.id != -1) made.byId[c.id] = hwnd;
        made.templateOf[hwnd] = &c;
    }
    return made;
}

}  // namespace ks::ui::win32
