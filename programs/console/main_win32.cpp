// kestrane.exe: the operator console on Windows, in native windows. One
// main window, shown modally; the program ends when it closes.
#include "ui/win32/windows_h.h"

#include <commctrl.h>
#include <ole2.h>

#include <cstdio>
#include <cstring>

#include "app/console_dlg.h"
#include "i18n/plain_catalogue.h"
#include "link/platform_serial_driver.h"
#include "platform/clock.h"
#include "platform/program_folder.h"
#include "platform/texts.h"
#include "programs/console/console_parts.h"
#include "res/version.h"
#include "ui/win32/dialog_window.h"
#include "ui/win32/fonts.h"
#include "ui/win32/pictures.h"

namespace {

const char kHelp[] =
    "usage: kestrane [--lang en|zh] [--version | --help]\n"
    "\n"
    "The operator console of the Kestrane EDM small-hole drilling machine. It talks\n"
    "to the machine controller on the port COMn chosen in its settings (\\\\.\\COMn),\n"
    "57600 8N1. Its settings file KSConfig.ini lies beside kestrane.exe.\n"
    "It speaks Chinese, or English with --lang en or when Windows is shown in English.\n";

}  // namespace

int main(int argc, char** argv) {
    // A windowed program: these answer only where standard output goes
    // somewhere (a redirection, a terminal under Wine).
    ks::Language language = ks::Language::Chinese;
    if (const std::optional<int> answered = ks::console::AnswerCommandLine(argc, argv, kHelp, &language)) return *answered;
    // Before any window or template is made: they take their texts from it.
    ks::i18n::UsePlainCatalogue(language);
    ks::ui::win32::UseLatinFaces(language == ks::Language::English);

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    ::InitCommonControlsEx(&controls);
    const bool ole = SUCCEEDED(::OleInitialize(nullptr));  // the folder picker's
    ks::ui::win32::StartPictures();

    const std::string settingsFolder = ks::SettingsFolder();
    if (!ks::MakeFolders(settingsFolder)) {
        std::fprintf(stderr, "kestrane: cannot create the settings folder %s\n", settingsFolder.c_str());
    }

    // Program-wide: they keep the operator's entries from one opening to the next.
    static ks::console::ProgramPanels panels;

    // The window keeps painting while the console waits on the line.
    ks::ui::win32::DialogWindow::InstallWaitHook();

    ks::PlatformSerialDriver driver;
    ks::SystemClock clock;
    {
        ks::app::CConsoleDlg console(driver, clock, panels.positioning, panels.machining, settingsFolder);
        ks::ui::win32::DialogWindow window(console);
        console.SetMapSurface(window.MapSurface());
        console.SetMachinePanel(&panels.machine);
        // Says why the start-up stopped, once the window is up.
        window.WhenShown([&window] {
            const ks::ui::win32::HoleMapWindow* map = window.MapWindow();
            if (!window.InitResult() && map != nullptr && map->ContextFailed())
                window.MessageBox(ks::Tr("console", ks::console::kNoOpenGlText));
        });
        window.RunModal();
    }

    ks::ui::win32::StopPictures();
    if (ole) ::OleUninitialize();
    return 0;
}
