#include "ui/testing/fake_view.h"

#include <stdexcept>

namespace ks::ui::testing {

FakeView::~FakeView() { Close(); }

bool FakeView::Open(Dialog& dialog) {
    Close();
    m_dialog = &dialog;
    m_endResult.reset();
    dialog.Attach(this);
    const size_t before = m_timerCalls.size();
    const bool ok = dialog.OnInitDialog();
    if (m_holdFirstTurn) return ok;
    // The first turn of the window's event loop, right after it is up:
    // timers of period 0 armed by the initialisation fire.
    std::vector<int> due;
    for (size_t i = before; i < m_timerCalls.size(); ++i)
        if (m_timerCalls[i].periodMs == 0) due.push_back(m_timerCalls[i].id);
    for (int id : due)
        if (m_dialog != nullptr && TimerPeriod(id) == 0u) FireTimer(id);
    return ok;
}

void FakeView::Close() {
    if (m_dialog != nullptr) m_dialog->Detach();
    m_dialog = nullptr;
}

static Dialog& Need(Dialog* d) {
    if (d == nullptr) throw std::logic_error("FakeView: no dialog is open");
    return *d;
}

bool FakeView::Click(int id) { return Need(m_dialog).OnCommand(id); }

bool FakeView::PressKey(int key) {
    Message m{Message::KeyDown, key, 0};
    return Need(m_dialog).PreTranslateMessage(m);
}

bool FakeView::Mouse(Message::Kind kind, int targetId) {
    Message m{kind, 0, targetId};
    return Need(m_dialog).PreTranslateMessage(m);
}

void FakeView::SelectRow(int id, int index) {
    FakeList& l = m_lists[id];
    l.curSel = (index >= 0 && index < static_cast<int>(l.rows.size())) ? index : -1;
}

void FakeView::FireTimer(int id) { Need(m_dialog).OnTimer(id); }

std::string FakeView::Text(int id) const {
    auto it = m_texts.find(id);
    return it == m_texts.end() ? std::string() : it->second;
}

bool FakeView::IsEnabled(int id) const {
    auto it = m_enabled.find(id);
    return it == m_enabled.end() || it->second;
}

const FakeList& FakeView::List(int id) const { return m_lists[id]; }

int FakeView::Combo(int id) const {
    auto it = m_combos.find(id);
    return it == m_combos.end() ? -1 : it->second;
}

bool FakeView::Checked(int id) const {
    auto it = m_checked.find(id);
    return it != m_checked.end() && it->second;
}

std::optional<int> FakeView::Picture(int id) const {
    auto it = m_pictures.find(id);
    if (it == m_pictures.end()) return std::nullopt;
    return it->second;
}

std::vector<std::string> FakeView::TakeMessages() {
    std::vector<std::string> out;
    out.swap(m_messages);
    return out;
}

std::optional<uint32_t> FakeView::TimerPeriod(int id) const {
    auto it = m_timers.find(id);
    if (it == m_timers.end()) return std::nullopt;
    return it->second;
}

void FakeView::ListReset(int id) {
    FakeList& l = m_lists[id];
    l.rows.clear();
    l.curSel = -1;
}

int FakeView::ListAddString(int id, const std::string& row) {
    FakeList& l = m_lists[id];
    l.rows.push_back(row);
    return static_cast<int>(l.rows.size()) - 1;
}

void FakeView::ListSetCurSel(int id, int index) {
    FakeList& l = m_lists[id];
    l.selHistory.push_back(index);
    l.curSel = (index >= 0 && index < static_cast<int>(l.rows.size())) ? index : -1;
}

void FakeView::CheckRadioButton(int first, int last, int checked) {
    for (int id = first; id <= last; ++id) m_checked[id] = (id == checked);
}

void FakeView::SetButtonPicture(int id, int bitmapId) {
    m_pictures[id] = bitmapId;
    m_pictureHistory.emplace_back(id, bitmapId);
}

void FakeView::MoveWindow(const Rect& rect) {
    m_rect = rect;
    m_moves.push_back(rect);
}

void FakeView::SetTimer(int timerId, uint32_t periodMs) {
    m_timers[timerId] = periodMs;
    m_timerCalls.push_back({timerId, periodMs});
}

int FakeView::RunModal(Dialog& child) {
    m_modalRuns.push_back(child.TemplateId());
    FakeView window;
    window.Open(child);
    if (!m_modalScripts.empty()) {
        ModalScript script = std::move(m_modalScripts.front());
        m_modalScripts.pop_front();
        script(window, child);
    }
    int result = window.EndResult().value_or(kIdCancel);
    window.Close();
    return result;
}

bool FakeView::ChooseOpenFile(const OpenFileRequest& request, OpenFileResult* result) {
    m_openRequests.push_back(request);
    if (m_openAnswers.empty()) return false;
    std::optional<OpenFileResult> answer = std::move(m_openAnswers.front());
    m_openAnswers.pop_front();
    if (!answer) return false;
    *result = *answer;
    return true;
}

bool FakeView::ChooseFolder(const std::string& title, std::string* folder) {
    m_folderTitles.push_back(title);
    if (m_folderAnswers.empty()) return false;
    std::optional<std::string> answer = std::move(m_folderAnswers.front());
    m_folderAnswers.pop_front();
    if (!answer) return false;
    *folder = *answer;
    return true;
}

}  // namespace ks::ui::testing
