#include "panels/panel_dlg.h"

#include "res/templates.h"

namespace ks::panels {

ks::ui::Rect PanelRectOver(const ks::ui::Rect& mainWindow) {
    return {mainWindow.left + ks::res::kPanelOffsetX, mainWindow.top + ks::res::kPanelOffsetY,
            ks::res::kPanelWidth, ks::res::kPanelHeight};
}

ks::ui::ControlStyle LabelStyle(const std::string& fontFace, int fontPoints) {
    ks::ui::ControlStyle s;
    s.text = ks::ui::Rgb{0, 0, 0};
    s.background = kPanelColour;
    s.transparentText = true;
    s.fontFace = fontFace;
    s.fontPoints = fontPoints;
    return s;
}

ks::ui::ControlStyle PanelGround() {
    ks::ui::ControlStyle s;
    s.background = kPanelColour;
    return s;
}

bool IsEscOrEnter(const ks::ui::Message& msg) {
    return msg.kind == ks::ui::Message::KeyDown &&
           (msg.key == ks::ui::kKeyEscape || msg.key == ks::ui::kKeyEnter);
}

void CPanelDlg::PlaceOverMainWindow() {
    if (!m_mainWindow || !IsAttached()) return;
    View().MoveWindow(PanelRectOver(*m_mainWindow));
    View().Invalidate(true);
}

}  // namespace ks::panels
