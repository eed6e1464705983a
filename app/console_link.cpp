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

void CConsoleDlg::OnLinkBack() {
    m_link.SetUp();
    ShowCommResult(kMbOk);
    SetSpeed(m_nSpeedLevel);
    // The lock the console knew before the loss: a restarted controller
    // reports its own default, which must not overrule the operator's.
    m_nLockMotor = m_nLockAtLoss;
    SendLockAsSaved();
    if (m_bLostWhileDrilling == 1) SettleHoleAfterOutage();
}

// The controller may have finished the hole, or be drilling it still, while
// the console could not see it. Finished (and the reads before the loss
// saw this hole's drilling): it is marked done and the next hole becomes
// current, as at a reserved pause hole. Still drilling: the stop that the
// pause could not send goes out now, and start drills the hole again.
void CConsoleDlg::SettleHoleAfterOutage() {
    m_bLostWhileDrilling = 0;
    if (HoleFinishedHere(m_bFinshJG)) {
        // When it finished is unknown: the record leaves the drill time out.
        m_bDrillTimed = 0;
        MarkCurrentHoleDone();
        if (m_nCurHole < m_nHoleCount) {
            ++m_nCurHole;
            SelectHoleInList();
        } else {
            Record(RecordEvent::JobEnd, m_nCurHole);
            EndJob();
        }
    } else if (m_bDrilling == 1) {
        SendCommand(kCmdStopMachining);
    }
}

bool CConsoleDlg::RunUnderWay() const {
    if (m_bPauseReq != 0) return false;
    return m_nState == RunState::Positioning || m_nState == RunState::Machining ||
           m_nNextStep == NextStep::MoveToHole || m_nNextStep == NextStep::StartDrilling;
}

void CConsoleDlg::PauseForLostLink() {
    if (!RunUnderWay()) return;
    const bool startAsked =
        m_nState == RunState::Idle && m_nNextStep == NextStep::StartDrilling && m_bStartSent == 1;
    m_bLostWhileDrilling = (m_nState == RunState::Machining || startAsked) ? 1 : 0;
    PauseRun(PauseCause::LostLink);
    SetPauseReason(ConsoleText(kTextLinkLost));
}

}  // namespace ks::app
