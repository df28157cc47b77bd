#pragma once
// TfMainWindow: the program's only ordinary window (`fMain`) around the
// connection engine TfMain. It lays out the log view `Memo1`, the "Clear" and
// "Save" buttons and the status bar, shows the engine's link state, opens the
// tray menu, and never closes: closing or minimising hides it into the tray.
//
// Use (user-interface thread):
//   QtTrayShell shell(...);                       // outlives the window
//   TfMainWindow fMain({.shell = shell, ...});    // adds the tray icon, starts Timer1
//   fMain.FormCreate();
// "Exit" in the tray menu quits the application's event loop.

#include "engine/tf_main.h"
#include "logstore/log_model.h"
#include "logview/save_text_file_dialog.h"
#include "window/window_visibility.h"

#include <QIcon>
#include <QMargins>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class LogView;
class MainStatusBar;
class QPushButton;
class QtPopupMenu;
class TrayShell;
namespace splash {
class SplashScreen;
}

class TfMainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 503;
    static constexpr int kClientHeight = 553;

    struct Setup {
        TrayShell& shell;
        std::function<QIcon(int index)> menuImages;  // ImageList2
        QIcon applicationIcon;
        TfMain::Options engine{};
        bool showSplash = false;  // the start-up splash once the window is built
    };

    explicit TfMainWindow(const Setup& setup, QWidget* parent = nullptr);
    ~TfMainWindow() override;

    // The window's creation handler: empties the log, MonitorOn := true, and the
    // device layer's error report off.
    void FormCreate();
    // Shows the window in front, in its normal state ("Open", tray double-click).
    void ShowMainForm();
    // Ends the event loop at its next turn ("Exit").
    void ProgramClose();

    // The application's minimise and restore, acting on this window.
    void ApplicationMinimize();
    void ApplicationRestore();
    bool ApplicationMinimized() const { return visibility_.applicationMinimized(); }
    WindowVisibility::Phase visibilityPhase() const { return visibility_.phase(); }

    TfMain& engine() { return *engine_; }
    LogModel& logModel() { return log_; }
    LogView& memo() { return *memo1_; }
    QtPopupMenu& popupMenu() { return *popupMenu1_; }
    MainStatusBar& statusBar() { return *statusBar1_; }
    QWidget& panel2() { return *panel2_; }
    QWidget& panel3() { return *panel3_; }
    QPushButton& clearButton() { return *bitBtn1_; }
    QPushButton& saveButton() { return *bitBtn2_; }
    SaveTextFileDialog& saveDialog() { return saveTextFileDialog1_; }
    // The splash while it is up, else null.
    splash::SplashScreen* splashScreen() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLayout();
    void wireEngine();
    void ApplicationEvents1Minimize();
    void PopupAtPointer(QPoint screenPos);
    void centreOnScreen();
    void moveToCentre(QMargins frame);
    void clearMinimized();

    LogModel log_;
    SaveTextFileDialog saveTextFileDialog1_;
    QWidget* panel2_ = nullptr;
    LogView* memo1_ = nullptr;
    QWidget* panel3_ = nullptr;
    QPushButton* bitBtn1_ = nullptr;
    QPushButton* bitBtn2_ = nullptr;
    MainStatusBar* statusBar1_ = nullptr;
    QtPopupMenu* popupMenu1_ = nullptr;
    // Declared after the log: the engine appends to it until it is gone.
    std::unique_ptr<TfMain> engine_;
    // Deletes itself after its course; an Exit before that takes it along.
    QPointer<splash::SplashScreen> SplashScreen1;
    WindowVisibility visibility_;
    bool placed_ = false;
    bool recentreWhenUp_ = false;
    bool exposureWatched_ = false;
};
