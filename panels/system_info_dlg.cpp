#include "panels/system_info_dlg.h"

#include "res/ids.h"

namespace ks::panels {

CSystemInfoDlg::CSystemInfoDlg() : CPanelDlg(ks::res::IDD_SYSTEM_INFO) {}

CSystemInfoDlg::CSystemInfoDlg(const ks::ui::Rect& mainWindow) : CSystemInfoDlg() {
    SetMainWindowRect(mainWindow);
}

bool CSystemInfoDlg::OnInitDialog() {
    PlaceOverMainWindow();
    return true;
}

}  // namespace ks::panels
