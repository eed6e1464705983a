// The modal loop's pre-filter: the operator's keys, left clicks and wheel on
// a dialog window, turned into the calls its logic takes (the message
// pre-filter, commands, the wheel), before the controls see them.
#include "ui/win32/dialog_window.h"

#include <windowsx.h>

#include "res/ids.h"

namespace ks::ui::win32 {

namespace {

// The key code of ui/dialog.h for a virtual key, for the keys the logic
// looks at (digits and letters keep their codes); 0 for any other.
int VirtualKey(WPARAM vk) {
    switch (vk) {
        case VK_RETURN: return kKeyEnter;
        case VK_ESCAPE: return kKeyEscape;
        case VK_SPACE: return kKeySpace;
        default: break;
    }
    if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) return static_cast<int>(vk);
    return 0;
}

bool IsPushButton(const res::ControlTemplate* c) {
    return c != nullptr && (c->kind == res::ControlKind::Button || c->kind == res::ControlKind::PictureButton);
}

}  // namespace

bool DialogWindow::PreTranslate(MSG& msg) {
    if (!m_started || !m_logic.IsAttached()) return false;
    if (msg.hwnd == nullptr || ::GetAncestor(msg.hwnd, GA_ROOT) != m_hwnd) return false;
    switch (msg.message) {
        case WM_KEYDOWN:
            if (TranslateKey(msg)) return true;
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_LBUTTONUP:
            return TranslateClick(msg);
        case WM_MOUSEWHEEL: return TranslateWheel(msg);
        default: break;
    }
    // Tab and the arrow keys between the controls, as in a dialog.
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) return ::IsDialogMessageW(m_hwnd, &msg) != FALSE;
    return false;
}

int DialogWindow::DefaultButtonId() const {
    for (const auto& c : m_template->controls)
        if (c.kind == res::ControlKind::Button && (c.style & res::kDefault)) return c.id;
    return kIdOk;
}

// Each press once, at the control with the focus. Esc and Enter go no
// further than the logic: Esc is the cancel command, Enter presses the
// focused push button, else the default one.
bool DialogWindow::TranslateKey(const MSG& msg) {
    if (msg.wParam == VK_F1 && m_template->aboutItem) {
        m_logic.OnCommand(res::IDM_ABOUTBOX);
        return true;
    }
    Message m{Message::KeyDown};
    m.key = VirtualKey(msg.wParam);
    if (m_logic.PreTranslateMessage(m)) return true;
    if (m.key == kKeyEscape) {
        m_logic.OnCommand(kIdCancel);
        return true;
    }
    if (m.key == kKeyEnter) {
        int id = DefaultButtonId();
        if (const res::ControlTemplate* c = m_controls.TemplateOf(::GetFocus()); IsPushButton(c)) id = c->id;
        m_logic.OnCommand(id);
        return true;
    }
    return false;
}

// Left button presses and releases on the window itself (or a label on
// it: target 0) or on a button go through the pre-filter, which may take
// them (the jog buttons move while held).
bool DialogWindow::TranslateClick(const MSG& msg) {
    int target = -1;
    if (msg.hwnd == m_hwnd) {
        target = 0;
    } else if (const res::ControlTemplate* c = m_controls.TemplateOf(msg.hwnd)) {
        switch (c->kind) {
            case res::ControlKind::Button:
            case res::ControlKind::PictureButton:
            case res::ControlKind::Radio: target = c->id; break;
            case res::ControlKind::Static:
            case res::ControlKind::GroupBox:
            case res::ControlKind::Icon: target = 0; break;
            default: break;
        }
    }
    if (target < 0) return false;
    Message m{msg.message == WM_LBUTTONUP ? Message::LButtonUp : Message::LButtonDown};
    m.targetId = target;
    return m_logic.PreTranslateMessage(m);
}

// Lists, edits and combo boxes under the pointer keep their wheel;
// everywhere else the wheel belongs to the window (the hole map's zoom).
bool DialogWindow::TranslateWheel(const MSG& msg) {
    const POINT at{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    HWND under = ::WindowFromPoint(at);
    if (under == nullptr || ::GetAncestor(under, GA_ROOT) != m_hwnd) return true;
    for (HWND w = under; w != nullptr && w != m_hwnd; w = ::GetParent(w)) {
        if (IsKind(w, L"ListBox") || IsKind(w, L"Edit") || IsKind(w, L"ComboBox")) {
            ::SendMessageW(w, WM_MOUSEWHEEL, msg.wParam, msg.lParam);
            return true;
        }
    }
    m_logic.OnMouseWheel(static_cast<short>(HIWORD(msg.wParam)));
    return true;
}

}  // namespace ks::ui::win32
