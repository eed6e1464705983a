#pragma once
// Machine settings panel (template 162): the controller's serial port, the
// everyday speed level and the hole map's centring. It shares nothing with
// the main window in memory: it reads the three keys from the settings file
// on opening and writes them back on OK and on every radio click; the main
// window re-reads the file when the panel has closed. One instance lives
// for the whole run.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "panels/panel_dlg.h"
#include "platform/com_ports.h"

namespace ks::panels {

class CMachineParamDlg : public CPanelDlg {
public:
    CMachineParamDlg();

    // Folder of KSConfig.ini; the program's folder when never set.
    void SetSettingsFolder(std::string folder) { m_settingsFolder = std::move(folder); }
    const std::string& SettingsPath() const { return m_settingsPath; }
    // Where the port items' names come from, asked at every opening: the
    // system's (SystemComPorts()) unless replaced.
    void SetPortNames(std::function<std::vector<ComPort>()> source) { m_portNames = std::move(source); }

    bool OnInitDialog() override;
    void OnOK() override;
    bool PreTranslateMessage(const ks::ui::Message& msg) override;
    std::optional<ks::ui::ControlStyle> OnCtlColor(int controlId, ks::ui::CtlColorKind kind) override;

    void LoadPanelSettings();
    void SavePanelSettings();
    void OnViewType(int radioId);  // 1054 -> 1, 1055 -> 2, saved at once
    // Each port item "COMn", with the system's name for that port beside it
    // where it has one; the item's place, and so the value saved, stays.
    void ShowPortNames();

    int32_t m_nViewType = 0;  // 1 current hole centred, 2 centre point centred

private:
    std::optional<std::string> m_settingsFolder;
    std::string m_settingsPath;
    std::function<std::vector<ComPort>()> m_portNames = SystemComPorts;
};

}  // namespace ks::panels
