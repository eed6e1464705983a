#pragma once
// One run of the operator console: the main window's logic over a serial
// driver and a clock, its Qt window with the hole map, and the program-wide
// panels it opens. kestrane's main() runs one modally; the GUI tests open
// one without a modal loop and drive it.
#include <memory>
#include <string>

#include "app/console_dlg.h"
#include "programs/console/console_parts.h"
#include "ui/qt/dialog_window.h"

namespace ks::console {

class ConsoleSession {
public:
    // settingsFolder: where KSConfig.ini lives; empty means the program's folder.
    ConsoleSession(SerialDriver& driver, Clock& clock, ProgramPanels& panels, std::string settingsFolder = {});
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

    app::CConsoleDlg& Console() { return m_console; }
    ui::qt::DialogWindow& Window() { return *m_window; }

    // The program's run: start-up, then the modal loop until the window closes.
    int Run();
    // The same start-up with the window left open (tests). False when the
    // start-up did not complete.
    bool Open();

private:
    void AddShortcuts();
    // Says why the start-up stopped, once the window is up.
    void ReportStartFailure();

    app::CConsoleDlg m_console;
    std::unique_ptr<ui::qt::DialogWindow> m_window;
};

}  // namespace ks::console
