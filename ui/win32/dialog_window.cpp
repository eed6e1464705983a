#include "ui/win32/dialog_window.h"

#include <algorithm>
#include <utility>

#include "platform/wait_hook.h"
#include "res/ids.h"
#include "ui/win32/pictures.h"
#include "ui/win32/wide_text.h"

namespace ks::ui::win32 {

namespace {

constexpr wchar_t kDialogClass[] = L"KestraneDialog";
// The logic's paint work, posted after the window's own paint.
constexpr UINT kLogicPaint = WM_APP + 1;
// Calls held back by a wait, tried again a slice later.
constexpr UINT_PTR kDeferTimer = 0x7FFF0001;

void RegisterDialogClass(WNDPROC proc) {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hIcon = ProgramIcon(32);
    wc.hIconSm = ProgramIcon(16);
    wc.hCursor = ::LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.lpszClassName = kDialogClass;
    ::RegisterClassExW(&wc);
}

// Paint, timer, posted and sent messages of the thread, a bounded number at
// a time; keys and clicks stay queued for after the wait, in order.
void PumpWithoutInput() {
    MSG msg;
    for (int n = 0; n < 100 && ::PeekMessageW(&msg, nullptr, 0, 0,
                                              PM_REMOVE | PM_QS_PAINT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE);
         ++n) {
        if (msg.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

}  // namespace

DialogWindow::DialogWindow(Dialog& logic, DialogWindow* owner) : m_logic(logic), m_owner(owner) {
    m_template = res::FindTemplate(logic.TemplateId());
    if (m_template == nullptr) {
        static const res::DialogTemplate empty;
        m_template = &empty;
    }
    const res::DialogTemplate& t = *m_template;
    RegisterDialogClass(&WindowProc);
    const DWORD style = WindowStyle(t);
    const DWORD exStyle = WindowExStyle(t);
    SIZE outer{res::kPanelWidth, res::kPanelHeight};
    if (!t.panel) {
        RECT r{0, 0, t.clientWidth, t.clientHeight};
        ::AdjustWindowRectEx(&r, style, FALSE, exStyle);
        outer = {r.right - r.left, r.bottom - r.top};
    }
    m_hwnd = ::CreateWindowExW(exStyle, kDialogClass, Wide(t.caption).c_str(), style, 0, 0, outer.cx, outer.cy,
                               owner != nullptr ? owner->m_hwnd : nullptr, nullptr, ::GetModuleHandleW(nullptr), this);
    m_controls = MakeControls(m_hwnd, t);
    if (t.backgroundBitmap != 0) {
        if (HBITMAP picture = Picture(t.backgroundBitmap)) m_groundBrush = ::CreatePatternBrush(picture);
    }
    if (t.aboutItem || t.reportItem) {
        // The about and job report commands in the window menu, where
        // Windows has room for them.
        if (HMENU menu = ::GetSystemMenu(m_hwnd, FALSE); menu != nullptr) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            const struct {
                bool wanted;
                int text, command;
            } items[] = {{t.aboutItem, res::IDS_ABOUTBOX, res::IDM_ABOUTBOX},
                         {t.reportItem, res::IDS_JOBREPORT, res::IDM_JOBREPORT}};
            for (const auto& item : items) {
                const std::string text = item.wanted ? res::LoadString(item.text) : std::string();
                if (!text.empty()) ::AppendMenuW(menu, MF_STRING, item.command, Wide(text).c_str());
            }
        }
    }
    PlaceWindow();
}

DialogWindow::~DialogWindow() {
    Finish();
    m_controls.map.reset();
    if (m_hwnd != nullptr) {
        ::SetWindowLongPtrW(m_hwnd, GWLP_USERDATA, 0);
        ::DestroyWindow(m_hwnd);
    }
    if (m_groundBrush != nullptr) ::DeleteObject(m_groundBrush);
    for (auto& [colour, brush] : m_brushes) ::DeleteObject(brush);
}

// A panel lies over its owner by the panel skin; another owned window in
// the middle of its owner; the main window in the middle of the screen.
void DialogWindow::PlaceWindow() {
    RECT self{};
    ::GetWindowRect(m_hwnd, &self);
    const int width = self.right - self.left, height = self.bottom - self.top;
    RECT around{};
    if (m_owner != nullptr) {
        ::GetWindowRect(m_owner->m_hwnd, &around);
        if (m_template->panel) {
            ::SetWindowPos(m_hwnd, nullptr, around.left + res::kPanelOffsetX, around.top + res::kPanelOffsetY, 0, 0,
                           SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            return;
        }
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    }
    const int x = std::max<int>(around.left, (around.left + around.right - width) / 2);
    const int y = std::max<int>(around.top, (around.top + around.bottom - height) / 2);
    ::SetWindowPos(m_hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// --- Life cycle ----------------------------------------------------------

void DialogWindow::Start() {
    if (m_started) return;
    m_logic.Attach(this);
    RefreshStyles();
    m_initResult = m_logic.OnInitDialog();
    RefreshStyles();
    m_started = true;
}

void DialogWindow::Finish() {
    if (!m_started) return;
    m_started = false;
    ::KillTimer(m_hwnd, kDeferTimer);
    m_deferred.clear();
    m_logic.Detach();
}

int DialogWindow::RunModal() {
    m_ended = false;
    m_result = 0;
    Start();
    if (!m_ended) {
        HWND owner = m_owner != nullptr ? m_owner->m_hwnd : nullptr;
        ::ShowWindow(m_hwnd, SW_SHOWNORMAL);
        ::UpdateWindow(m_hwnd);
        if (owner != nullptr) ::EnableWindow(owner, FALSE);
        if (m_whenShown) std::exchange(m_whenShown, nullptr)();
        MSG msg;
        while (!m_ended) {
            const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
            if (got == 0) {
                ::PostQuitMessage(static_cast<int>(msg.wParam));  // for the loops outside this one
                break;
            }
            if (got < 0) break;
            if (!PreTranslate(msg)) {
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
        }
        // The owner first, so that it is the window activated next.
        if (owner != nullptr) ::EnableWindow(owner, TRUE);
        ::ShowWindow(m_hwnd, SW_HIDE);
        if (owner != nullptr) ::SetActiveWindow(owner);
    }
    Finish();
    return m_result;
}

void DialogWindow::EndDialog(int result) {
    m_ended = true;
    m_result = result;
}

// While the logic waits (a serial time-out, a retry pause), the wait hook
// lets this window paint; what would call the logic then (a close request,
// the logic's paint work) is delivered after the wait instead. User input
// is not delivered during a wait at all.
void DialogWindow::CallLogic(std::function<void()> call) {
    if (!InWait()) {
        if (m_logic.IsAttached()) call();
        return;
    }
    m_deferred.push_back(std::move(call));
    ::SetTimer(m_hwnd, kDeferTimer, kWaitSliceMs, nullptr);
}

void DialogWindow::RunDeferred() {
    if (InWait()) return;
    ::KillTimer(m_hwnd, kDeferTimer);
    std::deque<std::function<void()>> calls;
    calls.swap(m_deferred);
    for (auto& call : calls) CallLogic(std::move(call));
}

void DialogWindow::InstallWaitHook() { SetWaitHook(&PumpWithoutInput); }

// --- Messages ------------------------------------------------------------

LRESULT CALLBACK DialogWindow::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lp);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<DialogWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self == nullptr) return ::DefWindowProcW(hwnd, msg, wp, lp);
    if (self->m_hwnd == nullptr) self->m_hwnd = hwnd;  // messages during CreateWindowEx
    return self->OnMessage(msg, wp, lp);
}

LRESULT DialogWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND: {
            const int id = LOWORD(wp);
            const int code = HIWORD(wp);
            const res::ControlTemplate* c = m_controls.TemplateOf(reinterpret_cast<HWND>(lp));
            const bool button = c != nullptr && (c->kind == res::ControlKind::Button ||
                                                 c->kind == res::ControlKind::PictureButton ||
                                                 c->kind == res::ControlKind::Radio);
            // A quick second click on a button is a double click to Windows,
            // and a second click to the operator.
            if (button && (code == BN_CLICKED || code == BN_DOUBLECLICKED)) {
                CallLogic([this, id] { m_logic.OnCommand(id); });
            }
            return 0;
        }
        case WM_SYSCOMMAND:
            for (const int command : {res::IDM_ABOUTBOX, res::IDM_JOBREPORT}) {
                if ((wp & 0xFFF0) == static_cast<WPARAM>(command)) {
                    CallLogic([this, command] { m_logic.OnCommand(command); });
                    return 0;
                }
            }
            break;
        case WM_CLOSE:
            // The close box and Alt+F4 reach the logic as the cancel command.
            if (m_logic.IsAttached()) CallLogic([this] { m_logic.OnCommand(kIdCancel); });
            return 0;
        case WM_TIMER:
            if (wp == kDeferTimer) {
                RunDeferred();
            } else if (!InWait() && m_started && m_logic.IsAttached()) {
                // A tick that falls into a wait is left out: the timer comes
                // round again, and ticks must not pile up behind a long wait.
                m_logic.OnTimer(static_cast<int>(wp));
            }
            return 0;
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(m_hwnd, &ps);
            PaintGround(dc, ps.rcPaint, POINT{0, 0});
            ::EndPaint(m_hwnd, &ps);
            // The logic's paint work may open a message box; it runs right
            // after the paint, not inside it.
            if (m_started && !m_paintPending) {
                m_paintPending = true;
                ::PostMessageW(m_hwnd, kLogicPaint, 0, 0);
            }
            return 0;
        }
        case kLogicPaint:
            CallLogic([this] {
                m_paintPending = false;
                if (m_started) m_logic.OnPaint();
            });
            return 0;
        case WM_SIZE: {
            const bool minimised = wp == SIZE_MINIMIZED;
            if (m_started && minimised != m_wasMinimised) {
                CallLogic([this, minimised] { m_logic.OnSize(!minimised); });
            }
            m_wasMinimised = minimised;
            break;
        }
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORBTN:
            if (LRESULT brush = OnCtlColor(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp))) return brush;
            break;
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
            if (item.CtlType == ODT_BUTTON) DrawPictureButton(item);
            if (item.CtlType == ODT_LISTBOX) DrawListRow(item);
            return TRUE;
        }
        case WM_MEASUREITEM: {
            auto& item = *reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
            item.itemHeight = 16;  // set from the list's font once it has one
            return TRUE;
        }
        default: break;
    }
    return ::DefWindowProcW(m_hwnd, msg, wp, lp);
}

}  // namespace ks::ui::win32
