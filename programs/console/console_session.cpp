#include "programs/console/console_session.h"

#include <QShortcut>
#include <QTimer>

#include "platform/texts.h"
#include "res/ids.h"
#include "ui/qt/hole_map_widget.h"

namespace ks::console {

ConsoleSession::ConsoleSession(SerialDriver& driver, Clock& clock, ProgramPanels& panels, std::string settingsFolder)
    : m_console(driver, clock, panels.positioning, panels.machining, std::move(settingsFolder)) {
    m_window = std::make_unique<ui::qt::DialogWindow>(m_console);
    m_console.SetMapSurface(m_window->MapSurface());
    m_console.SetMachinePanel(&panels.machine);
    AddShortcuts();
}

ConsoleSession::~ConsoleSession() {
    // The window detaches the logic; the logic must outlive it.
    m_window.reset();
}

void ConsoleSession::AddShortcuts() {
    // Linux window managers offer no window-menu hook: besides the context
    // menu of the window's own area, F1 opens the about box.
    auto* about = new QShortcut(QKeySequence(Qt::Key_F1), m_window.get());
    about->setContext(Qt::WindowShortcut);
    QObject::connect(about, &QShortcut::activated, m_window.get(), [this] {
        if (m_console.IsAttached()) m_console.OnCommand(res::IDM_ABOUTBOX);
    });
}

void ConsoleSession::ReportStartFailure() {
    if (m_window->InitResult()) return;
    auto* map = m_window->MapWidget();
    if (map != nullptr && map->ContextFailed()) m_window->MessageBox(Tr("console", kNoOpenGlText));
}

int ConsoleSession::Run() {
    // The message box needs the window on screen; the modal loop shows it.
    QTimer::singleShot(0, m_window.get(), [this] { ReportStartFailure(); });
    return m_window->RunModal();
}

bool ConsoleSession::Open() {
    const bool ok = m_window->Open();
    ReportStartFailure();
    return ok;
}

}  // namespace ks::console
