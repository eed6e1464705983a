// What a loss of the link leaves for its return: the stops that could not
// be sent, and the place the machine stood, against which the return checks
// that the controller still counts the same coordinates.
#include <cstdio>

#include "app/console_dlg.h"
#include "app/console_texts.h"
#include "link/register_map.h"

namespace ks::app {

void CConsoleDlg::NoteLinkLoss() {
    m_nLockAtLoss = m_nLockMotor;
    m_placeAtLoss.reset();
    if (m_bPlaceKnown == 1) m_placeAtLoss = Place{m_nPosX, m_nPosY};
    // A continuous jog runs on until it is told to stop; the release of its
    // button may never reach the controller, so it is stopped on the return
    // whatever the panel shows by then.
    if (m_bLastJogging == 1 && m_posPanel.m_nSpeedMode != 1) m_stops.jog = true;
}

// In the order jog, motion, drilling; then a status read must show them
// done. The motion stop's 1 um move is a move of its own, so that stop is
// done once it went out; it is only sent while the axes are seen moving.
// The read only looks: on a return it would show the restarted
// controller's own lock, which the return sends again as the operator had
// it.
bool CConsoleDlg::SendPendingStops() {
    if (!m_stops.Any()) return true;
    if (m_stops.jog) {
        StopJog();
        // A button still held starts no jog until it is pressed again.
        m_bLastJogging = m_bPosPanelOpen == 1 ? m_posPanel.m_bJogging : 0;
    }
    if (m_stops.motion) {
        m_stops.motion = false;
        if (m_bMoving == 1) StopMotion();
    }
    if (m_stops.drilling) StopMachining();
    StatusBits st;
    if (m_link.Down() || !PeekStatus(&st)) return false;
    if (st.moving == 0) m_stops.jog = false;
    if (st.drilling == 0) m_stops.drilling = false;
    return !m_stops.Any();
}

// A controller that was switched off counts from zero again when it comes
// back, and an axis moved by hand meanwhile puts the machine elsewhere;
// either way the rest of the job would be drilled off its places. Where the
// machine stands now must be where it stood at the loss, or where the last
// move to a hole was taking it.
void CConsoleDlg::CheckPlaceAfterOutage() {
    if (!m_placeAtLoss) return;
    const Place now{m_nPosX, m_nPosY};
    if (SamePlace(now, *m_placeAtLoss) || (m_moveTarget && SamePlace(now, *m_moveTarget))) return;
    m_placeDoubt = PlaceDoubt{true, false, false};
    if (RunUnderWay()) {
        PauseRun(PauseCause::PlaceChanged);
    } else if (m_nCurHole > 0) {
        Record(RecordEvent::Paused, m_nCurHole, PauseCause::PlaceChanged);
    }
    ShowStatusLine();
    std::fprintf(stderr,
                 "kestrane: back after the link's loss, the controller reads X %d Y %d um, before it X %d Y %d um; "
                 "start waits until X and Y are set again\n",
                 now.x, now.y, m_placeAtLoss->x, m_placeAtLoss->y);
}

// The operator's deliberate step after a doubt: X and Y set again in the
// positioning panel (typed, zeroed, halved, or confirmed as shown), so the
// controller's coordinates are the operator's again before anything drills.
void CConsoleDlg::NotePresetArrived(int32_t axis) {
    if (!m_placeDoubt.active) return;
    if (axis == 1) m_placeDoubt.xSet = true;
    if (axis == 2) m_placeDoubt.ySet = true;
    if (!m_placeDoubt.xSet || !m_placeDoubt.ySet) return;
    m_placeDoubt = PlaceDoubt{};
    ShowStatusLine();
}

}  // namespace ks::app
