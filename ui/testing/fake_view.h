#pragma once
// A headless window for dialog logic in tests. It records everything the
// logic shows (texts, list rows, pictures, message boxes, timers, ...) and
// plays the operator's part from scripts: file and folder choices, and
// whole modal sessions of child dialogs.
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/dialog.h"
#include "ui/dialog_view.h"

namespace ks::ui::testing {

struct FakeList {
    std::vector<std::string> rows;
    int curSel = -1;
    std::vector<int> selHistory;  // every ListSetCurSel index, in order
};

struct TimerCall {
    int id = 0;
    uint32_t periodMs = 0;
};

class FakeView : public DialogView {
public:
    FakeView() = default;
    ~FakeView() override;
    FakeView(const FakeView&) = delete;
    FakeView& operator=(const FakeView&) = delete;

    // Attaches the dialog to this view and runs its OnInitDialog, as a
    // window does when it opens, then the first turn of its event loop
    // (timers of period 0 the initialisation armed fire once). Returns
    // OnInitDialog's result.
    bool Open(Dialog& dialog);
    // Open stops after the initialisation: a test looks at the window as it
    // is the moment it goes up.
    void HoldFirstTurn(bool hold) { m_holdFirstTurn = hold; }
    void Close();
    Dialog* Current() const { return m_dialog; }

    // --- The operator --------------------------------------------------
    // A button click on the open dialog (false when nothing is mapped).
    bool Click(int id);
    // Typing into an edit: replaces its text (as the window would hold it).
    void Type(int id, const std::string& text) { m_texts[id] = text; }
    // A key press through the pre-filter; true when the dialog swallowed it.
    bool PressKey(int key);
    bool Mouse(Message::Kind kind, int targetId);
    // The operator picks a list row / combo entry / radio button.
    void SelectRow(int id, int index);
    void SelectCombo(int id, int index) { m_combos[id] = index; }
    void SetChecked(int id, bool checked) { m_checked[id] = checked; }
    // Fires timer id on the dialog, as the window's timer would.
    void FireTimer(int id);

    // Scripted answers of the pickers, used in order; an empty queue (or
    // std::nullopt) answers "cancelled".
    void QueueOpenFile(std::optional<OpenFileResult> answer) { m_openAnswers.push_back(std::move(answer)); }
    void QueueFolder(std::optional<std::string> answer) { m_folderAnswers.push_back(std::move(answer)); }

    // A modal session: the script plays the operator in the child window
    // (after the child's OnInitDialog) and usually ends it with a click on
    // OK/Cancel or an exit button. RunModal returns the EndDialog result,
    // kIdCancel when the script left the dialog open.
    using ModalScript = std::function<void(FakeView& child, Dialog& dialog)>;
    void QueueModal(ModalScript script) { m_modalScripts.push_back(std::move(script)); }

    // --- What the logic showed -----------------------------------------
    std::string Text(int id) const;
    bool HasText(int id) const { return m_texts.count(id) != 0; }
    std::string ToolTip(int id) const {
        auto it = m_toolTips.find(id);
        return it == m_toolTips.end() ? std::string() : it->second;
    }
    bool IsEnabled(int id) const;
    const FakeList& List(int id) const;
    int Combo(int id) const;
    // The text the logic gave combo item `index`; empty while the
    // template's stands.
    std::string ComboItem(int id, int index) const {
        auto it = m_comboItems.find({id, index});
        return it == m_comboItems.end() ? std::string() : it->second;
    }
    bool Checked(int id) const;
    std::optional<int> Picture(int id) const;
    // Every SetButtonPicture as (control id, bitmap id), in order.
    const std::vector<std::pair<int, int>>& PictureHistory() const { return m_pictureHistory; }
    const std::vector<std::string>& Messages() const { return m_messages; }
    // Removes and returns the messages shown so far.
    std::vector<std::string> TakeMessages();
    const std::string& Title() const { return m_title; }
    std::optional<uint32_t> TimerPeriod(int id) const;
    const std::vector<TimerCall>& TimerCalls() const { return m_timerCalls; }
    int InvalidateCount() const { return static_cast<int>(m_invalidations.size()); }
    const std::vector<bool>& Invalidations() const { return m_invalidations; }
    const std::vector<Rect>& Moves() const { return m_moves; }
    std::optional<int> EndResult() const { return m_endResult; }
    // Template ids of the dialogs run modally, in order.
    const std::vector<int>& ModalRuns() const { return m_modalRuns; }
    const std::vector<OpenFileRequest>& OpenFileRequests() const { return m_openRequests; }
    const std::vector<std::string>& FolderTitles() const { return m_folderTitles; }
    void SetWindowRectForTest(const Rect& r) { m_rect = r; }

