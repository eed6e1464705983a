// The settings file as the main window reads and writes it.
#include <algorithm>
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

}  // namespace ks::app
