// kestrane: the operator console. One main window, shown modally; the
// program ends when it closes.
#include <QApplication>

#include "link/posix_serial_driver.h"
#include "platform/clock.h"
#include "programs/console/console_session.h"
#include "ui/qt/dialog_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Kestrane"));
    QApplication::setApplicationVersion(QStringLiteral("19.2"));

    // Program-wide: they keep the operator's entries from one opening to the next.
    static ks::console::ProgramPanels panels;

    // The window keeps painting while the console waits on the line.
    ks::ui::qt::DialogWindow::InstallWaitHook();

    ks::PosixSerialDriver driver;
    ks::SystemClock clock;
    ks::console::ConsoleSession session(driver, clock, panels);
    session.Run();
    return 0;
}
