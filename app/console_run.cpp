// Run control: the sequencer stepped once per status tick, and the buttons
// that start, pause, reset and steer the walk through the job.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "app/console_dlg.h"
#include "app/console_texts.h"
#include "link/register_map.h"
#include "res/ids.h"

namespace ks::app {

namespace ids = ks::res::console;

namespace {

// Whether the position of the last status read is the current hole's place
// (within kArrivalToleranceUm, link_safety.h). A move can end elsewhere:
// the controller's moves are relative, so a move command repeated after its
// answer was lost is carried out twice.
bool StandsOnCurrentHole(const CConsoleDlg& dlg) {
    if (dlg.m_nCurHole < 0 || dlg.m_nCurHole > dlg.m_nHoleCount || dlg.m_nCurHole >= kHoleSlots) return false;
    const JobHole& hole = dlg.m_Hole[static_cast<size_t>(dlg.m_nCurHole)];
    return SamePlace(Place{hole.nX, hole.nY}, Place{dlg.m_nPosX, dlg.m_nPosY});
}

}  // namespace

void CConsoleDlg::RunSequencerStep() {
    // Nothing is decided on status that could not be read.
    if (m_link.Down()) return;
    switch (m_nState) {
        case RunState::Machining:
            if (HoleFinishedHere(m_bFinshJG) && FinishConfirmed()) {
                MarkCurrentHoleDone();
                if (m_nCurHole < m_nHoleCount) {
                    if (m_nCurHole == m_nPauseHole) {
                        PauseRun(PauseCause::PauseHole);
                        ++m_nCurHole;
                        SelectHoleInList();
                    }
                    m_nState = RunState::Idle;
                    m_nNextStep = NextStep::MoveToHole;
                } else {
                    m_nState = RunState::Idle;
                    m_nNextStep = NextStep::None;
                    FinishJob();
                }
                m_bHoleChosen = 0;
            }
            if (m_bPauseReq == 1) {
                m_nState = RunState::Idle;
                m_nNextStep = NextStep::MoveToHole;
            }
            break;

        case RunState::Positioning:
            if (m_bMoving != 0) break;
            if (m_bSyncOnly != 1) {
                // Drilling off the hole would spoil the plate; pause as after
                // a failed move, and start moves to the hole again.
                if (!StandsOnCurrentHole(*this)) {
                    PauseRun(PauseCause::ArrivalCheck);
                    SetPauseReason(ConsoleText(kTextNotOnHole));
                    break;
                }
                m_nState = RunState::Idle;
                m_nNextStep = NextStep::StartDrilling;
                m_bStartSent = 0;
                m_clock.Sleep(1000);
            } else if (m_nCurHole < m_nHoleCount) {
                Record(RecordEvent::Visited, m_nCurHole);
                m_nState = RunState::Idle;
                m_nNextStep = NextStep::MoveToHole;
                m_bStartSent = 0;
                RedrawMap();
                m_clock.Sleep(800);
            } else {
                Record(RecordEvent::Visited, m_nCurHole);
                Record(RecordEvent::JobEnd, m_nCurHole);
                EndJob();
            }
            break;

        case RunState::Idle:  // paused or idle
            if (m_bPauseReq != 0) break;
            if (m_nNextStep == NextStep::MoveToHole) {
                if (m_bMoving != 0) break;
                bool moved = true;
                if (m_bHoleChosen == 1) {
                    m_bHoleChosen = 0;
                } else {
                    moved = AdvanceToNextHole();
                }
                m_nState = RunState::Positioning;
                m_nNextStep = NextStep::None;
                if (!moved) PauseAfterFailedMove();
            } else if (m_nNextStep == NextStep::StartDrilling) {
                if (m_bDrilling == 1) {
                    m_nState = RunState::Machining;
                    m_nNextStep = NextStep::None;
                    m_bStartSent = 0;
                } else if (m_bStartSent == 0) {
                    m_nDrillStartTick = m_clock.TickCount();
                    m_nDrillStartZ = m_nPosZ;
                    m_bDrillTimed = 1;
                    StartDrill();
                    m_bStartSent = 1;
                } else if (HoleFinishedHere(m_bFinshJG)) {
                    // Through before a status read saw it drilling (its
                    // start was confirmed late): finished all the same.
                    m_nState = RunState::Machining;
                    m_nNextStep = NextStep::None;
                    m_bStartSent = 0;
                }
            }
            break;

        default:
            break;
    }
}

// A status answer can be stale: Modbus RTU has no transaction id, and an
// answer later still than the master's wait for late answers
// (link/modbus_master.h) is taken for the answer to the next read. A
// controller that keeps the previous hole's finished bit until drilling
// starts would then show this hole finished while it is drilled, and it
// would be marked done undrilled. The read after it gets an answer of its
// own.
bool CConsoleDlg::FinishConfirmed() {
    StatusBits st;
    return PeekStatus(&st) && HoleFinishedHere(st.finished);
}

// The resume point moves only here (and with reset): a hole counts as done
// once the controller finished it, never merely because it is current.
void CConsoleDlg::MarkCurrentHoleDone() {
    if (HoleInTable(m_nCurHole)) m_Hole[static_cast<size_t>(m_nCurHole)].bDone = 1;
    m_nHoleDone = m_nCurHole;
    SaveSettings();
    RecordLine line = RecordFor(RecordEvent::Drilled, m_nCurHole);
    if (m_bDrillTimed == 1) {
        line.drillSeconds = static_cast<uint32_t>(m_clock.TickCount() - m_nDrillStartTick) / 1000.0;
        line.zStartUm = m_nDrillStartZ;
    }
    line.zEndUm = m_nPosZ;
    m_bDrillTimed = 0;
    WriteRecord(line);
}

// Holes from `from` up to before `to` that the operator jumps past undone.
void CConsoleDlg::RecordSkipped(int32_t from, int32_t to) {
    for (int32_t h = std::max(from, 1); h < to && h <= m_nHoleCount && HoleInTable(h); ++h)
        if (m_Hole[static_cast<size_t>(h)].bDone == 0) Record(RecordEvent::Skipped, h);
}

RecordLine CConsoleDlg::RecordFor(RecordEvent event, int32_t hole) const {
    RecordLine line;
    line.event = event;
    line.hole = hole;
    if (hole >= 1 && hole <= m_nHoleCount && HoleInTable(hole)) {
        line.xUm = m_Hole[static_cast<size_t>(hole)].nX;
        line.yUm = m_Hole[static_cast<size_t>(hole)].nY;
    }
    return line;
}

void CConsoleDlg::Record(RecordEvent event, int32_t hole, std::optional<PauseCause> cause) {
    RecordLine line = RecordFor(event, hole);
    line.cause = cause;
    WriteRecord(line);
}

// A record that cannot be written is told once per streak on the status
// line; the run never waits for it.
void CConsoleDlg::WriteRecord(const RecordLine& line) {
    const bool written = m_record.Write(line, m_clock.WallTime());
    if (written == m_strRecordProblem.empty()) return;
    if (written) {
        m_strRecordProblem.clear();
    } else {
        m_strRecordProblem = ConsoleText(kTextRecordNotWritten);
        std::fprintf(stderr, "kestrane: cannot write the job record %s\n", m_record.Path().c_str());
    }
    ShowStatusLine();
}

// A move that never reached the controller leaves the machine where it
// stands; drilling there would make a hole in the wrong place, so the run
// pauses as if the operator had pressed pause. Start then retries the hole.
void CConsoleDlg::PauseAfterFailedMove() {
    PauseRun(PauseCause::LostLink);
    if (m_link.Down()) SetPauseReason(ConsoleText(kTextLinkLost));
}

void CConsoleDlg::OnStartButton() {
    if (m_nState == RunState::Positioning || m_nState == RunState::Machining) return;
    // Coordinates in doubt after a loss (the status line says so): nothing
    // drills until X and Y are set again (console_outage.cpp).
    if (m_placeDoubt.active) return;
    const bool resume = m_bMoveIssued == 1 && m_nCurHole != 0;
    const int64_t target = resume ? int64_t{m_nCurHole} : int64_t{m_nCurHole} + 1;
    // No job, or the job is behind us: there is no hole to go to, and the
    // status line says why.
    if (RefuseStart(resume, target)) return;
    if (!resume) {
        m_bMoveIssued = 1;
        ++m_nCurHole;
    }
    const bool moved = MoveToHole();
    m_bPauseReq = 0;
    m_nState = RunState::Positioning;
    m_nNextStep = NextStep::StartDrilling;
    SetPauseReason("");
    if (!moved) PauseAfterFailedMove();
}

void CConsoleDlg::OnPauseButton() { PauseRun(PauseCause::Button); }

// The pause of the button, also made by the console itself for a reason;
// the record says which, once per pause of a run under way. A stop that
// cannot go out (the line fails as pause is pressed) is kept for the link's
// return, and the hole being drilled is looked at again then.
void CConsoleDlg::PauseRun(PauseCause cause) {
    if (RunUnderWay() || m_nState == RunState::Machining) Record(RecordEvent::Paused, m_nCurHole, cause);
    const bool drilling = m_nState == RunState::Machining ||
                          (m_nState == RunState::Idle && m_nNextStep == NextStep::StartDrilling && m_bStartSent == 1);
    if (m_bMoving == 1) StopMotion();
    StopMachining();
    m_nState = RunState::Idle;
    m_bPauseReq = 1;
    if (!m_link.Down()) return;
    if (drilling) m_nLostWhileDrilling = m_nCurHole;
    SetPauseReason(ConsoleText(kTextLinkLost));
}

void CConsoleDlg::OnResetButton() {
    Record(RecordEvent::Reset, m_nCurHole);
    if (m_bMoving == 1) StopMotion();
    m_bJobComplete = 0;
    m_nCurHole = 0;
    m_nHoleDone = 0;
    SaveSettings();
    LoadSettings();
    EndJob();
    RenderView();
    m_bNeedRepaint = 1;
}

void CConsoleDlg::EndJob() {
    SetPauseReason("");
    m_nState = RunState::Idle;
    m_nNextStep = NextStep::None;
    m_bPauseReq = 0;
    View().SetButtonPicture(ids::IDC_START, res::IDB_START);
    View().ListSetCurSel(ids::IDC_HOLE_LIST, 0);
    m_nCurHole = 0;
    m_nLostWhileDrilling = 0;
    StopMachining();
    m_bSyncOnly = 0;
    View().SetButtonPicture(ids::IDC_SYNC, res::IDB_SYNC_OFF);
}

void CConsoleDlg::OnPrevHole() {
    if (!MayChooseHole() || m_nCurHole <= 1) return;
    --m_nCurHole;
    MoveToChosenHole();
}

void CConsoleDlg::OnNextHole() {
    if (!MayChooseHole() || m_nCurHole >= m_nHoleCount) return;
    RecordSkipped(m_nCurHole, m_nCurHole + 1);
    ++m_nCurHole;
    MoveToChosenHole();
}

void CConsoleDlg::OnSkipToHole() {
    if (!MayChooseHole()) return;
    const int32_t chosen = View().ListGetCurSel(ids::IDC_HOLE_LIST) + 1;
    RecordSkipped(m_nCurHole, chosen);
    m_nCurHole = chosen;
    MoveToChosenHole();
}

// In state 1, but not once the run asked for drilling and has not seen it
// yet: the controller may be drilling already.
bool CConsoleDlg::MayChooseHole() const {
    const bool drillAsked = m_bPauseReq == 0 && m_nNextStep == NextStep::StartDrilling && m_bStartSent == 1;
    return m_nState == RunState::Idle && !drillAsked;
}

// While the run waits to start drilling (its arrival wait just over), the
// drilling belongs to the hole arrived at: the run goes back to moving, so
// the new hole gets its own arrival check before anything drills.
void CConsoleDlg::MoveToChosenHole() {
    // A hole chosen by hand after the end is drilled again on start.
    m_bJobComplete = 0;
    const bool startPending = m_bPauseReq == 0 && m_nNextStep == NextStep::StartDrilling;
    const bool moved = MoveToHole();
    SelectHoleInList();
    if (!startPending) {
        m_bHoleChosen = 1;
        return;
    }
    m_nState = RunState::Positioning;
    m_bStartSent = 0;
    if (!moved) PauseAfterFailedMove();
}

void CConsoleDlg::OnSetPauseHole() { m_nPauseHole = View().ListGetCurSel(ids::IDC_HOLE_LIST) + 1; }

void CConsoleDlg::OnSyncToggle() {
    if (m_nState == RunState::Positioning || m_nState == RunState::Machining) return;
    m_bSyncOnly = m_bSyncOnly ? 0 : 1;
    View().SetButtonPicture(ids::IDC_SYNC, m_bSyncOnly ? res::IDB_SYNC_ON : res::IDB_SYNC_OFF);
}

void CConsoleDlg::SelectHoleInList() {
    View().ListSetCurSel(ids::IDC_HOLE_LIST, m_nCurHole - 1);
    View().ListSetCurSel(ids::IDC_HOLE_LIST, m_nCurHole + 4);
    View().ListSetCurSel(ids::IDC_HOLE_LIST, m_nCurHole - 1);
}

bool CConsoleDlg::AdvanceToNextHole() {
    if (m_nState != RunState::Idle || m_nCurHole >= m_nHoleCount) return true;
    ++m_nCurHole;
    const bool moved = MoveToHole();
    SelectHoleInList();
    RenderView();
    return moved;
}

}  // namespace ks::app
