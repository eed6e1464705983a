// The settings file as the main window reads and writes it.
#include <algorithm>
#include <charconv>
#include <optional>
#include <cstdio>

#include "app/console_dlg.h"
#include "app/console_texts.h"
#include "platform/textnum.h"
#include "settings/keys.h"

namespace ks::app {

namespace key = ks::settings::key;
namespace missing = ks::settings::missing;

void CConsoleDlg::LoadSettings() {
    settings::CreateIfMissing(m_strIniPath, settings::ConsoleLoadDefaults());

    std::string jobPath = settings::ReadSetting(m_strIniPath, key::DirNCPath, missing::DirNCPath);
    std::string com = settings::ReadSetting(m_strIniPath, key::Com, missing::Com);
    std::string speed = settings::ReadSetting(m_strIniPath, key::Speed, missing::Speed);
    std::string lock = settings::ReadSetting(m_strIniPath, key::LockMotor, missing::LockMotor);
    std::string hole = settings::ReadSetting(m_strIniPath, key::Hole, missing::Hole);
    std::string viewType = settings::ReadSetting(m_strIniPath, key::ViewType, missing::ViewType);
    std::string viewScale = settings::ReadSetting(m_strIniPath, key::ViewScale, missing::ViewScale);

    m_nComPort = AtoiRule(com);
    m_nSpeedLevel = AtoiRule(speed);
    m_nLockMotor = AtoiRule(lock);
    m_nHoleDone = m_nCurHole = AtoiRule(hole);

    m_strJobPath = jobPath;
    View().SetWindowTitle(Fill(ConsoleText(kTextTitle), {m_strJobPath}));

    m_nViewType = AtoiRule(viewType);
    m_nViewScale = AtoiRule(viewScale);

    // Done marks: holes 1..Hole count as drilled. A Hole beyond the table
    // (edited by hand, or left from a larger job) marks up to its end.
    const int32_t lastSlot = kHoleSlots - 1;
    for (int32_t i = 0; i <= std::min(m_nHoleCount, lastSlot); ++i) m_Hole[i].bDone = 0;
    if (m_nHoleDone > 0) {
        for (int32_t i = 0; i <= std::min(m_nHoleDone, lastSlot); ++i) m_Hole[i].bDone = 1;
    }
}

// A resume point that did not reach the disk means a restart drills
// finished holes again, so the operator hears of it; once per streak of
// failed saves (the run goes on and saves again at every hole), and the
// notice stays on the status line until a save succeeds.
void CConsoleDlg::SaveSettings() {
    settings::CreateIfMissing(m_strIniPath, settings::ConsoleSaveDefaults());
    m_strLockMotor = FormatInt(m_nLockMotor);
    // The last hole finished, not the current one: a save in the middle of
    // a hole (the axis lock, a zoom of the map) must not move the resume
    // point past a hole that is not drilled yet.
    m_strHole = FormatInt(m_nHoleDone);
    bool saved = settings::WriteSetting(m_strIniPath, key::LockMotor, m_strLockMotor);
    saved = settings::WriteSetting(m_strIniPath, key::Hole, m_strHole) && saved;
    saved = settings::WriteSetting(m_strIniPath, key::ViewScale, FormatInt(m_nViewScale)) && saved;
    if (saved == m_strSaveProblem.empty()) return;
    if (!saved) {
        m_strSaveProblem = ConsoleText(kTextHoleNotSaved);
        std::fprintf(stderr, "kestrane: cannot write %s (hole %d not saved)\n", m_strIniPath.c_str(), m_nCurHole);
    } else {
        m_strSaveProblem.clear();
    }
    ShowStatusLine();
}

namespace {

namespace mk = ks::settings::machining_key;

std::optional<int32_t> ParseWholeNumber(std::string_view text) {
    int32_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

// A key of ours as a number; missing or not a whole number reads as
// `unset`, which the panel then treats as out of range.
int32_t ReadSent(const std::string& path, std::string_view name, int32_t unset) {
    const std::string text = settings::ReadSettingIn(path, settings::kMachiningSection, name);
    const auto value = ParseWholeNumber(text);
    return value ? *value : unset;
}

void WriteSent(const std::string& path, std::string_view name, int32_t value) {
    settings::WriteSettingIn(path, settings::kMachiningSection, name, FormatInt(value));
}

}  // namespace

// A first start (or a file from before these keys) leaves the panel unset:
// its segment group is then refused until every value is entered.
void CConsoleDlg::LoadSentMachining() {
    panels::CMachiningParamDlg& m = m_paramPanel;
    const int32_t segment[6] = {ReadSent(m_strIniPath, mk::PulseWidth, 0), ReadSent(m_strIniPath, mk::PulseInterval, 0),
                                ReadSent(m_strIniPath, mk::PowerAmp, 0),   ReadSent(m_strIniPath, mk::Capacitance, 0),
                                ReadSent(m_strIniPath, mk::Voltage, 0),    ReadSent(m_strIniPath, mk::MachSpeed, 0)};
    m.RestoreSegment(segment);
    const auto length = [this](std::string_view name, int32_t* field) {
        const int32_t v = ReadSent(m_strIniPath, name, 0);
        if (panels::CMachiningParamDlg::LengthInRange(v)) *field = v;
    };
    length(mk::DepthUpper, &m.m_nDepthUpper);
    length(mk::DepthLower, &m.m_nDepthLower);
    length(mk::LiftHeight, &m.m_nLiftHeight);
}

void CConsoleDlg::SaveSentSegment() {
    const panels::CMachiningParamDlg& m = m_paramPanel;
    WriteSent(m_strIniPath, mk::PulseWidth, m.m_nPulseWidth);
    WriteSent(m_strIniPath, mk::PulseInterval, m.m_nPulseInterval);
    WriteSent(m_strIniPath, mk::PowerAmp, m.m_nPowerAmp);
    WriteSent(m_strIniPath, mk::Capacitance, m.m_nCapacitance);
    WriteSent(m_strIniPath, mk::Voltage, m.m_nVoltage);
    WriteSent(m_strIniPath, mk::MachSpeed, m.m_nMachSpeed);
}

void CConsoleDlg::SaveSentDepthLimits() {
    WriteSent(m_strIniPath, mk::DepthUpper, m_paramPanel.m_nDepthUpper);
    WriteSent(m_strIniPath, mk::DepthLower, m_paramPanel.m_nDepthLower);
}

void CConsoleDlg::SaveSentLiftHeight() { WriteSent(m_strIniPath, mk::LiftHeight, m_paramPanel.m_nLiftHeight); }

}  // namespace ks::app
