#pragma once
// A dialog's window made of native Win32 windows from its res/ template,
// routing the operator's clicks, keys, wheel and timers to the dialog's
// logic and doing what the logic asks through DialogView. The counterpart
// of ui/qt/DialogWindow: the logic cannot tell them apart.
//
// The windows are made one by one (a window class of our own for the
// dialog, the system's control classes for its controls), not from an
// in-memory dialog template: the panels are stretched over the panel skin
// in pixels, which a dialog template, sized by its font, cannot say; the
// controls are placed by the same pixel numbers as in the Qt windows, so a
// substitute font changes no layout; and the picture buttons, the hole
// map and the colour answers need windows of our own anyway. What the
// dialog manager would add, the modal loop here does: the logic's message
// pre-filter, Enter and Esc, Tab between controls (IsDialogMessage).
#include "ui/win32/windows_h.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "res/templates.h"
#include "ui/dialog.h"
#include "ui/dialog_view.h"
#include "ui/win32/control_factory.h"

namespace ks::ui::win32 {

class DialogWindow final : public DialogView {
public:
    // Makes the window (hidden) and its controls. A panel is placed over
    // its owner by the panel skin.
    explicit DialogWindow(Dialog& logic, DialogWindow* owner = nullptr);
    ~DialogWindow() override;
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    // Attaches the logic, runs OnInitDialog, shows the window modally (its
    // owner disabled) and returns the EndDialog result.
    int RunModal();
    bool InitResult() const { return m_initResult; }
    // Runs once, when RunModal has shown the window.
    void WhenShown(std::function<void()> call) { m_whenShown = std::move(call); }

    HWND Handle() const { return m_hwnd; }
    view::MapSurface* MapSurface() const { return m_controls.map.get(); }
    HoleMapWindow* MapWindow() const { return m_controls.map.get(); }

    // Makes the logic's waits (serial time-outs, retry pauses) keep the
    // program's windows painting: the thread's paint, timer, posted and
    // sent messages are handled in short slices, input waits in its queue,
    // and no window calls its logic until the wait is over. Once per program.
    static void InstallWaitHook();

    // DialogView
    void SetItemText(int id, const std::string& text) override;
    std::string GetItemText(int id) override;
    void EnableItem(int id, bool enabled) override;
    void SetItemToolTip(int id, const std::string& text) override;
    void ListReset(int id) override;
    int ListAddString(int id, const std::string& row) override;
    void ListSetCurSel(int id, int index) override;
    int ListGetCurSel(int id) override;
    int ListGetCount(int id) override;
    void ComboSetCurSel(int id, int index) override;
    int ComboGetCurSel(int id) override;
    void ComboSetItemText(int id, int index, const std::string& text) override;
    void CheckRadioButton(int first, int last, int checked) override;
    bool IsButtonChecked(int id) override;
    void SetButtonPicture(int id, int bitmapId) override;
    void SetWindowTitle(const std::string& title) override;
    void MessageBox(const std::string& text) override;
    void WarningBox(const std::string& title, const std::string& text) override;
    void Invalidate(bool erase) override;
    Rect WindowRect() override;
    void MoveWindow(const Rect& rect) override;
    void EndDialog(int result) override;
    void SetTimer(int timerId, uint32_t periodMs) override;
    void KillTimer(int timerId) override;
    int RunModal(Dialog& child) override;
    bool ChooseOpenFile(const OpenFileRequest& request, OpenFileResult* result) override;
    bool ChooseFolder(const std::string& title, std::string* folder) override;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Calls the logic now, or, during a wait, as soon as the wait is over.
    void CallLogic(std::function<void()> call);
    void RunDeferred();
    void Start();
    void Finish();
    void PlaceWindow();

    // dialog_events.cpp: the message loop's pre-filter (true: taken).
    bool PreTranslate(MSG& msg);
    bool TranslateKey(const MSG& msg);
    bool TranslateClick(const MSG& msg);
    bool TranslateWheel(const MSG& msg);
    int DefaultButtonId() const;

    // dialog_paint.cpp: the window's ground, colours and owner-drawn controls.
    void RefreshStyles();
    void ApplyFont(int id, HWND control);
    void PaintGround(HDC dc, const RECT& area, POINT origin);
    LRESULT OnCtlColor(HDC dc, HWND control);
    void DrawPictureButton(const DRAWITEMSTRUCT& item);
    void DrawListRow(const DRAWITEMSTRUCT& item);
    void FitListFont(int id, HWND list, const std::wstring& row);

    Dialog& m_logic;
    DialogWindow* m_owner;
    const res::DialogTemplate* m_template;
    HWND m_hwnd = nullptr;
    Controls m_controls;
    HWND m_toolTips = nullptr;
    // The logic's colour answers, asked for outside any wait and kept for
    // the paints between (a paint may come during a wait).
    std::map<int, std::optional<ControlStyle>> m_styles;
    std::optional<ControlStyle> m_windowStyle;
    std::map<COLORREF, HBRUSH> m_brushes;
    HBRUSH m_groundBrush = nullptr;  // the window's picture, for labels without a ground of their own
    // Each list box's widest row so far, from which its font is fitted.
    struct ListFit {
        size_t longest = 0;
        int widest = 0;
        int percent = 100;
    };
    std::map<int, ListFit> m_listFit;
    // Bytes last given to each text control with the text they became: a
    // path that is no valid UTF-8 must come back as the same bytes.
    std::map<int, std::pair<std::wstring, std::string>> m_givenText;
    std::deque<std::function<void()>> m_deferred;
    std::function<void()> m_whenShown;
    bool m_initResult = false;
    bool m_started = false;
    bool m_paintPending = false;
    bool m_wasMinimised = false;
    bool m_ended = false;
    int m_result = 0;
};

}  // namespace ks::ui::win32
