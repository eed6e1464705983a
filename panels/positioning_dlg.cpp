#include "panels/positioning_dlg.h"


#include "platform/textnum.h"
#include "res/ids.h"

namespace ks::panels {
namespace {

namespace id = ks::res::positioning;

struct JogButton {
    int id;
    JogAxis axis;
    uint8_t positive;
};
constexpr JogButton kJogButtons[] = {
    {id::IDC_X_PLUS, JogAxis::X, 1}, {id::IDC_X_MINUS, JogAxis::X, 0},
    {id::IDC_Y_PLUS, JogAxis::Y, 1}, {id::IDC_Y_MINUS, JogAxis::Y, 0},
    {id::IDC_C_PLUS, JogAxis::C, 1}, {id::IDC_C_MINUS, JogAxis::C, 0},
};

const JogButton* FindJogButton(int controlId) {
    for (const JogButton& b : kJogButtons)
        if (b.id == controlId) return &b;
    return nullptr;
}

struct AxisButtons { int zero, half, set; };
constexpr AxisButtons kAxisButtons[3] = {
    {id::IDC_X_ZERO, id::IDC_X_HALF, id::IDC_X_SET},
    {id::IDC_Y_ZERO, id::IDC_Y_HALF, id::IDC_Y_SET},
    {id::IDC_Z_ZERO, id::IDC_Z_HALF, id::IDC_Z_SET},
};

}  // namespace

CPositioningDlg::CPositioningDlg() : CPanelDlg(ks::res::IDD_POSITIONING) {
    for (int radio = id::IDC_MODE_STEP; radio <= id::IDC_MODE_FAST; ++radio)
        MapCommand(radio, [this, radio] { OnSpeedMode(radio); });
    for (int axis = 0; axis < 3; ++axis) {
        MapCommand(kAxisButtons[axis].zero, [this, axis] { OnZero(axis); });
        MapCommand(kAxisButtons[axis].half, [this, axis] { OnHalve(axis); });
        MapCommand(kAxisButtons[axis].set, [this, axis] { OnSet(axis); });
    }
}

CPositioningDlg::Axis CPositioningDlg::AxisRow(int axis) {
    switch (axis) {
        case 0: return {id::IDC_X_VALUE, &m_nSetX, &m_bSetX, &m_nCurX};
        case 1: return {id::IDC_Y_VALUE, &m_nSetY, &m_bSetY, &m_nCurY};
        default: return {id::IDC_Z_VALUE, &m_nSetZ, &m_bSetZ, &m_nCurZ};
    }
}

bool CPositioningDlg::OnInitDialog() {
    PlaceOverMainWindow();
    m_bJogging = 0;
    m_bSetX = m_bSetY = m_bSetZ = 0;

    ks::ui::DialogView& v = View();
    for (int axis = 0; axis < 3; ++axis) {
        const Axis a = AxisRow(axis);
        v.SetItemText(a.edit, FormatFixed(*a.current * 0.001, 3));
    }
    v.CheckRadioButton(id::IDC_MODE_STEP, id::IDC_MODE_FAST, id::IDC_MODE_SLOW);
    m_nSpeedMode = 2;
    m_bSpeedChanged = 1;

    // The jog commands know no Z axis; the Z buttons must not look live.
    v.EnableItem(id::IDC_Z_MINUS, false);
    v.EnableItem(id::IDC_Z_PLUS, false);
    return true;
}

bool CPositioningDlg::PreTranslateMessage(const ks::ui::Message& msg) {
    if (IsEscOrEnter(msg)) return true;
    if (msg.kind == ks::ui::Message::LButtonDown) {
        if (const JogButton* b = FindJogButton(msg.targetId)) {
            m_bJogging = 1;
            m_nJogAxis = b->axis;
            m_bJogPositive = b->positive;
        }
    } else if (msg.kind == ks::ui::Message::LButtonUp) {
        if (FindJogButton(msg.targetId) != nullptr) m_bJogging = 0;
    }
    return false;
}

void CPositioningDlg::OnSpeedMode(int radioId) {
    View().CheckRadioButton(id::IDC_MODE_STEP, id::IDC_MODE_FAST, radioId);
    m_nSpeedMode = radioId - id::IDC_MODE_STEP + 1;
    m_bSpeedChanged = 1;
}

void CPositioningDlg::OnZero(int axis) {
    const Axis a = AxisRow(axis);
    *a.preset = 0;
    View().SetItemText(a.edit, FormatInt(0));
    *a.flag = 1;
}

void CPositioningDlg::OnHalve(int axis) {
    const Axis a = AxisRow(axis);
    *a.preset = *a.current / 2;  // toward zero: -7 um gives -3 um
    View().SetItemText(a.edit, FormatFixed(*a.preset * 0.001, 3));
    *a.flag = 1;
}

void CPositioningDlg::OnSet(int axis) {
    const Axis a = AxisRow(axis);
    const double um = AtofRule(View().GetItemText(a.edit)) * 1000.0;
    // A number beyond the 32-bit range of the registers would preset the
    // axis to an arbitrary far coordinate; such a text presets nothing.
    if (!(um > -2147483649.0 && um < 2147483648.0)) return;
    *a.preset = TruncToInt32(um);
    *a.flag = 1;
}

std::optional<ks::ui::ControlStyle> CPositioningDlg::OnCtlColor(int controlId, ks::ui::CtlColorKind kind) {
    if (kind == ks::ui::CtlColorKind::Dialog) return PanelGround();
    switch (controlId) {
        case id::IDC_SPEED_LABEL:
        case id::IDC_PRESET_GROUP:
        case id::IDC_JOG_GROUP:
        case id::IDC_MODE_STEP:
        case id::IDC_MODE_SLOW:
        case id::IDC_MODE_MEDIUM:
        case id::IDC_MODE_FAST:
            return LabelStyle();
        default:
            return std::nullopt;
    }
}

}  // namespace ks::panels
