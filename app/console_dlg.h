#pragma once
// CConsoleDlg: the logic of the console's main window (template 102). It
// owns the Modbus master, the hole table of the loaded job and the status
// and run members; its window (Qt, or the fake in tests) shows what it sets
// and routes clicks, keys, timer ticks and paints here.
//
// The operations are spread over files by concern:
//   console_dlg.cpp       construction, start-up (settings, then the link), paint, keys, size, wheel
//   console_settings.cpp  LoadSettings / SaveSettings
//   console_commands.cpp  WriteRegs and every controller command
//   console_status.cpp    the status tick, status read and the displays
//   console_job.cpp       job loading glue and the hole list
//   console_run.cpp       the run sequencer and hole navigation
//   console_panels.cpp    the panel launchers
//   console_link.cpp      the link going down and coming back
//   console_outage.cpp    stops kept through a loss, the place checked after it
//   console_notices.cpp   what the operator is told: a start that cannot go,
//                         a job complete, a new job, a link that is down
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/job_record.h"
#include "app/link_safety.h"
#include "app/link_watch.h"
#include "app/shop_observer.h"
#include "app/status_bits.h"
#include "jobfiles/job_loader.h"
#include "link/modbus_master.h"
#include "panels/machine_param_dlg.h"
#include "panels/machining_param_dlg.h"
#include "panels/positioning_dlg.h"
#include "platform/clock.h"
#include "ui/dialog.h"
#include "view/hole_map.h"

namespace ks::app {

class CConsoleDlg : public ks::ui::Dialog {
public:
    // The driver and clock reach the Modbus master; the two panels are the
    // program-wide instances; settingsFolder holds KSConfig.ini (empty: the
    // program's folder). map draws the hole map; null draws nothing.
    CConsoleDlg(SerialDriver& driver, Clock& clock, panels::CPositioningDlg& positioning,
                panels::CMachiningParamDlg& machining, std::string settingsFolder,
                view::MapSurface* map = nullptr);
    ~CConsoleDlg() override;

    void SetMapSurface(view::MapSurface* map) { m_pMap = map; }
    // The program-wide machine settings panel, opened by button 1003.
    void SetMachinePanel(panels::CMachineParamDlg* panel) { m_pMachinePanel = panel; }
    Clock& GetClock() { return m_clock; }
    // The shop's publisher, told of every tick and record line; null: none.
    void SetShopObserver(ShopObserver* observer) {
        m_pShop = observer;
        m_record.SetObserver(observer);
    }
    panels::CPositioningDlg& Positioning() { return m_posPanel; }
    panels::CMachiningParamDlg& Machining() { return m_paramPanel; }

    // --- Window events ------------------------------------------------
    // Settings only: the link's start-up waits on the line, so it runs from
    // the one-shot timer TIMER_LINK_START once the window is up.
    bool OnInitDialog() override;
    void OnPaint() override;
    void OnTimer(int timerId) override;
    void OnSize(bool restored) override;
    void OnMouseWheel(int delta) override;
    bool PreTranslateMessage(const ks::ui::Message& msg) override;
    std::optional<ks::ui::ControlStyle> OnCtlColor(int controlId, ks::ui::CtlColorKind kind) override;

    // --- Settings (console_settings.cpp) -------------------------------
    void LoadSettings();
    void SaveSettings();
    // The machining parameters last sent (keys of ours), into the panel's
    // fields; each group written once it arrived whole.
    void LoadSentMachining();
    void SaveSentSegment();
    void SaveSentDepthLimits();
    void SaveSentLiftHeight();

    // --- Job loading (console_job.cpp) ----------------------------------
    void LoadJob();
    void FillHoleList();
    // Clears the hole list, loads m_strJobPath and fills the list again.
    void ReloadJob();

