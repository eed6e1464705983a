#pragma once
// System information panel (template 159): the notice picture (bitmap 210,
// the template's background) and "确定". Enter and Esc close it as the
// framework does. A fresh object for every opening.
#include "panels/panel_dlg.h"

namespace ks::panels {

class CSystemInfoDlg : public CPanelDlg {
public:
    CSystemInfoDlg();
    explicit CSystemInfoDlg(const ks::ui::Rect& mainWindow);

    // Its ground is the picture the window lays from the template, so the
    // colour request keeps the framework's answer for every control.
    bool OnInitDialog() override;
};

}  // namespace ks::panels
