#include "panels/system_info_dlg.h"

#include "panels/panel_texts.h"
#include "platform/program_folder.h"
#include "res/ids.h"
#include "res/version.h"

namespace ks::panels {

CSystemInfoDlg::CSystemInfoDlg(std::string settingsFolder)
    : CPanelDlg(ks::res::IDD_SYSTEM_INFO), m_settingsFolder(std::move(settingsFolder)) {}

CSystemInfoDlg::CSystemInfoDlg(const ks::ui::Rect& mainWindow, std::string settingsFolder)
    : CSystemInfoDlg(std::move(settingsFolder)) {
    SetMainWindowRect(mainWindow);
}

std::string CSystemInfoDlg::InfoText() const {
    // Service asks these first: which build runs, and where its settings file
    // and COMn links are (per account once the console is installed).
    const std::string settings = m_settingsFolder.empty() ? SettingsFolder() : m_settingsFolder;
    return Fill(PanelText(kTextSystemInfo), {ks::res::kVersion, ProgramFolder(), settings});
}

bool CSystemInfoDlg::OnInitDialog() {
    PlaceOverMainWindow();
    View().SetItemText(ks::res::sysinfo::IDC_INFO_TEXT, InfoText());
    return true;
}

std::optional<ks::ui::ControlStyle> CSystemInfoDlg::OnCtlColor(int controlId, ks::ui::CtlColorKind kind) {
    if (controlId == ks::res::sysinfo::IDC_INFO_TEXT && kind == ks::ui::CtlColorKind::Static) return LabelStyle();
    return std::nullopt;
}

}  // namespace ks::panels
