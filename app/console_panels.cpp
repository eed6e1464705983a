// The panel launchers of the main window's buttons 1000 to 1004.
#include "app/console_dlg.h"
#include "app/console_texts.h"
#include "panels/file_process_dlg.h"
#include "panels/machine_param_dlg.h"
#include "panels/system_info_dlg.h"
#include "res/ids.h"

namespace ks::app {

namespace ids = ks::res::console;

// After a panel that may have written the settings: they are read again,
// but the current hole stays unless another job was chosen. The settings
// keep the last hole finished, which during a paused job is the one before
// the current hole: taking it would drill that hole again.
void CConsoleDlg::ReloadSettingsAfterPanel() {
    const std::string job = m_strJobPath;
    const int32_t hole = m_nCurHole;
    LoadSettings();
    if (m_strJobPath == job) {
        m_nCurHole = hole;
    } else {
        NewJobChosen();
    }
}

void CConsoleDlg::OnFileProcess() {
    if (!RunStands()) return;
    {
        panels::CFileProcessDlg panel(View().WindowRect(), m_settingsFolder);
        View().RunModal(panel);
    }
    ReloadSettingsAfterPanel();
    ReloadJob();
    m_bNeedRepaint = 1;
    View().SetItemText(ids::IDC_RATE_LABEL, Fill(ConsoleText(kTextCompletion), {"0.00"}));
}

// While the panel is open the status tick forwards its jogs and speeds.
// However it closes (OK, the close box, the window manager), forwarding
// stops, a continuous jog still running is stopped (a button released in
// the same instant as the panel closed never reached a tick), and the
// everyday speed level comes back.
void CConsoleDlg::OnPositioning() {
    if (!RunStands() || m_bMoving != 0) return;
    m_bPosPanelOpen = 1;
    m_posPanel.SetMainWindowRect(View().WindowRect());
    View().RunModal(m_posPanel);
    m_bPosPanelOpen = 0;
    if (m_bLastJogging == 1 && m_posPanel.m_nSpeedMode != 1) StopJog();
    m_bLastJogging = 0;
    m_posPanel.m_bJogging = 0;
    SetSpeed(m_nSpeedLevel);
}

// The machining parameter panel changes only the discharge settings, which
// the operator tunes while watching a hole drill, so it opens in any state.
// The forwarding gate is set while it is shown; whatever it accepted just
// before closing goes out at once, so nothing waits for the next opening.
void CConsoleDlg::OnMachiningParam() {
    m_bParamPanelOpen = 1;
    m_paramPanel.SetMainWindowRect(View().WindowRect());
    View().RunModal(m_paramPanel);
    ForwardMachining();
    m_bParamPanelOpen = 0;
}

void CConsoleDlg::OnMachineParam() {
    if (!RunStands()) return;
    const int32_t port = m_nComPort;
    if (m_pMachinePanel != nullptr) {
        m_pMachinePanel->SetMainWindowRect(View().WindowRect());
        m_pMachinePanel->SetSettingsFolder(m_settingsFolder);
        View().RunModal(*m_pMachinePanel);
    }
    ReloadSettingsAfterPanel();
    // A changed port takes effect at once: the link reopens by the new name.
    if (m_nComPort != port) SwitchPort();
    SetSpeed(m_nSpeedLevel);
}

void CConsoleDlg::OnSystemInfo() {
    panels::CSystemInfoDlg panel(View().WindowRect());
    View().RunModal(panel);
}

}  // namespace ks::app