    // --- DialogView ------------------------------------------------------
    void SetItemText(int id, const std::string& text) override { m_texts[id] = text; }
    std::string GetItemText(int id) override { return Text(id); }
    void EnableItem(int id, bool enabled) override { m_enabled[id] = enabled; }
    void SetItemToolTip(int id, const std::string& text) override { m_toolTips[id] = text; }
    void ListReset(int id) override;
    int ListAddString(int id, const std::string& row) override;
    void ListSetCurSel(int id, int index) override;
    int ListGetCurSel(int id) override { return m_lists[id].curSel; }
    int ListGetCount(int id) override { return static_cast<int>(m_lists[id].rows.size()); }
    void ComboSetCurSel(int id, int index) override { m_combos[id] = index; }
    int ComboGetCurSel(int id) override { return Combo(id); }
    void ComboSetItemText(int id, int index, const std::string& text) override { m_comboItems[{id, index}] = text; }
    void CheckRadioButton(int first, int last, int checked) override;
    bool IsButtonChecked(int id) override { return Checked(id); }
    void SetButtonPicture(int id, int bitmapId) override;
    void SetWindowTitle(const std::string& title) override { m_title = title; }
    void MessageBox(const std::string& text) override {
        m_messages.push_back(text);
        if (whileMessageShown) whileMessageShown(text);
    }
    void WarningBox(const std::string& title, const std::string& text) override {
        m_warningTitles.push_back(title);
        MessageBox(title + "\n" + text);
    }
    // Titles of the warning boxes, in order; Messages() has each as its
    // title, a line break and its text.
    const std::vector<std::string>& WarningTitles() const { return m_warningTitles; }
    // Runs while a message box is up: a window's box turns an event loop of
    // its own, in which timers and paints go on.
    std::function<void(const std::string&)> whileMessageShown;
    void Invalidate(bool erase) override { m_invalidations.push_back(erase); }
    Rect WindowRect() override { return m_rect; }
    void MoveWindow(const Rect& rect) override;
    void EndDialog(int result) override { m_endResult = result; }
    void SetTimer(int timerId, uint32_t periodMs) override;
    void KillTimer(int timerId) override { m_timers.erase(timerId); }
    int RunModal(Dialog& child) override;
    bool ChooseOpenFile(const OpenFileRequest& request, OpenFileResult* result) override;
    bool ChooseFolder(const std::string& title, std::string* folder) override;

private:
    Dialog* m_dialog = nullptr;
    bool m_holdFirstTurn = false;
    std::map<int, std::string> m_texts;
    std::map<int, std::string> m_toolTips;
    std::map<int, bool> m_enabled;
    mutable std::map<int, FakeList> m_lists;
    std::map<int, int> m_combos;
    std::map<std::pair<int, int>, std::string> m_comboItems;
    std::map<int, bool> m_checked;
    std::map<int, int> m_pictures;
    std::vector<std::pair<int, int>> m_pictureHistory;
    std::vector<std::string> m_messages;
    std::vector<std::string> m_warningTitles;
    std::string m_title;
    std::map<int, uint32_t> m_timers;
    std::vector<TimerCall> m_timerCalls;
    std::vector<bool> m_invalidations;
    Rect m_rect;
    std::vector<Rect> m_moves;
    std::optional<int> m_endResult;
    std::vector<int> m_modalRuns;
    std::deque<ModalScript> m_modalScripts;
    std::deque<std::optional<OpenFileResult>> m_openAnswers;
    std::deque<std::optional<std::string>> m_folderAnswers;
    std::vector<OpenFileRequest> m_openRequests;
    std::vector<std::string> m_folderTitles;
};

}  // namespace ks::ui::testing