    // --- Controller commands (console_commands.cpp) ---------------------
    // Up to six attempts 500 ms apart; true when one of them succeeded.
    // Callers carry on either way, as if the write had arrived.
    bool WriteRegs(uint16_t address, uint16_t count, const uint8_t* src);
    // The two transfers everything goes through (none while the link is
    // down, but for its probe).
    ModbusResult ReadRegisters(uint16_t start, uint16_t count, uint8_t* dest);
    ModbusResult WriteRegisters(uint16_t start, uint16_t count, const uint8_t* src);
    bool SendCommand(uint8_t code);
    void StartDrill();
    void Heartbeat();
    // Relative move to hole m_nCurHole. False when the hole lies outside the
    // table or the move did not reach the controller.
    bool MoveToHole();
    void StepJog(ks::panels::JogAxis axis, uint8_t positive);
    void ContinuousJog(ks::panels::JogAxis axis, uint8_t positive);
    // The three stops: one that does not arrive is kept (m_stops) and sent
    // again when the link is back.
    void StopJog();
    void StopMotion();
    void StopMachining();
    void SetSpeed(int32_t level);
    // The setters of values: true when the value and the command arrived.
    bool SetCoordinate(int32_t axis, int32_t value);
    bool SetPulseWidth(int32_t v);
    bool SetPulseInterval(int32_t v);
    bool SetPowerAmp(int32_t v);
    bool SetCapacitance(int32_t v);
    bool SetVoltage(int32_t v);
    bool SetMachSpeed(int32_t v);
    bool SetVoltageFlag(bool on);
    bool SegmentParamsComplete();
    bool SetLiftHeight(int32_t v);
    bool SetDepthUpper(int32_t v);
    bool SetDepthLower(int32_t v);
    // Buttons 1032, 1033, 1034, 1036, 1031, 1037.
    void OnPumpButton();
    void OnHeadButton();
    void OnHfButton();
    void OnDrillButton();
    void OnLockButton();
    void OnAbortButton();

    // --- Status tick (console_status.cpp) -------------------------------
    // Reads the status block and shows it (members, pictures, positions).
    bool ReadStatus();
    // Does what the last tick's read asked: the controller's pause request,
    // saving a changed axis lock.
    void ActOnStatus();
    // The status block read and decoded for a caller that only needs to
    // look (did a command arrive?): nothing is shown or acted on, so a read
    // in the middle of a command cannot pause the run or save settings
    // behind the caller's back. Up to three reads, like a move's.
    bool PeekStatus(StatusBits* out);
    void ReadSignal();
    void ForwardPresets();
    void ForwardPositioning();
    void ForwardMachining();
    void ShowPositions();
    void ShowStatusLine();
    void ShowCompletion();
    void ShowCommResult(ModbusResult result);
    void ShowPortOpenError();

    // --- Notices (console_notices.cpp) ------------------------------------
    // Why start found no hole to go to, on the status line; false when it
    // may go.
    bool RefuseStart(bool resume, int64_t target);
    // The last hole is finished: the job ends and says so.
    void FinishJob();
    std::string JobCompleteText() const;
    // Another job file was chosen: its holes start undone at hole 1.
    void NewJobChosen();
    // While the link is down the last values read are old: the position
    // rows and the switch pictures are shown greyed, drilling not as on.
    void ShowLinkStale();
    bool StaleShown() const { return m_bShownStale == 1; }
    // The communication label while the link is down, the last failure in
    // its tooltip.
    void ShowLinkDown(ModbusResult lastFailure);
    // The port chosen in the machine settings panel changed: the link is
    // taken down and the probe opens the new port, as after a loss.
    void SwitchPort();

    // --- Link state (console_link.cpp, console_outage.cpp) ------------------
    // The start-up's link work: open the port, read the status twice, start
    // the status timer, send the speed level and the axis lock.
    void StartLink();
    // The tick's work while the link is down: reopen the port when it is
    // closed and read the status, once a second.
    void ProbeLink();
    // A run under way stops as the pause button stops it, with the reason
    // on the status line.
    void PauseForLostLink();
    // The controller answers again and may have restarted: the start-up's
    // speed level and axis lock go out again.
    void OnLinkBack();
    // The axis lock as the settings keep it (start-up and link return).
    void SendLockAsSaved();
    // Started and neither paused nor ended.
    bool RunUnderWay() const;
    // Paused or idle, nothing pending: what the panels that take over the
    // machine or the job wait for. A click that waited behind a wait on the
    // line is judged in the state after the wait, and the run's own arrival
    // wait ends in state 1 with the drilling still to come.
    bool RunStands() const { return m_nState == RunState::Idle && !RunUnderWay(); }
    // The link just went down: what the return will need.
    void NoteLinkLoss();
    // Sends the stops kept through a loss and reads the status; true when
    // none is left and the link stayed up.
    bool SendPendingStops();
    // On the return: the machine must stand where the console last saw it
    // (or where its last move went), else the coordinates are in doubt.
    void CheckPlaceAfterOutage();
    // A preset of X or Y arrived; both clear a doubt about the coordinates.
    void NotePresetArrived(int32_t axis);
    // The hole that was drilled when the link went: done when the
    // controller finished it meanwhile (`finished`, as the return's first
    // status read showed it).
    void SettleHoleAfterOutage(bool finished);
    // The job record's lines (job_record.h).
    RecordLine RecordFor(RecordEvent event, int32_t hole) const;
    void Record(RecordEvent event, int32_t hole, std::optional<PauseCause> cause = std::nullopt);
    void RecordSkipped(int32_t from, int32_t to);
    void WriteRecord(const RecordLine& line);
    const LinkWatch& Link() const { return m_link; }
    // The operator's word on why the run paused, or on a resume point that
    // could not be saved; shown at once and with every status line.
    void SetPauseReason(const std::string& reason);

