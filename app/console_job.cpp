// Job loading glue: the loaders of jobfiles fill a hole table, their
// messages become message boxes of this window, and the hole list shows
// one row per hole.
#include <memory>
#include <vector>

#include "app/console_dlg.h"
#include "platform/texts.h"
#include "res/ids.h"

namespace ks::app {

namespace ids = ks::res::console;

// A message box runs an event loop of its own, in which the status tick and
// the map's paints go on; the loaders' messages are therefore kept until
// the job they speak of is in place, and shown after.
class CConsoleDlg::HeldMessages final : public MessageSink {
public:
    void ShowMessage(const std::string& text) override { m_texts.push_back(text); }
    void ShowAll(ks::ui::DialogView& view) const {
        for (const std::string& text : m_texts) view.MessageBox(Tr("jobfiles", text.c_str()));
    }

private:
    std::vector<std::string> m_texts;
};

// Read into a copy of the table (which keeps the done marks, and the slots
// beyond the new job as they were), then taken over whole: nothing ever
// sees a table filled halfway or a count that does not match it.
void CConsoleDlg::ReadJobWhole(HeldMessages& held) {
    m_record.SetJob(m_settingsFolder, m_strJobPath);
    auto table = std::make_unique<HoleSlots>(m_Hole);
    int32_t count = m_nHoleCount;
    ks::LoadJob(m_strJobPath, *table, count, held);
    m_Hole = *table;
    m_nHoleCount = count;
}

void CConsoleDlg::LoadJob() {
    HeldMessages held;
    ReadJobWhole(held);
    held.ShowAll(View());
}

void CConsoleDlg::FillHoleList() {
    for (int32_t i = 1; i <= m_nHoleCount && i < kHoleSlots; ++i) {
        View().ListAddString(ids::IDC_HOLE_LIST, HoleListRow(i, m_Hole[static_cast<size_t>(i)]));
    }
    View().ListSetCurSel(ids::IDC_HOLE_LIST, 0);
}

// The list is emptied and filled in one go, once the job is read.
void CConsoleDlg::ReloadJob() {
    HeldMessages held;
    ReadJobWhole(held);
    View().ListReset(ids::IDC_HOLE_LIST);
    FillHoleList();
    held.ShowAll(View());
}

}  // namespace ks::app
