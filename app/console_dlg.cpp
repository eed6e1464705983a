// Construction, start-up, the first paint's job load, keys, size and wheel.
#include "app/console_dlg.h"

#include <cstdio>
#include <filesystem>

#include "app/about_dlg.h"
#include "app/console_texts.h"
#include "link/register_map.h"
#include "platform/program_folder.h"
#include "platform/textnum.h"
#include "res/ids.h"
#include "settings/keys.h"

namespace ks::app {

namespace ids = ks::res::console;

CConsoleDlg::CConsoleDlg(SerialDriver& driver, Clock& clock, panels::CPositioningDlg& positioning,
                         panels::CMachiningParamDlg& machining, std::string settingsFolder,
                         view::MapSurface* map)
    : Dialog(ks::res::IDD_CONSOLE),
      m_driver(driver),
      m_clock(clock),
      m_posPanel(positioning),
      m_paramPanel(machining),
      m_settingsFolder(settingsFolder.empty() ? ProgramFolder() : std::move(settingsFolder)),
      m_pMap(map) {
    MapCommands();
}

CConsoleDlg::~CConsoleDlg() = default;

void CConsoleDlg::MapCommands() {
    MapCommand(ids::IDC_FILE_PROCESS, [this] { OnFileProcess(); });
    MapCommand(ids::IDC_MACHINING_PARAM, [this] { OnMachiningParam(); });
    MapCommand(ids::IDC_POSITIONING, [this] { OnPositioning(); });
    MapCommand(ids::IDC_MACHINE_PARAM, [this] { OnMachineParam(); });
    MapCommand(ids::IDC_SYSTEM_INFO, [this] { OnSystemInfo(); });
    MapCommand(ids::IDC_PUMP, [this] { OnPumpButton(); });
    MapCommand(ids::IDC_HEAD, [this] { OnHeadButton(); });
    MapCommand(ids::IDC_HF, [this] { OnHfButton(); });
    MapCommand(ids::IDC_DRILL, [this] { OnDrillButton(); });
    MapCommand(ids::IDC_LOCK, [this] { OnLockButton(); });
    MapCommand(ids::IDC_ABORT, [this] { OnAbortButton(); });
    MapCommand(ids::IDC_START, [this] { OnStartButton(); });
    MapCommand(ids::IDC_PAUSE, [this] { OnPauseButton(); });
    MapCommand(ids::IDC_RESET, [this] { OnResetButton(); });
    MapCommand(ids::IDC_PREV_HOLE, [this] { OnPrevHole(); });
    MapCommand(ids::IDC_NEXT_HOLE, [this] { OnNextHole(); });
    MapCommand(ids::IDC_SKIP_HOLE, [this] { OnSkipToHole(); });
    MapCommand(ids::IDC_SET_PAUSE_HOLE, [this] { OnSetPauseHole(); });
    MapCommand(ids::IDC_SYNC, [this] { OnSyncToggle(); });
    // The about and job report items of the window menu.
    MapCommand(ks::res::IDM_ABOUTBOX, [this] { OnAbout(); });
    MapCommand(ks::res::IDM_JOBREPORT, [this] { OnJobReport(); });
}

void CConsoleDlg::OnAbout() {
    CAboutDlg about;
    View().RunModal(about);
}

// A technician's first question when the link is down is why the port did
// not open; the label keeps its text, the reason goes beside it.
void CConsoleDlg::ShowPortOpenError() {
    const PortOpenError error = m_pModbus ? m_pModbus->LastOpenError() : PortOpenError::None;
    View().SetItemToolTip(ids::IDC_COMM_LABEL, ConsoleText(PortOpenErrorTip(error)));
    // Said once for a run of equal failures: the console retries every second.
    if (error == m_eToldPortError) return;
    m_eToldPortError = error;
    if (error == PortOpenError::None) return;
    const std::string why = DescribePortOpenError(error, m_pModbus->LastOpenErrno());
    std::fprintf(stderr, "kestrane: cannot open COM%d (%s)%s%s\n", m_nComPort, ComDevicePath(m_nComPort).c_str(),
                 why.empty() ? "" : ": ", why.c_str());
}

bool CConsoleDlg::OnInitDialog() {
    // The hole map's drawing context comes first; without it the window
    // stays up with no settings, link or timer.
    if (m_pMap != nullptr && !m_pMap->CreateContext()) {
        // No settings were read, so there is no job for the first paint to
        // look for: a "job file not found" message would mislead.
        m_bFirstPaintDone = 1;
        return false;
    }

    m_nViewScale = 178;
    m_nViewOffX = 1;
    m_nViewOffY = 1;

    m_nHoleCount = 0;
    m_bFirstPaintDone = 0;
    m_bNeedRepaint = 0;
    m_bAxisLocked = 1;
    m_nState = RunState::Idle;
    m_nNextStep = NextStep::None;
    m_nPauseHole = -1;
    m_bMoving = m_bDrilling = m_bHfOn = m_bPumpOn = m_bHeadOn = m_bFinshJG = 0;
    m_bPosPanelOpen = m_bParamPanelOpen = 0;
    m_bPauseReq = m_bHoleChosen = m_bMoveIssued = m_bSyncOnly = 0;

    m_strIniPath = settings::SettingsPathIn(m_settingsFolder);
    LoadSettings();
    LoadSentMachining();

    m_pModbus = std::make_unique<CModbusMaster>(m_driver, m_clock);
    // The link's start-up waits on the line: a second before the second
    // attempt at a port that does not open, half a second for each read of
    // a silent controller. The operator sees the window meanwhile, so it
    // runs once the window is up, at the first turn of its event loop.
    View().SetTimer(ids::TIMER_LINK_START, 0);
    return true;
}

void CConsoleDlg::StartLink() {
    if (m_bLinkStarted == 1) return;
    m_bLinkStarted = 1;
    int opened = m_pModbus->Open(m_nComPort, 57600, 8, 0, 0);
    if (!opened) {
        m_clock.Sleep(1000);
        opened = m_pModbus->Open(m_nComPort, 57600, 8, 0, 0);
    }
    View().SetItemText(ids::IDC_COMM_LABEL, opened ? Fill(ConsoleText(kTextPortOpened), {FormatInt(m_nComPort)})
                                                   : ConsoleText(kTextNoPort));
    ShowPortOpenError();
    // No port: down from the start, and the tick looks for it.
    if (!opened) {
        m_link.SetDown(kMbWriteFailed);
        NoteLinkLoss();
    }

    for (int i = 0; i < 2; ++i) {
        m_clock.Sleep(100);
        ReadStatus();
    }
    View().SetTimer(ids::TIMER_STATUS, 300);
    SetSpeed(m_nSpeedLevel);
    SendLockAsSaved();
    ShowLinkStale();
}

// The button's picture goes with the member: the next status read shows a
// change only against the member, so a picture left behind here would stay
// wrong for good.
void CConsoleDlg::SendLockAsSaved() {
    if (m_nLockMotor != 0 && m_nLockMotor != 1) return;
    m_bAxisLocked = static_cast<uint8_t>(m_nLockMotor);
    View().SetButtonPicture(ids::IDC_LOCK, m_bAxisLocked ? res::IDB_LOCKED : res::IDB_UNLOCKED);
    SendCommand(m_bAxisLocked ? kCmdLockAxes : kCmdUnlockAxes);
}

void CConsoleDlg::OnPaint() {
    if (m_bFirstPaintDone == 0) {
        m_bFirstPaintDone = 1;
        std::error_code ec;
        if (!settings::NamesAFile(m_strJobPath)) {
            // No job chosen yet (a first start): nothing is missing, and
            // start says what to do.
        } else if (!std::filesystem::exists(m_strJobPath, ec)) {
            View().MessageBox(ConsoleText(kTextJobFileMissing) + "\n" + m_strJobPath);
        } else {
            ReloadJob();
        }
    }
    RenderView();
}

void CConsoleDlg::OnSize(bool restored) {
    if (restored) m_bNeedRepaint = 1;
}

void CConsoleDlg::OnMouseWheel(int delta) {
    if (!m_map.Wheel(delta)) return;
    RenderView();
    SaveSettings();
}

bool CConsoleDlg::PreTranslateMessage(const ks::ui::Message& msg) {
    return msg.kind == ks::ui::Message::KeyDown &&
           (msg.key == ks::ui::kKeyEscape || msg.key == ks::ui::kKeyEnter);
}

// Colours of the coordinate rows, the status bar and the hole list. The
// window's own ground is the background picture of its template.
std::optional<ks::ui::ControlStyle> CConsoleDlg::OnCtlColor(int controlId, ks::ui::CtlColorKind kind) {
    using ks::ui::ControlStyle;
    using ks::ui::Rgb;
    constexpr Rgb kRowGround{50, 70, 80};
    if (kind == ks::ui::CtlColorKind::Dialog) return std::nullopt;
    switch (controlId) {
        case ids::IDC_X_LABEL: case ids::IDC_X_INT: case ids::IDC_X_DEC:
        case ids::IDC_Y_LABEL: case ids::IDC_Y_INT: case ids::IDC_Y_DEC:
        case ids::IDC_Z_LABEL: case ids::IDC_Z_INT: case ids::IDC_Z_DEC:
            // Grey while the link is down: the last position read is old.
            return ControlStyle{m_bShownStale ? Rgb{150, 150, 150} : Rgb{255, 255, 0}, kRowGround, true, "微软雅黑", 25};
        case ids::IDC_COMM_LABEL: case ids::IDC_RATE_LABEL: case ids::IDC_STATUS_LINE:
            return ControlStyle{Rgb{255, 255, 255}, kRowGround, true, "", 0};
        default:
            break;
    }
    if (kind == ks::ui::CtlColorKind::ListBox) {
        return ControlStyle{Rgb{127, 255, 80}, Rgb{83, 104, 130}, true, "黑体", 12};
    }
    return std::nullopt;
}

view::MapInput CConsoleDlg::MapInputNow() const {
    view::MapInput in;
    in.holes = &m_Hole;
    in.holeCount = m_nHoleCount;
    in.curHole = m_nCurHole;
    in.state = m_nState;
    in.posX = m_fPosX;
    in.posY = m_fPosY;
    return in;
}

// Without a surface (headless runs) there is nothing to draw.
void CConsoleDlg::RenderView() {
    if (m_pMap != nullptr) m_pMap->Present(m_map.RenderView(MapInputNow()));
}

void CConsoleDlg::RedrawMap() {
    if (m_pMap != nullptr) m_pMap->Present(m_map.DrawHoleMap(MapInputNow()));
}

}  // namespace ks::app
