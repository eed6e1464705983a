#pragma once
// Machine settings panel (template 162): the controller's serial port, the
// everyday speed level and the hole map's centring. It shares nothing with
// the main window in memory: it reads the three keys from the settings file
// on opening and writes them back on OK and on every radio click; the main
// window re-reads the file when the panel has closed. One instance lives
// for the whole run.
#include <cstdint>
#include <optional>
#include <string>

#include "panels/panel_dlg.h"

namespace ks::panels {

class CMachineParamDlg : public CPanelDlg {
public:
    CMachineParamDlg();

    // Folder of KSConfig.ini; the program's folder when never set.
    void SetSettingsFolder(std::string folder) { m_settingsFolder = std::move(folder); }
    const std::string& SettingsPath() const { return m_settingsPath; }

    bool OnInitDialog() override;
    void OnOK() override;
    bool PreTranslateMessage(const ks::ui::Message& msg) override;
    std::optional<ks::ui::ControlStyle> OnCtlColor(int controlId, ks::ui::CtlColorKind kind) override;

    void LoadPanelSettings();
    void SavePanelSettings();
    void OnViewType(int radioId);  // 1054 -> 1, 1055 -> 2, saved at once

    int32_t m_nViewType = 0;  // 1 current hole centred, 2 centre point centred

private:
    std::optional<std::string> m_settingsFolder;
    std::string m_settingsPath;
};

}  // namespace ks::panels
