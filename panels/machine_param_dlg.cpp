#include "panels/machine_param_dlg.h"

#include "platform/program_folder.h"
#include "platform/textnum.h"
#include "res/ids.h"
#include "settings/keys.h"

namespace ks::panels {
namespace {

namespace id = ks::res::machine;
namespace st = ks::settings;

constexpr int kPortCount = 7;   // COM1..COM7
constexpr int kSpeedCount = 5;  // "1挡".."5挡"; sorting keeps this order

// Item `value - 1` when value names one of `count` items, else no selection.
int ItemOf(int32_t value, int count) { return value >= 1 && value <= count ? value - 1 : -1; }

// "COM7  USB Serial Port" for "USB Serial Port (COM7)": the number stands
// first already.
std::string PortItemText(int number, std::string name) {
    const std::string com = "COM" + std::to_string(number);
    const std::string suffix = " (" + com + ")";
    if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
        name.resize(name.size() - suffix.size());
    return name.empty() ? com : com + "  " + name;
}

}  // namespace

CMachineParamDlg::CMachineParamDlg() : CPanelDlg(ks::res::IDD_MACHINE_PARAM) {
    MapCommand(id::IDC_VIEW_HOLE, [this] { OnViewType(id::IDC_VIEW_HOLE); });
    MapCommand(id::IDC_VIEW_CENTRE, [this] { OnViewType(id::IDC_VIEW_CENTRE); });
}

bool CMachineParamDlg::OnInitDialog() {
    PlaceOverMainWindow();
    m_settingsPath = st::SettingsPathIn(m_settingsFolder ? *m_settingsFolder : ProgramFolder());
    ShowPortNames();
    LoadPanelSettings();
    return true;
}

void CMachineParamDlg::LoadPanelSettings() {
    st::CreateIfMissing(m_settingsPath, st::MachinePanelDefaults());
    const int32_t com = AtoiRule(st::ReadSetting(m_settingsPath, st::key::Com, st::missing::Com));
    const int32_t speed = AtoiRule(st::ReadSetting(m_settingsPath, st::key::Speed, st::missing::PanelSpeed));
    m_nViewType = AtoiRule(st::ReadSetting(m_settingsPath, st::key::ViewType, st::missing::PanelViewType));

    ks::ui::DialogView& v = View();
    v.ComboSetCurSel(id::IDC_PORT, ItemOf(com, kPortCount));
    v.ComboSetCurSel(id::IDC_SPEED, ItemOf(speed, kSpeedCount));
    if (m_nViewType == 1) v.CheckRadioButton(id::IDC_VIEW_HOLE, id::IDC_VIEW_CENTRE, id::IDC_VIEW_HOLE);
    if (m_nViewType == 2) v.CheckRadioButton(id::IDC_VIEW_HOLE, id::IDC_VIEW_CENTRE, id::IDC_VIEW_CENTRE);
}

void CMachineParamDlg::ShowPortNames() {
    const std::vector<ComPort> ports = m_portNames ? m_portNames() : std::vector<ComPort>();
    for (int n = 1; n <= kPortCount; ++n) {
        std::string name;
        for (const ComPort& p : ports) {
            if (p.number == n) name = p.friendlyName;
        }
        // Every item, so that a port unplugged since the last opening loses its name.
        View().ComboSetItemText(id::IDC_PORT, n - 1, PortItemText(n, name));
    }
}

void CMachineParamDlg::SavePanelSettings() {
    st::CreateIfMissing(m_settingsPath, st::MachinePanelDefaults());
    ks::ui::DialogView& v = View();
    // No selection reads as -1 and is written as 0.
    st::WriteSetting(m_settingsPath, st::key::Com, FormatHex(v.ComboGetCurSel(id::IDC_PORT) + 1));
    st::WriteSetting(m_settingsPath, st::key::Speed, FormatHex(v.ComboGetCurSel(id::IDC_SPEED) + 1));
    st::WriteSetting(m_settingsPath, st::key::ViewType, FormatHex(m_nViewType));
}

void CMachineParamDlg::OnOK() {
    SavePanelSettings();
    CPanelDlg::OnOK();
}

void CMachineParamDlg::OnViewType(int radioId) {
    View().CheckRadioButton(id::IDC_VIEW_HOLE, id::IDC_VIEW_CENTRE, radioId);
    m_nViewType = radioId == id::IDC_VIEW_HOLE ? 1 : 2;
    SavePanelSettings();
}

bool CMachineParamDlg::PreTranslateMessage(const ks::ui::Message& msg) { return IsEscOrEnter(msg); }

std::optional<ks::ui::ControlStyle> CMachineParamDlg::OnCtlColor(int controlId, ks::ui::CtlColorKind kind) {
    if (kind == ks::ui::CtlColorKind::Dialog) return PanelGround();
    switch (controlId) {
        case id::IDC_PORT_LABEL:
        case id::IDC_SPEED_LABEL:
        case id::IDC_VIEW_GROUP:
        case id::IDC_VIEW_HOLE:
        case id::IDC_VIEW_CENTRE:
            return LabelStyle("宋体", 10);
        default:
            return std::nullopt;
    }
}

}  // namespace ks::panels
