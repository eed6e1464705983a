#include "panels/machining_param_dlg.h"

#include "panels/panel_texts.h"
#include "platform/texts.h"
#include "platform/textnum.h"
#include "res/ids.h"

namespace ks::panels {
namespace {

namespace id = ks::res::machining;

// One segment column: its edit, buttons, accepted range, refusal text and
// name in a list of values.
struct Column {
    int edit, plus, minus;
    int32_t low, high;
    const char* message;
    const char* name;
    bool Contains(int64_t v) const { return v >= low && v <= high; }
};

// In the order the segment send tests them.
constexpr Column kColumns[] = {
    {id::IDC_PULSE_WIDTH, id::IDC_WIDTH_PLUS, id::IDC_WIDTH_MINUS, 1, 255, kTextWidthRefused, kTextWidthName},
    {id::IDC_PULSE_INTERVAL, id::IDC_INTERVAL_PLUS, id::IDC_INTERVAL_MINUS, 4, 255, kTextIntervalRefused,
     kTextIntervalName},
    {id::IDC_POWER, id::IDC_POWER_PLUS, id::IDC_POWER_MINUS, 1, 12, kTextPowerRefused, kTextPowerName},
    {id::IDC_CAP, id::IDC_CAP_PLUS, id::IDC_CAP_MINUS, 1, 39, kTextCapRefused, kTextCapName},
    {id::IDC_VOLT, id::IDC_VOLT_PLUS, id::IDC_VOLT_MINUS, 1, 3, kTextVoltRefused, kTextVoltName},
    {id::IDC_SPEED, id::IDC_SPEED_PLUS, id::IDC_SPEED_MINUS, 9, 30, kTextSpeedRefused, kTextSpeedName},
};
constexpr int kColumnCount = sizeof kColumns / sizeof kColumns[0];

constexpr int32_t kLengthLimit = 999999;  // micrometres, either sign

}  // namespace

CMachiningParamDlg::CMachiningParamDlg() : CPanelDlg(ks::res::IDD_MACHINING_PARAM) {
    for (int c = 0; c < kColumnCount; ++c) {
        MapCommand(kColumns[c].plus, [this, c] { OnStep(c, +1); });
        MapCommand(kColumns[c].minus, [this, c] { OnStep(c, -1); });
    }
    MapCommand(id::IDC_SEG_SEND, [this] { OnSendSegment(); });
    MapCommand(id::IDC_LIFT_SEND, [this] { OnSendLiftHeight(); });
    MapCommand(id::IDC_DEPTH_SEND, [this] { OnSendDepthLimits(); });
}

int32_t& CMachiningParamDlg::Field(int column) {
    int32_t* fields[kColumnCount] = {&m_nPulseWidth, &m_nPulseInterval, &m_nPowerAmp,
                                     &m_nCapacitance, &m_nVoltage, &m_nMachSpeed};
    return *fields[column];
}

bool CMachiningParamDlg::OnInitDialog() {
    PlaceOverMainWindow();
    if (m_nLiftHeight > 0) m_nLiftHeight = -m_nLiftHeight;

    ks::ui::DialogView& v = View();
    // Shown positive; negated as an integer so that no lift reads "-0.000".
    v.SetItemText(id::IDC_LIFT, FormatFixed(static_cast<double>(-int64_t{m_nLiftHeight}) * 0.001, 3));
    v.SetItemText(id::IDC_DEPTH_UPPER, FormatFixed(m_nDepthUpper * 0.001, 3));
    v.SetItemText(id::IDC_DEPTH_LOWER, FormatFixed(m_nDepthLower * 0.001, 3));
    for (int c = 0; c < kColumnCount; ++c) v.SetItemText(kColumns[c].edit, FormatInt(Field(c)));

    // Nothing stores or sends a segment number: its column stays visibly idle.
    v.SetItemText(id::IDC_SEG_NO, "");
    v.EnableItem(id::IDC_SEG_NO, false);
    v.EnableItem(id::IDC_SEG_PLUS, false);
    v.EnableItem(id::IDC_SEG_MINUS, false);
    return true;
}

bool CMachiningParamDlg::SegmentComplete() const {
    for (int c = 0; c < kColumnCount; ++c)
        if (!kColumns[c].Contains(Field(c))) return false;
    return true;
}

void CMachiningParamDlg::RestoreSegment(const int32_t (&values)[6]) {
    for (int c = 0; c < kColumnCount; ++c) Field(c) = kColumns[c].Contains(values[c]) ? values[c] : 0;
}

bool CMachiningParamDlg::LengthInRange(int64_t micrometres) {
    return micrometres >= -kLengthLimit && micrometres <= kLengthLimit;
}

// The controller takes the six values as one group, each step or send
// sends all of them: a value never set (0 at a first start) would reach a
// machine that is drilling.
void CMachiningParamDlg::AcceptSegment(const int64_t (&values)[6]) {
    std::string refused;
    for (int c = 0; c < kColumnCount; ++c) {
        const Column& col = kColumns[c];
        if (col.Contains(values[c])) continue;
        refused += "\n" + Fill(PanelText(kTextRangeLine),
                               {PanelText(col.name), FormatInt(col.low), FormatInt(col.high), FormatInt(values[c])});
    }
    if (!refused.empty()) {
        View().WarningBox(PanelText(kTextSegmentNotSentTitle), PanelText(kTextSegmentNotSent) + refused);
        return;
    }
    for (int c = 0; c < kColumnCount; ++c) {
        Field(c) = static_cast<int32_t>(values[c]);
        View().SetItemText(kColumns[c].edit, FormatInt(values[c]));
    }
    m_bSegParamChanged = 1;
}

// The stepped column as typed, the others as last accepted: they are what
// the group would send.
void CMachiningParamDlg::OnStep(int column, int delta) {
    const Column& col = kColumns[column];
    // Widened so that a step past the 32-bit ends is refused, not wrapped.
    const int64_t stepped = int64_t{AtoiRule(View().GetItemText(col.edit))} + delta;
    if (!col.Contains(stepped)) {
        View().MessageBox(PanelText(col.message));
        return;
    }
    int64_t values[kColumnCount];
    for (int c = 0; c < kColumnCount; ++c) values[c] = c == column ? stepped : Field(c);
    AcceptSegment(values);
}

void CMachiningParamDlg::OnSendSegment() {
    int64_t values[kColumnCount];
    for (int c = 0; c < kColumnCount; ++c) values[c] = AtoiRule(View().GetItemText(kColumns[c].edit));
    AcceptSegment(values);
}

bool CMachiningParamDlg::ReadLength(int editId, int32_t* micrometres, double* typed) {
    *typed = AtofRule(View().GetItemText(editId));
    // Out-of-range and NaN products truncate to INT32_MIN, which fails the test.
    const int32_t v = TruncToInt32(*typed * 1000.0);
    if (v < -kLengthLimit || v > kLengthLimit) return false;
    *micrometres = v;
    return true;
}

void CMachiningParamDlg::OnSendLiftHeight() {
    int32_t v = 0;
    double typed = 0.0;
    if (!ReadLength(id::IDC_LIFT, &v, &typed)) {
        View().MessageBox(PanelText(kTextLiftRefused));
        return;
    }
    m_nLiftHeight = v > 0 ? -v : v;
    View().SetItemText(id::IDC_LIFT, FormatFixed(typed, 3));
    m_bLiftHeightChanged = 1;
}

void CMachiningParamDlg::OnSendDepthLimits() {
    struct Limit { int edit; int32_t* field; const char* message; };
    const Limit limits[] = {{id::IDC_DEPTH_UPPER, &m_nDepthUpper, kTextUpperRefused},
                            {id::IDC_DEPTH_LOWER, &m_nDepthLower, kTextLowerRefused}};
    for (const Limit& l : limits) {
        int32_t v = 0;
        double typed = 0.0;
        if (!ReadLength(l.edit, &v, &typed)) {
            View().MessageBox(PanelText(l.message));
            continue;
        }
        *l.field = v;
        View().SetItemText(l.edit, FormatFixed(typed, 3));
        m_bDepthLimitChanged = 1;
    }
}

std::optional<ks::ui::ControlStyle> CMachiningParamDlg::OnCtlColor(int controlId, ks::ui::CtlColorKind kind) {
    if (kind == ks::ui::CtlColorKind::Dialog) return PanelGround();
    if (controlId >= id::IDC_DEPTH_GROUP && controlId <= id::IDC_SPEED_LABEL) return LabelStyle();
    return std::nullopt;
}

}  // namespace ks::panels
