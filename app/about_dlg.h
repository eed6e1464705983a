#pragma once
// CAboutDlg: the about box (template 100: icon, name-and-version line,
// rights line, OK). It has no logic of its own beyond closing.
#include "res/ids.h"
#include "ui/dialog.h"

namespace ks::app {

class CAboutDlg : public ks::ui::Dialog {
public:
    CAboutDlg() : Dialog(ks::res::IDD_ABOUTBOX) {}
};

}  // namespace ks::app
