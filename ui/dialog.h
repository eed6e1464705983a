#pragma once
// Logic base of every dialog: initialisation, a command map from control id
// to handler, a message pre-filter and timers. The window (DialogView) routes
// its events here; the logic never touches a widget.
#include <functional>
#include <map>
#include <optional>

#include "ui/dialog_view.h"

namespace ks::ui {

// Key codes the pre-filter cares about (Win32 virtual-key values).
enum Key : int { kKeyEnter = 0x0D, kKeyEscape = 0x1B, kKeySpace = 0x20 };

// Messages seen by PreTranslateMessage before the window handles them.
struct Message {
    enum Kind { KeyDown, LButtonDown, LButtonUp } kind;
    int key = 0;       // KeyDown
    int targetId = 0;  // mouse messages: control id under the cursor, 0 for the dialog
};

// Answer to a colour request for one control (OnCtlColor).
struct Rgb {
    int r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};
struct ControlStyle {
    std::optional<Rgb> text;        // text colour
    std::optional<Rgb> background;  // brush colour
    bool transparentText = false;   // SetBkMode(TRANSPARENT)
    std::string fontFace;           // empty: keep the control's font
    int fontPoints = 0;
};
enum class CtlColorKind { Dialog, Static, Edit, ListBox, Button };

class Dialog {
public:
    explicit Dialog(int templateId) : m_templateId(templateId) {}
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    int TemplateId() const { return m_templateId; }

    // The window calls Attach before OnInitDialog and Detach when it closes.
    void Attach(DialogView* view) { m_view = view; }
    void Detach() { m_view = nullptr; }
    bool IsAttached() const { return m_view != nullptr; }
    DialogView& View() { return *m_view; }

    // WM_INITDIALOG. Returning false reports a failed start-up.
    virtual bool OnInitDialog() { return true; }
    // A button click (BN_CLICKED). Returns false when no handler is mapped.
    bool OnCommand(int controlId);
    // True when the message is swallowed.
    virtual bool PreTranslateMessage(const Message& msg) { (void)msg; return false; }
    virtual void OnTimer(int timerId) { (void)timerId; }
    virtual void OnMouseWheel(int delta) { (void)delta; }
    // Window was minimised (restored == false) or restored.
    virtual void OnSize(bool restored) { (void)restored; }
    virtual void OnPaint() {}
    // OK / Cancel as the framework does them (Enter, Esc, button 1, close).
    virtual void OnOK() { if (m_view) m_view->EndDialog(kIdOk); }
    virtual void OnCancel() { if (m_view) m_view->EndDialog(kIdCancel); }
    virtual std::optional<ControlStyle> OnCtlColor(int controlId, CtlColorKind kind) {
        (void)controlId; (void)kind;
        return std::nullopt;
    }

protected:
    using Handler = std::function<void()>;
    // Message-map entry: clicking control `id` calls `handler`.
    void MapCommand(int id, Handler handler) { m_commands[id] = std::move(handler); }

private:
    int m_templateId;
    DialogView* m_view = nullptr;
    std::map<int, Handler> m_commands;
};

inline bool Dialog::OnCommand(int controlId) {
    auto it = m_commands.find(controlId);
    if (it == m_commands.end()) {
        if (controlId == kIdOk) { OnOK(); return true; }
        if (controlId == kIdCancel) { OnCancel(); return true; }
        return false;
    }
    it->second();
    return true;
}

}  // namespace ks::ui
