// What the operator is told when the console cannot do what was asked or
// has just done something on its own: a start with no hole to go to, a job
// that ran to its end, a new job chosen, a link that is down or on another
// port. A click that does nothing, or a display that goes on showing what
// the controller said before it went silent, leaves the operator guessing.
#include <algorithm>

#include "app/console_dlg.h"
#include "app/console_texts.h"
#include "platform/textnum.h"
#include "res/ids.h"

namespace ks::app {

namespace ids = ks::res::console;

namespace {

// The switch pictures show what the controller reported last.
constexpr int kSwitchPictures[] = {ids::IDC_PUMP, ids::IDC_HEAD, ids::IDC_HF, ids::IDC_DRILL, ids::IDC_LOCK};

}  // namespace

// A finished job is not begun again by start: the plate it drilled is
// usually still clamped, and one click would drill its holes a second time.
// 复位 is the deliberate step (it also clears the done marks and writes the
// record's `reset`), so start says to use it.
bool CConsoleDlg::RefuseStart(bool resume, int64_t target) {
    if (m_nHoleCount <= 0) {
        SetPauseReason(ConsoleText(kTextNoJobLoaded));
        return true;
    }
    if (m_bJobComplete == 1 || (!resume && target > m_nHoleCount)) {
        SetPauseReason(JobCompleteText());
        return true;
    }
    return target < 1 || target > m_nHoleCount;
}

std::string CConsoleDlg::JobCompleteText() const {
    int32_t undone = 0;
    for (int32_t h = 1; h <= m_nHoleCount && h < kHoleSlots; ++h)
        if (m_Hole[static_cast<size_t>(h)].bDone == 0) ++undone;
    return Fill(ConsoleText(kTextJobComplete), {FormatInt(undone)});
}

void CConsoleDlg::FinishJob() {
    Record(RecordEvent::JobEnd, m_nCurHole);
    EndJob();
    m_bJobComplete = 1;
    SetPauseReason(JobCompleteText());
    ShowCompletion();
}

// The resume point and the done marks belonged to the job that was loaded;
// taken over, they would show the new job's first holes as drilled and
// start would skip them (or find nothing left to do).
void CConsoleDlg::NewJobChosen() {
    const int32_t marked = std::min(std::max(m_nHoleCount, m_nHoleDone), kHoleSlots - 1);
    for (int32_t i = 0; i <= marked; ++i) m_Hole[static_cast<size_t>(i)].bDone = 0;
    m_nCurHole = 0;
    m_nHoleDone = 0;
    SaveSettings();
    m_bMoveIssued = 0;
    m_bHoleChosen = 0;
    m_bJobComplete = 0;
    m_bPauseReq = 0;
    m_nNextStep = NextStep::None;
    m_nLostWhileDrilling = 0;
    SetPauseReason("");
}

void CConsoleDlg::ShowLinkStale() {
    const uint8_t stale = m_link.Down() ? 1 : 0;
    if (stale == m_bShownStale) return;
    m_bShownStale = stale;
    for (int id : kSwitchPictures) View().EnableItem(id, stale == 0);
    // Drilling may have stopped long ago: the picture does not claim it.
    if (m_bDrilling == 1) View().SetButtonPicture(ids::IDC_DRILL, stale == 1 ? res::IDB_DRILL_OFF : res::IDB_DRILL_ON);
    // A port that never opened keeps its own text; the probes say when
    // they try it again.
    if (stale == 1 && m_pModbus && m_pModbus->IsOpen()) ShowLinkDown(m_link.Failure());
    // The position rows take their colour from OnCtlColor.
    View().Invalidate(true);
}

// The reconnecting text stays while the link is down; what the last
// attempt met (a time-out, a port that does not open) is in the tooltip.
void CConsoleDlg::ShowLinkDown(ModbusResult lastFailure) {
    View().SetItemText(ids::IDC_COMM_LABEL, ConsoleText(kTextReconnecting));
    const PortOpenError portError = m_pModbus ? m_pModbus->LastOpenError() : PortOpenError::None;
    const bool portClosed = m_pModbus && !m_pModbus->IsOpen() && portError != PortOpenError::None;
    View().SetItemToolTip(ids::IDC_COMM_LABEL, portClosed ? ConsoleText(PortOpenErrorTip(portError))
                                                          : CommResultText(lastFailure, m_nComPort));
}

// The label must never name a port the console does not hold. The link's
// own return path does the rest: the probe opens the port by its new name,
// and a controller found there that counts other coordinates is not
// trusted until X and Y are set again.
void CConsoleDlg::SwitchPort() {
    if (m_bLinkStarted == 0 || !m_pModbus) return;
    if (!m_link.Down()) {
        NoteLinkLoss();
        m_link.SetDown(kMbWriteFailed);
    }
    m_pModbus->ClosePort();
    m_nSilentProbes = 0;
    ShowLinkStale();
    View().SetItemText(ids::IDC_COMM_LABEL, ConsoleText(kTextReconnecting));
    View().SetItemToolTip(ids::IDC_COMM_LABEL, "");
}

}  // namespace ks::app
