#pragma once
// A dialog window's controls made from its res/ template: one native
// control per entry, placed in pixels by the template's units (the same
// numbers the Qt windows use), grouped and enabled as the template says.
// Internal to ui/win32.
#include "ui/win32/windows_h.h"

#include <map>
#include <memory>

#include "res/templates.h"
#include "ui/win32/hole_map_window.h"

namespace ks::ui::win32 {

// The controls of one window and what they were made from.
struct Controls {
    std::map<int, HWND> byId;                             // controls with an id
    std::map<HWND, const res::ControlTemplate*> templateOf;  // every control
    std::map<int, int> picture;                           // picture buttons: id -> bitmap shown
    std::unique_ptr<HoleMapWindow> map;                   // the hole map frame, if any

    HWND Find(int id) const;
    const res::ControlTemplate* TemplateOf(HWND control) const;
    const res::ControlTemplate* TemplateOf(int id) const { return TemplateOf(Find(id)); }
};

// The font the template's controls are made in.
struct FontSpec {
    std::string face;
    int points = 0;
    int pixels = 0;  // when not 0, instead of points
};
FontSpec TemplateFontSpec(const res::DialogTemplate& t);
HFONT TemplateFont(const res::DialogTemplate& t);

// Window styles of the template's own window.
DWORD WindowStyle(const res::DialogTemplate& t);
DWORD WindowExStyle(const res::DialogTemplate& t);

// Makes the template's controls on `window`.
Controls MakeControls(HWND window, const res::DialogTemplate& t);

// Window class names, for telling the kinds apart.
bool IsKind(HWND control, const wchar_t* className);

}  // namespace ks::ui::win32
