// Job loading glue: the loaders of jobfiles fill the hole table, their
// messages become message boxes of this window, and the hole list shows
// one row per hole.
#include "app/console_dlg.h"
#include "platform/texts.h"
#include "res/ids.h"

namespace ks::app {

namespace ids = ks::res::console;

class CConsoleDlg::MessageBoxSink final : public MessageSink {
public:
    explicit MessageBoxSink(ks::ui::DialogView& view) : m_view(view) {}
    void ShowMessage(const std::string& text) override { m_view.MessageBox(Tr("jobfiles", text.c_str())); }

private:
    ks::ui::DialogView& m_view;
};

void CConsoleDlg::LoadJob() {
    m_record.SetJob(m_settingsFolder, m_strJobPath);
    MessageBoxSink sink(View());
    ks::LoadJob(m_strJobPath, m_Hole, m_nHoleCount, sink);
}

void CConsoleDlg::FillHoleList() {
    for (int32_t i = 1; i <= m_nHoleCount && i < kHoleSlots; ++i) {
        View().ListAddString(ids::IDC_HOLE_LIST, HoleListRow(i, m_Hole[static_cast<size_t>(i)]));
    }
    View().ListSetCurSel(ids::IDC_HOLE_LIST, 0);
}

void CConsoleDlg::ReloadJob() {
    View().ListReset(ids::IDC_HOLE_LIST);
    LoadJob();
    FillHoleList();
}

}  // namespace ks::app
