// The status tick: status read and decoding, forwarding of the panels'
// requests, the position display, status line, completion rate and the
// communication label.
#include <cmath>
#include <cstdlib>

#include "app/console_dlg.h"
#include "app/console_texts.h"
#include "link/register_map.h"
#include "platform/textnum.h"
#include "res/ids.h"

namespace ks::app {

namespace ids = ks::res::console;

void CConsoleDlg::OnTimer(int timerId) {
    if (timerId == ids::TIMER_LINK_START && m_bLinkStarted == 0) {
        View().KillTimer(ids::TIMER_LINK_START);
        StartLink();
        return;
    }
    if (timerId != ids::TIMER_STATUS) return;

    // While the link is down the tick makes one probe a second and
    // otherwise only keeps the displays; a run in progress is paused. The
    // pause comes before the probe: a loss late in the last tick (its
    // heartbeat, the sequencer's commands) that this probe finds over at
    // once still pauses the run.
    if (m_link.Down()) PauseForLostLink();
    if (m_link.Down()) {
        ProbeLink();
    } else if (ReadStatus()) {
        ActOnStatus();
    }
    if (m_link.Down()) {
        PauseForLostLink();
    } else if (m_stops.Any()) {
        SendPendingStops();
    }
    ShowLinkStale();
    ForwardPresets();
    if (m_bPosPanelOpen == 1) ForwardPositioning();
    if (m_bParamPanelOpen == 1) ForwardMachining();
    RunSequencerStep();
    ShowPositions();

    if (m_nTick >= 5) {
        m_nTick = 0;
        ShowCompletion();
        ShowStatusLine();
        ReadSignal();
        RedrawMap();
    } else {
        ++m_nTick;
        if (m_nTick == 1 || m_nTick == 3 || m_nTick == 5) Heartbeat();
    }

    if (m_bNeedRepaint == 1) {
        m_bNeedRepaint = 0;
        View().Invalidate(true);
    }
    View().SetTimer(ids::TIMER_STATUS, m_nState == RunState::Machining ? 100 : 60);
    if (m_pShop != nullptr) m_pShop->OnTick(*this);
}

bool CConsoleDlg::ReadStatus() {
    uint8_t block[2 * kStatusBlockCount];
    m_wCommResult = ReadRegisters(kRegStatus0, kStatusBlockCount, block);
    const bool ok = m_wCommResult == kMbOk;
    if (ok) ApplyStatusBlock(DecodeStatus(block));
    ShowCommResult(m_wCommResult);
    return ok;
}

bool CConsoleDlg::PeekStatus(StatusBits* out) {
    static constexpr uint32_t kPauses[] = {100, 200};
    for (int attempt = 0;; ++attempt) {
        uint8_t block[2 * kStatusBlockCount];
        const ModbusResult result = ReadRegisters(kRegStatus0, kStatusBlockCount, block);
        ShowCommResult(result);
        if (result == kMbOk) {
            *out = DecodeStatus(block);
            NoteDrillEvidence(*out);
            return true;
        }
        if (attempt >= 2 || m_link.Down()) return false;
        m_clock.Sleep(kPauses[attempt]);
    }
}

void CConsoleDlg::NoteDrillEvidence(const StatusBits& st) {
    if (st.drilling) m_bDrillSeen = 1;
    if (!st.finished) m_bFinishSeenClear = 1;
}

void CConsoleDlg::ApplyStatusBlock(const StatusBits& st) {
    NoteDrillEvidence(st);
    m_bPlaceKnown = 1;
    m_fPosX = static_cast<float>(st.x);
    m_fPosY = static_cast<float>(st.y);
    m_fPosZ = static_cast<float>(st.z);
    m_nPosX = TruncToInt32(m_fPosX);
    m_nPosY = TruncToInt32(m_fPosY);
    m_nPosZ = TruncToInt32(m_fPosZ);
    m_posPanel.m_nCurX = m_nPosX;
    m_posPanel.m_nCurY = m_nPosY;
    m_posPanel.m_nCurZ = m_nPosZ;

    m_bMoving = st.moving;
    if (st.drilling != m_bDrilling) {
        m_bDrilling = st.drilling;
        View().SetButtonPicture(ids::IDC_DRILL, st.drilling ? res::IDB_DRILL_ON : res::IDB_DRILL_OFF);
    }
    m_bFinshJG = st.finished;

    m_nLockMotor = st.locked;
    if (st.locked != m_bAxisLocked) {
        m_bAxisLocked = st.locked;
        View().SetButtonPicture(ids::IDC_LOCK, st.locked ? res::IDB_LOCKED : res::IDB_UNLOCKED);
        m_bLockChanged = 1;
    }
    m_bPauseAsked = st.pauseRequest;

    if (st.pump != m_bPumpOn) {
        m_bPumpOn = st.pump;
        View().SetButtonPicture(ids::IDC_PUMP, st.pump ? res::IDB_PUMP_ON : res::IDB_PUMP_OFF);
    }
    if (st.head != m_bHeadOn) {
        m_bHeadOn = st.head;
        View().SetButtonPicture(ids::IDC_HEAD, st.head ? res::IDB_HEAD_ON : res::IDB_HEAD_OFF);
    }
    if (st.hf != m_bHfOn) {
        m_bHfOn = st.hf;
        View().SetButtonPicture(ids::IDC_HF, st.hf ? res::IDB_HF_ON : res::IDB_HF_OFF);
    }
}

// What a status read asks of the console, done once per tick by the tick's
// own read: a read in the middle of another operation only looks.
void CConsoleDlg::ActOnStatus() {
    if (m_bLockChanged == 1) {
        m_bLockChanged = 0;
        SaveSettings();
    }
    if (m_bPauseAsked == 1) {
        m_bPauseAsked = 0;
        PauseRun(PauseCause::ControllerRequest);
        SendCommand(kCmdAckPause);
    }
}

void CConsoleDlg::ReadSignal() {
    uint8_t value[2];
    m_wCommResult = ReadRegisters(kRegSignal, 1, value);
    if (m_wCommResult == kMbOk) m_nSignalCode = value[1];
    ShowCommResult(m_wCommResult);
}

void CConsoleDlg::ForwardPresets() {
    panels::CPositioningDlg& p = m_posPanel;
    if (p.m_bSetX == 1) {
        if (SetCoordinate(1, p.m_nSetX)) NotePresetArrived(1);
        p.m_bSetX = 0;
    }
    if (p.m_bSetY == 1) {
        if (SetCoordinate(2, p.m_nSetY)) NotePresetArrived(2);
        p.m_bSetY = 0;
    }
    if (p.m_bSetZ == 1) {
        SetCoordinate(3, p.m_nSetZ);
        p.m_bSetZ = 0;
    }
}

void CConsoleDlg::ForwardPositioning() {
    panels::CPositioningDlg& p = m_posPanel;
    if (p.m_bJogging != m_bLastJogging) {
        if (p.m_bJogging == 1) {
            if (p.m_nSpeedMode == 1) {
                StepJog(p.m_nJogAxis, p.m_bJogPositive);
            } else {
                ContinuousJog(p.m_nJogAxis, p.m_bJogPositive);
            }
        } else if (p.m_bJogging == 0) {
            StopJog();
        }
        m_bLastJogging = p.m_bJogging;
    }
    // Left set on purpose: the speed goes out on every tick while the panel
    // is open.
    if (p.m_bSpeedChanged == 1) {
        switch (p.m_nSpeedMode) {
            case 2: SetSpeed(1); break;
            case 3: SetSpeed(3); break;
            case 4: SetSpeed(5); break;
            default: break;
        }
    }
}

// Each flag is cleared before its sends, so a failed download is not
// repeated on every tick. A group that arrived whole is kept as what the
// controller holds.
void CConsoleDlg::ForwardMachining() {
    panels::CMachiningParamDlg& m = m_paramPanel;
    if (m.m_bSegParamChanged == 1) {
        m.m_bSegParamChanged = 0;
        // Never a group with a value outside its range (zeros of a panel
        // that was never filled in): the panel refuses such a group, and
        // this holds whatever raised the flag.
        if (m.SegmentComplete()) {
            bool arrived = SetPulseWidth(m.m_nPulseWidth);
            arrived = SetPulseInterval(m.m_nPulseInterval) && arrived;
            arrived = SetPowerAmp(m.m_nPowerAmp) && arrived;
            arrived = SetCapacitance(m.m_nCapacitance) && arrived;
            arrived = SetVoltage(m.m_nVoltage) && arrived;
            arrived = SetMachSpeed(m.m_nMachSpeed) && arrived;
            arrived = SetVoltageFlag(m.m_nVoltage != 1) && arrived;
            arrived = SegmentParamsComplete() && arrived;
            if (arrived) SaveSentSegment();
        }
    }
    if (m.m_bDepthLimitChanged == 1) {
        m.m_bDepthLimitChanged = 0;
        const bool upper = SetDepthUpper(m.m_nDepthUpper);
        if (SetDepthLower(m.m_nDepthLower) && upper) SaveSentDepthLimits();
    }
    if (m.m_bLiftHeightChanged == 1) {
        m.m_bLiftHeightChanged = 0;
        if (SetLiftHeight(m.m_nLiftHeight)) SaveSentLiftHeight();
    }
}

namespace {

// ".ddd" of a magnitude in micrometres.
std::string Decimals(int64_t magnitude) {
    return "." + FormatInt(magnitude % 1000 / 100) + FormatInt(magnitude % 100 / 10) + FormatInt(magnitude % 10);
}

// The integer millimetres. Between -1 mm and 0 the truncated value is 0 and
// would lose the sign, so it shows as "-0".
std::string WholeMillimetres(int64_t whole, bool negative) {
    return (whole == 0 && negative) ? std::string("-0") : FormatInt(whole);
}

}  // namespace

void CConsoleDlg::ShowPositions() {
    if (m_nPosX != m_nShownX) {
        View().SetItemText(ids::IDC_X_DEC, Decimals(std::llabs(static_cast<int64_t>(m_nPosX))));
        View().SetItemText(ids::IDC_X_INT, WholeMillimetres(m_nPosX / 1000, m_nPosX < 0));
        m_nShownX = m_nPosX;
    }
    if (m_nPosY != m_nShownY) {
        View().SetItemText(ids::IDC_Y_DEC, Decimals(std::llabs(static_cast<int64_t>(m_nPosY))));
        View().SetItemText(ids::IDC_Y_INT, WholeMillimetres(m_nPosY / 1000, m_nPosY < 0));
        m_nShownY = m_nPosY;
    }
    // Z is shown from the float position.
    if (static_cast<double>(m_fPosZ) != static_cast<double>(m_nShownZ)) {
        const double z = m_fPosZ;
        const double magnitude = std::trunc(std::fabs(z));
        const int64_t a = magnitude < 9.0e18 ? static_cast<int64_t>(magnitude) : 0;
        View().SetItemText(ids::IDC_Z_DEC, Decimals(a));
        View().SetItemText(ids::IDC_Z_INT, WholeMillimetres(TruncToInt32(z * 0.001), z < 0));
        m_nShownZ = TruncToInt32(z);
    }
}

void CConsoleDlg::ShowStatusLine() {
    std::string state;
    switch (m_nState) {
        case RunState::Idle: state = ConsoleText(kTextStateIdle); break;
        case RunState::Positioning: state = ConsoleText(kTextStatePositioning); break;
        case RunState::Machining: state = ConsoleText(kTextStateMachining); break;
        default: break;
    }
    const std::string pauseHole = m_nPauseHole > 0 ? FormatInt(m_nPauseHole) : "0";
    // A notice of ours takes the room of the leading tabs and goes before
    // the signal part (only blanks when no signal is up), so that it is not
    // pushed out of the field.
    // Coordinates in doubt stand above why the run paused: nothing goes on
    // before they are set again.
    std::string notice = m_placeDoubt.active ? ConsoleText(kTextPlaceChanged) : m_strPauseReason;
    for (const std::string* problem : {&m_strSaveProblem, &m_strRecordProblem})
        if (!problem->empty()) notice += (notice.empty() ? "" : "  ") + *problem;
    std::string signal = SignalText(m_nSignalCode);
    std::string lead = "\t\t";
    if (!notice.empty()) {
        notice = " " + notice;
        lead.clear();
        if (signal.find_first_not_of(' ') == std::string::npos) signal.clear();
    }
    View().SetItemText(ids::IDC_STATUS_LINE, lead + state + pauseHole + notice + signal);
}

void CConsoleDlg::SetPauseReason(const std::string& reason) {
    if (reason == m_strPauseReason) return;
    m_strPauseReason = reason;
    ShowStatusLine();
}

void CConsoleDlg::ShowCompletion() {
    const int32_t c = m_nCurHole;
    const int32_t n = m_nHoleCount;
    std::string text;
    // A job that ran to its end is complete though the current hole is 0
    // again; without a job nothing is complete.
    if (m_bJobComplete == 1) {
        text = "100.00";
    } else if (n <= 0) {
        text = "0.00";
    } else if (c >= 0 && c < n) {
        text = FormatFixed(static_cast<double>(c) / n * 100.0, 2);
    } else if (c == n) {
        text = "100.00";
    } else {
        text = "0.00";
    }
    View().SetItemText(ids::IDC_RATE_LABEL, Fill(ConsoleText(kTextCompletion), {text}));
}

// While the link is down the label keeps what the loss and the probes
// showed; the transfers skipped meanwhile have nothing new to say.
void CConsoleDlg::ShowCommResult(ModbusResult result) {
    if (m_bSkipped && result != kMbOk) return;
    if (m_link.Down() && result != kMbOk) {
        ShowLinkDown(result);
        return;
    }
    View().SetItemText(ids::IDC_COMM_LABEL, CommResultText(result, m_nComPort));
}

}  // namespace ks::app