    // --- Run control (console_run.cpp) -----------------------------------
    void RunSequencerStep();
    // Whether a finished bit read now means this hole is finished: only when
    // the reads since the move to the hole saw its drilling bit, or saw the
    // finished bit clear. Some controllers keep the finished bit from the
    // previous hole until drilling really starts.
    bool HoleFinishedHere(uint8_t finished) const {
        return finished == 1 && (m_bDrillSeen == 1 || m_bFinishSeenClear == 1);
    }
    // A read of its own shows the finished bit again (console_run.cpp).
    bool FinishConfirmed();
    void OnStartButton();
    void OnPauseButton();
    void OnResetButton();
    void EndJob();
    void OnPrevHole();
    void OnNextHole();
    void OnSkipToHole();
    void OnSetPauseHole();
    // Previous, next and skip: allowed, and the move they make.
    bool MayChooseHole() const;
    void MoveToChosenHole();
    void OnSyncToggle();
    void SelectHoleInList();
    // False when a move was due but did not reach the controller.
    bool AdvanceToNextHole();
    // Done mark, resume point and settings for the hole the controller
    // finished.
    void MarkCurrentHoleDone();
    // The pause button's work, for a reason of the console's or the operator's.
    void PauseRun(PauseCause cause);
    const JobRecord& Records() const { return m_record; }

    // --- Panel launchers (console_panels.cpp), buttons 1000..1004 --------
    void OnFileProcess();
    void ReloadSettingsAfterPanel();
    void OnMachiningParam();
    void OnPositioning();
    void OnMachineParam();
    void OnSystemInfo();
    // Command 16 of the window menu: the about box.
    void OnAbout();
    // Command 32 of the window menu: the current job's report, written
    // beside its record and opened in the desktop's browser
    // (console_report.cpp).
    void OnJobReport();

    // --- Hole map ---------------------------------------------------------
    // Centring by the view type, then a draw (paint, run control, reset).
    void RenderView();
    // A draw without re-centring (the slow group of the tick, visit-only).
    void RedrawMap();
    view::MapInput MapInputNow() const;

    // --- Members ------------------------------------------------------------
    std::unique_ptr<CModbusMaster> m_pModbus;

    HoleSlots m_Hole{};
    int32_t m_nHoleCount = 0;
    int32_t m_nCurHole = 0;

    uint8_t m_bMoving = 0;
    uint8_t m_bDrilling = 0;
    uint8_t m_bHfOn = 0;
    uint8_t m_bPumpOn = 0;
    uint8_t m_bHeadOn = 0;
    uint8_t m_bFinshJG = 0;
    uint8_t m_bFirstPaintDone = 0;
    std::string m_strIniPath;
    std::string m_strJobPath;
    float m_fPosX = 0, m_fPosY = 0, m_fPosZ = 0;
    int32_t m_nPosX = 0, m_nPosY = 0, m_nPosZ = 0;
    uint8_t m_bAxisLocked = 0;
    int32_t m_nLockMotor = 0;
    std::string m_strLockMotor;
    std::string m_strHole;
    int32_t m_nHoleDone = 0;
    uint8_t m_bNeedRepaint = 0;
    uint16_t m_wCommResult = 0;
    RunState m_nState = RunState::Starting;
    NextStep m_nNextStep = NextStep::Starting;
    int32_t m_nComPort = 0;
    int32_t m_nSpeedLevel = 0;
    uint8_t m_bPosPanelOpen = 0;
    uint8_t m_bParamPanelOpen = 0;
    uint8_t m_nSignalCode = 0;

