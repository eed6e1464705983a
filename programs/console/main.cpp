// kestrane: the operator console. One main window, shown modally; the
// program ends when it closes.
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "i18n/catalogue.h"
#include "link/platform_serial_driver.h"
#include "platform/clock.h"
#include "platform/program_folder.h"
#include "programs/console/console_session.h"
#include "publish/shop_start.h"
#include "res/version.h"
#include "settings/keys.h"
#include "ui/qt/dialog_window.h"
#include "ui/qt/ui_faces.h"

namespace {

const char kHelp[] =
    "usage: kestrane [--lang en|zh] [--version | --help]\n"
    "\n"
    "The operator console of the Kestrane EDM small-hole drilling machine. It talks\n"
    "to the machine controller on the port COMn chosen in its settings, 57600 8N1.\n"
    "Its settings file KSConfig.ini and the COMn links stay in the program's folder\n"
    "when that folder is writable or already holds KSConfig.ini; otherwise they are\n"
    "in $XDG_CONFIG_HOME/kestrane (default ~/.config/kestrane), made on first start.\n"
    "It speaks Chinese, or English with --lang en or a locale whose LANGUAGE,\n"
    "LC_ALL, LC_MESSAGES or LANG (the first one set) starts with \"en\".\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they work without a display.
    ks::Language language = ks::Language::Chinese;
    if (const std::optional<int> answered = ks::console::AnswerCommandLine(argc, argv, kHelp, &language)) return *answered;
    QApplication app(argc, argv);
    // Before any window or template is made: they take their texts from it.
    if (!ks::i18n::UseLanguage(language)) std::fputs("kestrane: the English texts are missing\n", stderr);
    ks::ui::qt::UseLatinFaces(language == ks::Language::English);
    QApplication::setApplicationName(QStringLiteral("Kestrane"));
    QApplication::setApplicationVersion(
        QString::fromUtf8(ks::res::kVersion.data(), static_cast<qsizetype>(ks::res::kVersion.size())));
    // Lets the desktop match the window to kestrane.desktop (its name and icon).
    QGuiApplication::setDesktopFileName(QStringLiteral("kestrane"));

    // An installed console keeps its settings in the operator's own folder,
    // which a fresh account does not have yet; the console only writes files.
    const std::string settingsFolder = ks::SettingsFolder();
    if (!ks::MakeFolders(settingsFolder)) {
        std::fprintf(stderr, "kestrane: cannot create the settings folder %s\n",
                     settingsFolder.empty() ? "(no home folder)" : settingsFolder.c_str());
    }

    // Program-wide: they keep the operator's entries from one opening to the next.
    static ks::console::ProgramPanels panels;

    // The window keeps painting while the console waits on the line.
    ks::ui::qt::DialogWindow::InstallWaitHook();

    ks::PlatformSerialDriver driver;
    ks::SystemClock clock;
    // Publishing to the shop's broker when the settings name one; made
    // first, so that it outlives the console it watches.
    const std::unique_ptr<ks::app::ShopObserver> shop = ks::publish::StartShopPublishing(
        ks::settings::SettingsPathIn(settingsFolder.empty() ? ks::ProgramFolder() : settingsFolder), clock);
    ks::console::ConsoleSession session(driver, clock, panels, settingsFolder);
    if (shop) session.Console().SetShopObserver(shop.get());
    session.Run();
    return 0;
}
