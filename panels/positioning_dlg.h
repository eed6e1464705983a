#pragma once
// Positioning and centring panel (template 161). Its request fields hand
// jogs, coordinate presets and the manual speed mode to the main window's
// status tick; the main window writes the machine position back into
// m_nCurX/Y/Z. One instance lives for the whole run.
//
// Jogging follows the left mouse button on the X, Y and C buttons (seen in
// the message pre-filter), never a click or a key. The Z jog buttons have
// no axis of their own in the jog commands and are disabled.
#include <cstdint>

#include "panels/panel_dlg.h"

namespace ks::panels {

// The axis a jog command moves; the values are the panel's own codes.
enum class JogAxis : int32_t { None = 0, X = 1, Y = 2, C = 4 };

class CPositioningDlg : public CPanelDlg {
public:
    CPositioningDlg();

    bool OnInitDialog() override;
    bool PreTranslateMessage(const ks::ui::Message& msg) override;
    std::optional<ks::ui::ControlStyle> OnCtlColor(int controlId, ks::ui::CtlColorKind kind) override;

    // Button handlers; axis 0 X, 1 Y, 2 Z.
    void OnSpeedMode(int radioId);  // 1054..1057
    void OnZero(int axis);
    void OnHalve(int axis);
    void OnSet(int axis);

    uint8_t m_bJogging = 0;      // a jog button is held down
    JogAxis m_nJogAxis = JogAxis::None;
    uint8_t m_bJogPositive = 0;  // 1 positive, 0 negative
    int32_t m_nSetX = 0;         // presets, micrometres
    int32_t m_nSetY = 0;
    int32_t m_nSetZ = 0;
    uint8_t m_bSetX = 0;         // a preset is requested (cleared once sent)
    uint8_t m_bSetY = 0;
    uint8_t m_bSetZ = 0;
    int32_t m_nSpeedMode = 0;    // 1 step, 2 slow, 3 medium, 4 fast
    uint8_t m_bSpeedChanged = 0; // never cleared: resent on every tick
    int32_t m_nCurX = 0;         // machine position, micrometres
    int32_t m_nCurY = 0;
    int32_t m_nCurZ = 0;

private:
    struct Axis {
        int edit;
        int32_t* preset;
        uint8_t* flag;
        const int32_t* current;
    };
    Axis AxisRow(int axis);
};

}  // namespace ks::panels
