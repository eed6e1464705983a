// What the logic asks of its window (DialogView), done with the controls'
// own messages.
#include "ui/win32/dialog_window.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/win32/pickers.h"
#include "ui/win32/pictures.h"
#include "ui/win32/wide_text.h"

namespace ks::ui::win32 {

namespace {

std::wstring TextOf(HWND control) {
    const int length = ::GetWindowTextLengthW(control);
    std::wstring text(static_cast<size_t>(std::max(length, 0)) + 1, L'\0');
    const int got = ::GetWindowTextW(control, text.data(), length + 1);
    text.resize(static_cast<size_t>(std::max(got, 0)));
    return text;
}

}  // namespace

void DialogWindow::SetItemText(int id, const std::string& text) {
    HWND control = m_controls.Find(id);
    if (control == nullptr) return;
    const std::wstring shown = Wide(text);
    m_givenText[id] = {shown, text};
    ::SetWindowTextW(control, shown.c_str());
    if (IsKind(control, L"Edit")) ::SendMessageW(control, EM_SETSEL, 0, 0);  // the start of a long path in view
    ApplyFont(id, control);
}

std::string DialogWindow::GetItemText(int id) {
    HWND control = m_controls.Find(id);
    if (control == nullptr) return {};
    const std::wstring shown = TextOf(control);
    if (auto it = m_givenText.find(id); it != m_givenText.end() && it->second.first == shown)
        return it->second.second;  // untouched since it was set: the bytes as given
    return TypedBytes(shown);
}

void DialogWindow::EnableItem(int id, bool enabled) {
    if (HWND control = m_controls.Find(id)) ::EnableWindow(control, enabled ? TRUE : FALSE);
}

void DialogWindow::SetItemToolTip(int id, const std::string& text) {
    HWND control = m_controls.Find(id);
    if (control == nullptr) return;
    if (m_toolTips == nullptr) {
        m_toolTips = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                       CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hwnd, nullptr,
                                       ::GetModuleHandleW(nullptr), nullptr);
        ::SendMessageW(m_toolTips, TTM_SETMAXTIPWIDTH, 0, 600);
    }
    std::wstring tip = Wide(text);
    TTTOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = m_hwnd;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = tip.data();
    ::SendMessageW(m_toolTips, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!tip.empty()) ::SendMessageW(m_toolTips, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void DialogWindow::ListReset(int id) {
    HWND list = m_controls.Find(id);
    if (list == nullptr) return;
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    m_listFit.erase(id);
    ApplyFont(id, list);
}

int DialogWindow::ListAddString(int id, const std::string& row) {
    HWND list = m_controls.Find(id);
    if (list == nullptr) return -1;
    const std::wstring text = Wide(row);
    const LRESULT index = ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    FitListFont(id, list, text);
    return index < 0 ? -1 : static_cast<int>(index);
}

void DialogWindow::ListSetCurSel(int id, int index) {
    HWND list = m_controls.Find(id);
    if (list == nullptr) return;
    const int count = ListGetCount(id);
    ::SendMessageW(list, LB_SETCURSEL, index >= 0 && index < count ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1), 0);
}

int DialogWindow::ListGetCurSel(int id) {
    HWND list = m_controls.Find(id);
    const LRESULT index = list != nullptr ? ::SendMessageW(list, LB_GETCURSEL, 0, 0) : LB_ERR;
    return index < 0 ? -1 : static_cast<int>(index);
}

int DialogWindow::ListGetCount(int id) {
    HWND list = m_controls.Find(id);
    const LRESULT count = list != nullptr ? ::SendMessageW(list, LB_GETCOUNT, 0, 0) : 0;
    return count < 0 ? 0 : static_cast<int>(count);
}

void DialogWindow::ComboSetCurSel(int id, int index) {
    HWND combo = m_controls.Find(id);
    if (combo == nullptr) return;
    const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    // Out of range clears the choice and the edit field with it.
    ::SendMessageW(combo, CB_SETCURSEL, index >= 0 && index < count ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1), 0);
}

int DialogWindow::ComboGetCurSel(int id) {
    HWND combo = m_controls.Find(id);
    const LRESULT index = combo != nullptr ? ::SendMessageW(combo, CB_GETCURSEL, 0, 0) : CB_ERR;
    return index < 0 ? -1 : static_cast<int>(index);
}

// A combo box has no call to change one item: the item goes and comes back
// in its place, and the choice with it.
void DialogWindow::ComboSetItemText(int id, int index, const std::string& text) {
    HWND combo = m_controls.Find(id);
    if (combo == nullptr) return;
    const LRESULT count = ::SendMessageW(combo, CB_GETCOUNT, 0, 0);
    if (index < 0 || index >= count) return;
    const LRESULT chosen = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
    ::SendMessageW(combo, CB_DELETESTRING, static_cast<WPARAM>(index), 0);
    ::SendMessageW(combo, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(Wide(text).c_str()));
    if (chosen == index) ::SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

void DialogWindow::CheckRadioButton(int first, int last, int checked) {
    for (int id = first; id <= last; ++id) {
        if (HWND button = m_controls.Find(id))
            ::SendMessageW(button, BM_SETCHECK, id == checked ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

bool DialogWindow::IsButtonChecked(int id) {
    HWND button = m_controls.Find(id);
    return button != nullptr && ::SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void DialogWindow::SetButtonPicture(int id, int bitmapId) {
    HWND button = m_controls.Find(id);
    auto it = m_controls.picture.find(id);
    if (button == nullptr || it == m_controls.picture.end()) return;
    it->second = bitmapId;
    const SIZE size = PictureSize(bitmapId);
    if (size.cx > 0) ::SetWindowPos(button, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::InvalidateRect(button, nullptr, FALSE);
}

void DialogWindow::SetWindowTitle(const std::string& title) { ::SetWindowTextW(m_hwnd, Wide(title).c_str()); }

void DialogWindow::MessageBox(const std::string& text) { ShowMessage(m_hwnd, text); }

void DialogWindow::WarningBox(const std::string& title, const std::string& text) { ShowWarning(m_hwnd, title, text); }

void DialogWindow::Invalidate(bool erase) {
    RefreshStyles();
    ::RedrawWindow(m_hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | (erase ? RDW_ERASE : 0));
}

Rect DialogWindow::WindowRect() {
    RECT r{};
    ::GetWindowRect(m_hwnd, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void DialogWindow::MoveWindow(const Rect& rect) {
    ::SetWindowPos(m_hwnd, nullptr, rect.left, rect.top, rect.width, rect.height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void DialogWindow::SetTimer(int timerId, uint32_t periodMs) {
    // Periods below 10 ms run at 10 ms (Windows' own floor): a period of 0
    // would make the logic's tick a busy loop that starves painting and input.
    ::SetTimer(m_hwnd, static_cast<UINT_PTR>(timerId), std::clamp<uint32_t>(periodMs, 10u, 0x7FFFFFFFu), nullptr);
}

void DialogWindow::KillTimer(int timerId) { ::KillTimer(m_hwnd, static_cast<UINT_PTR>(timerId)); }

int DialogWindow::RunModal(Dialog& child) {
    DialogWindow window(child, this);
    return window.RunModal();
}

bool DialogWindow::ChooseOpenFile(const OpenFileRequest& request, OpenFileResult* result) {
    return win32::ChooseOpenFile(m_hwnd, request, result);
}

bool DialogWindow::ChooseFolder(const std::string& title, std::string* folder) {
    return win32::ChooseFolder(m_hwnd, title, folder);
}

}  // namespace ks::ui::win32
