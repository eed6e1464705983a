#pragma once
// System information panel (template 159): the notice picture (bitmap 210,
// the template's background), below it the version, the program's folder and
// the settings folder, and "确定". Enter and Esc close it as the framework
// does. A fresh object for every opening.
#include <string>

#include "panels/panel_dlg.h"

namespace ks::panels {

class CSystemInfoDlg : public CPanelDlg {
public:
    // settingsFolder: the console's (empty: the platform's SettingsFolder()).
    explicit CSystemInfoDlg(std::string settingsFolder = {});
    explicit CSystemInfoDlg(const ks::ui::Rect& mainWindow, std::string settingsFolder = {});

    bool OnInitDialog() override;
    // Its ground is the picture the window lays from the template; only the
    // information text asks for the label colours, which match that picture.
    std::optional<ks::ui::ControlStyle> OnCtlColor(int controlId, ks::ui::CtlColorKind kind) override;

    // The lines of the information text, as shown.
    std::string InfoText() const;

private:
    std::string m_settingsFolder;
};

}  // namespace ks::panels
