#pragma once
// What the console's panels share: their place over the main window, their
// colour and the key filter of the panels that Esc and Enter must not close.
#include <optional>
#include <string>

#include "ui/dialog.h"

namespace ks::panels {

// The machine panels' background, and the picture panels' label ground.
inline constexpr ks::ui::Rgb kPanelColour{172, 186, 202};

// Where a panel lies over the main window, whatever the main window's size:
// its top-left corner plus (4, 52), 736 x 620 pixels.
ks::ui::Rect PanelRectOver(const ks::ui::Rect& mainWindow);

// Black text on the panel colour, optionally in a font of its own.
ks::ui::ControlStyle LabelStyle(const std::string& fontFace = {}, int fontPoints = 0);
// The panel's own background as a solid colour.
ks::ui::ControlStyle PanelGround();

// A key-down of Esc or Enter.
bool IsEscOrEnter(const ks::ui::Message& msg);

class CPanelDlg : public ks::ui::Dialog {
public:
    explicit CPanelDlg(int templateId) : Dialog(templateId) {}

    // The main window's rectangle in screen pixels, taken by the launcher
    // just before it runs the panel; the panel is placed from it on opening.
    void SetMainWindowRect(const ks::ui::Rect& rect) { m_mainWindow = rect; }
    const std::optional<ks::ui::Rect>& MainWindowRect() const { return m_mainWindow; }

protected:
    // Moves the panel over the main window; nothing when no rectangle was given.
    void PlaceOverMainWindow();

private:
    std::optional<ks::ui::Rect> m_mainWindow;
};

}  // namespace ks::panels
