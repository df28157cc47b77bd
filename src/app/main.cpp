// TorvikMaster's entry: one copy per executable and user, the application set
// up with its main window hidden, then the event loop until "Exit".

#include "app/check_previous.h"
#include "app/check_previous_listener.h"
#include "app/check_previous_window.h"
#include "app/command_line.h"
#include "app/display_check.h"
#include "app/entry_application.h"
#include "app/message_box_presenter.h"
#include "app/session_end.h"
#include "desktop/desktop_tray.h"
#include "desktop/qt_popup_menu.h"
#include "desktop/qt_tray_shell.h"
#include "desktop/tray_images.h"
#include "device/ft_driver.h"
#include "device/production_driver.h"
#include "text/error_box.h"
#include "window/main_window.h"

#include <QFileInfo>
#include <QWindow>

#include <exception>
#include <optional>

namespace {

// Desktops often start their panel after the programs they autostart.
constexpr int kWaitForTrayMs = 10000;

}  // namespace

int main(int argc, char** argv) {
    // Before the application object, which needs a display.
    QCoreApplication::setApplicationVersion(QStringLiteral(TORVIK_VERSION));
    if (const int status = app::handleCommandLine(argc, argv); status >= 0) return status;
    app::ignoreBrokenPipes();

    // Qt drops its own options from argv, so the display is named before.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments.append(QString::fromLocal8Bit(argv[i]));
    const QString display = app::displayToOpen(arguments, QProcessEnvironment::systemEnvironment());
    std::optional<app::DisplayOpenGuard> displayGuard(std::in_place, QFileInfo(arguments.first()).fileName(),
                                                      display);
    app::TorvikApplication application(argc, argv);
    displayGuard.reset();
    // Ending the session ends the program as "Exit" does, also while it starts
    // and while a box it shows on its way out (no tray, a failed guard) is up.
    app::SessionEndSignals sessionEnd;
    app::installMessageBoxPresenter(&sessionEnd);

    // The application's own hidden window registers with the guard, never the
    // main window: a second start leaves a main window hidden in the tray hidden.
    QWindow ownerWindow;
    ownerWindow.create();
    try {
        if (CheckPrevious::ActivatePreviousInstance(
                static_cast<CheckPrevious::WindowHandle>(ownerWindow.winId()), 1))
            return 0;
    } catch (const std::exception& error) {
        errorbox::reportApplicationError(QString::fromLocal8Bit(error.what()));
        return 1;
    }

    int status = 1;
    try {
        // Only "Exit" ends the program; hiding the window or closing a menu never does.
        QApplication::setQuitOnLastWindowClosed(false);
        QApplication::setApplicationName(QStringLiteral("Torvik Master"));
        QApplication::setWindowIcon(trayimages::applicationIcon());
        ftdriver::install(makeProductionDriver());

        QtTrayShell trayShell(trayimages::trayStateIcon, kWaitForTrayMs);
        trayShell.setProbes(desktopTrayHostProbes(display));
        trayShell.setWaitAbandoned([&sessionEnd] { return sessionEnd.requested(); });
        TfMainWindow fMain({.shell = trayShell,
                            .menuImages = trayimages::menuImage,
                            .applicationIcon = trayimages::applicationIcon(),
                            .showSplash = true});
        connectTrayShell(trayShell, fMain.engine().TrayIcon1);
        trayShell.setContextMenu(&fMain.popupMenu());
        fMain.FormCreate();

        CheckPrevious::ActivationListener listener(CheckPrevious::BringWindowForward);
        QObject::connect(&sessionEnd, &app::SessionEndSignals::endRequested, &fMain,
                         &TfMainWindow::ProgramClose);
        status = sessionEnd.requested() ? 0 : QApplication::exec();
    } catch (const std::exception& error) {
        // Ended while it started: nothing to report, as after "Exit".
        if (sessionEnd.requested())
            status = 0;
        else
            errorbox::reportApplicationError(QString::fromLocal8Bit(error.what()));
    }
    CheckPrevious::Finalize();
    return status;
}