    // What status reads showed since the last move to a hole (see
    // HoleFinishedHere).
    uint8_t m_bDrillSeen = 0;
    uint8_t m_bFinishSeenClear = 0;
    LinkWatch m_link;
    uint8_t m_bProbing = 0;
    uint8_t m_bSkipped = 0;  // the last transfer was not made: the link is down
    int32_t m_nLostWhileDrilling = 0;  // the hole drilled when the link went (0: none)
    int m_nSilentProbes = 0;            // probes in a row on an open port without an answer
    JobRecord m_record;
    std::string m_strRecordProblem;
    uint8_t m_bDrillTimed = 0;  // the current hole's drilling start is known
    uint32_t m_nDrillStartTick = 0;
    int32_t m_nDrillStartZ = 0;
    int32_t m_nLockAtLoss = 0;          // m_nLockMotor when the link went down
    uint8_t m_bLinkStarted = 0;         // the start-up's link work has run
    PendingStops m_stops;
    uint8_t m_bPlaceKnown = 0;          // a status read has shown the position
    std::optional<Place> m_placeAtLoss;  // the position last read before the loss
    std::optional<Place> m_moveTarget;   // where the last move to a hole went
    PlaceDoubt m_placeDoubt;
    PortOpenError m_eToldPortError = PortOpenError::None;
    uint8_t m_bShownStale = 0;          // the displays show the link's loss
    // Left by the last status read for ActOnStatus.
    uint8_t m_bLockChanged = 0;
    uint8_t m_bPauseAsked = 0;
    // Shown after the state on the status line while it applies.
    std::string m_strPauseReason;
    std::string m_strSaveProblem;

    // Run control.
    int32_t m_nPauseHole = 0;
    uint8_t m_bPauseReq = 0;
    uint8_t m_bHoleChosen = 0;
    uint8_t m_bMoveIssued = 0;
    uint8_t m_bSyncOnly = 0;
    uint8_t m_bJobComplete = 0;  // the job ran to its last hole; 复位 starts it again

    // The hole map's scene model holds the view settings; the members below
    // are the window's names for them.
    view::HoleMap m_map;
    int32_t& m_nViewType = m_map.m_nViewType;
    int32_t& m_nViewScale = m_map.m_nViewScale;
    int32_t& m_nViewOffX = m_map.m_nViewOffX;
    int32_t& m_nViewOffY = m_map.m_nViewOffY;

    // State kept between ticks (per window, so two windows never share it).
    int32_t m_nTick = 0;
    uint8_t m_bLastJogging = 0;
    uint8_t m_bStartSent = 0;
    int32_t m_nShownX = kNeverShown;
    int32_t m_nShownY = kNeverShown;
    int32_t m_nShownZ = kNeverShown;
    static constexpr int32_t kNeverShown = -9000081;

private:
    class HeldMessages;
    // The job file read into a table of its own; the window's table and
    // count take it over whole. Its messages are left in `held`.
    void ReadJobWhole(HeldMessages& held);
    void MapCommands();
    void ApplyStatusBlock(const StatusBits& st);
    ModbusResult WriteAttempts(uint16_t address, uint16_t count, const uint8_t* src,
                               const std::function<bool()>& repeatIsWrong);
    // Notes what a successful read shows of the current hole's drilling.
    void NoteDrillEvidence(const StatusBits& st);
    // Command 40 after its vector arrived: sent again only while a status
    // read shows the machine neither moving nor moved from the position last
    // read, since a move whose answer alone was lost would otherwise be made
    // twice. True when the move is known to have arrived.
    bool ExecuteMove();
    bool HoleInTable(int32_t hole) const { return hole >= 0 && hole < kHoleSlots; }
    bool StopLost(bool sent) const;
    // The move after which a run pauses when its writes did not arrive.
    void PauseAfterFailedMove();

    SerialDriver& m_driver;
    Clock& m_clock;
    panels::CPositioningDlg& m_posPanel;
    panels::CMachiningParamDlg& m_paramPanel;
    std::string m_settingsFolder;
    view::MapSurface* m_pMap = nullptr;
    panels::CMachineParamDlg* m_pMachinePanel = nullptr;
    ShopObserver* m_pShop = nullptr;
};

}  // namespace ks::app
