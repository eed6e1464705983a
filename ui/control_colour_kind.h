#pragma once
// The kind of colour request (WM_CTLCOLOR*) a control of a template's kind
// makes: the same for every window layer.
#include "res/templates.h"
#include "ui/dialog.h"

namespace ks::ui {

inline CtlColorKind ColourKindOf(res::ControlKind kind) {
    switch (kind) {
        case res::ControlKind::Edit:
        case res::ControlKind::ComboBox: return CtlColorKind::Edit;
        case res::ControlKind::ListBox: return CtlColorKind::ListBox;
        case res::ControlKind::Button:
        case res::ControlKind::PictureButton: return CtlColorKind::Button;
        default: return CtlColorKind::Static;
    }
}

// Picture buttons and the hole map draw themselves and take no colours.
inline bool TakesColours(res::ControlKind kind) {
    return kind != res::ControlKind::PictureButton && kind != res::ControlKind::Frame;
}

}  // namespace ks::ui
