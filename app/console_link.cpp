// The link to the controller going away and coming back: the probe that
// finds it again, the run paused at the loss, the start-up commands sent
// again on return.
#include "app/console_dlg.h"
#include "app/console_texts.h"
#include "link/register_map.h"
#include "res/ids.h"

namespace ks::app {

namespace ids = ks::res::console;

void CConsoleDlg::ProbeLink() {
    const uint32_t now = m_clock.TickCount();
    if (!m_link.ProbeDue(now)) return;
    m_link.Probed(now);
    // A closed port is opened again by its name, mapped afresh: the COMn
    // link may now lead to a re-plugged adapter or a new pseudo-terminal.
    if (m_pModbus && !m_pModbus->IsOpen()) {
        View().SetItemText(ids::IDC_COMM_LABEL, ConsoleText(kTextReconnecting));
        const bool opened = m_pModbus->Open(m_nComPort, 57600, 8, 0, 0) != 0;
        ShowPortOpenError();
        if (!opened) return;
    }
    m_bProbing = 1;
    const bool answered = ReadStatus();
    m_bProbing = 0;
    if (!answered) {
        // An open port that stays silent may be the wrong device by now:
        // when a COMn link vanished with its adapter, the name led to the
        // built-in port instead. It is closed, so the next probe maps the
        // name afresh.
        if (m_pModbus && ++m_nSilentProbes >= LinkWatch::kSilentProbesBeforeReopen) {
            m_nSilentProbes = 0;
            m_pModbus->ClosePort();
        }
        return;
    }
    m_nSilentProbes = 0;
    OnLinkBack();
    ActOnStatus();
}

// Everything that may have run on unseen is settled before the start-up's
// commands go out again; a loss in the middle leaves the rest (stops, the
// hole's fate) for the next return.
void CConsoleDlg::OnLinkBack() {
    m_link.SetUp();
    ShowCommResult(kMbOk);
    View().SetItemToolTip(ids::IDC_COMM_LABEL, "");
    // The lock the console knew before the loss: a restarted controller
    // reports its own default, which must not overrule the operator's. Taken
    // first, so that a loss during the writes below keeps it.
    m_nLockMotor = m_nLockAtLoss;
    // Decided on this first read: the stop below may clear the finished bit.
    const bool finishedMeanwhile = HoleFinishedHere(m_bFinshJG);
    CheckPlaceAfterOutage();
    SendPendingStops();
    if (m_link.Down()) return;
    SetSpeed(m_nSpeedLevel);
    SendLockAsSaved();
    if (m_link.Down()) return;
    if (m_nLostWhileDrilling != 0) SettleHoleAfterOutage(finishedMeanwhile);
    // The run stays paused; the line says how it goes on.
    if (m_strPauseReason == ConsoleText(kTextLinkLost)) SetPauseReason(ConsoleText(kTextLinkBack));
}

// The controller may have finished the hole while the console could not
// see it (the reads before the loss saw this hole's drilling): it is marked
// done and the next hole becomes current, as at a reserved pause hole. A
// hole still drilled was stopped by the pending stop; start drills it again.
// When the operator went to another hole meanwhile, that one is not touched.
void CConsoleDlg::SettleHoleAfterOutage(bool finished) {
    const int32_t hole = m_nLostWhileDrilling;
    m_nLostWhileDrilling = 0;
    if (!finished || hole != m_nCurHole) return;
    // When it finished is unknown: the record leaves the drill time out.
    m_bDrillTimed = 0;
    MarkCurrentHoleDone();
    if (m_nCurHole < m_nHoleCount) {
        ++m_nCurHole;
        SelectHoleInList();
    } else {
        FinishJob();
    }
}

bool CConsoleDlg::RunUnderWay() const {
    if (m_bPauseReq != 0) return false;
    return m_nState == RunState::Positioning || m_nState == RunState::Machining ||
           m_nNextStep == NextStep::MoveToHole || m_nNextStep == NextStep::StartDrilling;
}

// The pause's stop cannot go out now; it is kept for the return, and the
// pause leaves the reason on the status line (console_run.cpp, PauseRun).
void CConsoleDlg::PauseForLostLink() {
    if (RunUnderWay()) PauseRun(PauseCause::LostLink);
}

}  // namespace ks::app
