#include "window/main_window.h"

#include "desktop/qt_popup_menu.h"
#include "logview/find/find_bar.h"
#include "logview/log_view.h"
#include "splash/splash_screen.h"
#include "window/frame_extents.h"
#include "window/main_window_status_bar.h"
#include "window/window_placement.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#include <utility>

namespace {

constexpr int kPanelBorder = 4;
// How long the first showing waits for the window manager to tell its frame.
constexpr int kFrameAnswerMs = 200;
constexpr int kButtonPanelHeight = 35;
constexpr QRect kClearButton{4, 4, 81, 25};
constexpr QRect kSaveButton{91, 4, 81, 25};

QFont windowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Tahoma"), QStringLiteral("Liberation Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    return font;
}

// Assistive technology sees the main window as a frame named by its title; a
// plain top-level widget would be a nameless filler.
QAccessibleInterface* mainWindowAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String("TfMainWindow") && object && object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

}  // namespace

TfMainWindow::TfMainWindow(const Setup& setup, QWidget* parent) : QWidget(parent) {
    static const bool accessibleWindow = (QAccessible::installFactory(mainWindowAccessible), true);
    (void)accessibleWindow;
    setObjectName(QStringLiteral("fMain"));
    setWindowTitle(QStringLiteral("Torvik Master v1.1"));
    setWindowIcon(setup.applicationIcon);
    setFont(windowFont());
    buildLayout();
    popupMenu1_ = new QtPopupMenu(setup.menuImages, this);
    // Building the engine adds the tray icon (and fails when no tray takes it)
    // and starts Timer1.
    engine_ = std::make_unique<TfMain>(setup.shell, &log_, setup.engine);
    wireEngine();
    if (setup.showSplash) {
        SplashScreen1 = new splash::SplashScreen();
        SplashScreen1->showSplash();
    }
}

TfMainWindow::~TfMainWindow() {
    delete SplashScreen1.data();
    // The reader hands text to the log view; it must end before the view goes.
    engine_.reset();
}

splash::SplashScreen* TfMainWindow::splashScreen() const {
    return SplashScreen1.data();
}

void TfMainWindow::buildLayout() {
    resize(kClientWidth, kClientHeight);

    panel2_ = new QWidget(this);
    panel2_->setObjectName(QStringLiteral("Panel2"));
    auto* panel2Layout = new QVBoxLayout(panel2_);
    panel2Layout->setContentsMargins(kPanelBorder, kPanelBorder, kPanelBorder, kPanelBorder);
    memo1_ = new LogView(&log_, panel2_);
    memo1_->setObjectName(QStringLiteral("Memo1"));
    panel2Layout->addWidget(memo1_);

    panel3_ = new QWidget(this);
    panel3_->setObjectName(QStringLiteral("Panel3"));
    panel3_->setFixedHeight(kButtonPanelHeight);
    bitBtn1_ = new QPushButton(QStringLiteral("Clear"), panel3_);
    bitBtn1_->setObjectName(QStringLiteral("BitBtn1"));
    bitBtn1_->setGeometry(kClearButton);
    bitBtn2_ = new QPushButton(QStringLiteral("Save"), panel3_);
    bitBtn2_->setObjectName(QStringLiteral("BitBtn2"));
    bitBtn2_->setGeometry(kSaveButton);

    statusBar1_ = new MainStatusBar(this);

    // The log takes every change of the window's size; the button panel and the
    // status bar keep their heights at the bottom.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel2_, 1);
    layout->addWidget(panel3_, 0);
    layout->addWidget(statusBar1_, 0);
    // Ctrl+F opens the find bar between the log and the buttons.
    installFindBar(this, memo1_, layout, 1);

    // What a screen reader says for each: the captions alone say too little.
    memo1_->setAccessibleName(QStringLiteral("Simulator log"));
    bitBtn1_->setAccessibleName(QStringLiteral("Clear log"));
    bitBtn2_->setAccessibleName(QStringLiteral("Save log"));

    setTabOrder(memo1_, bitBtn1_);
    setTabOrder(bitBtn1_, bitBtn2_);

    connect(bitBtn1_, &QPushButton::clicked, memo1_, &LogView::clearLog);
    connect(bitBtn2_, &QPushButton::clicked, this, [this] { memo1_->saveLog(saveTextFileDialog1_); });
}

void TfMainWindow::wireEngine() {
    TfMain* engine = engine_.get();
    connect(engine, &TfMain::statusPanelTextChanged, statusBar1_,
            [this](const QString& text) { statusBar1_->setPanelText(0, text); });
    connect(engine, &TfMain::monitorImageIndexChanged, popupMenu1_,
            [this](int image) { popupMenu1_->setItemImage(QStringLiteral("Monitoronoff1"), image); });
    popupMenu1_->setItemImage(QStringLiteral("Monitoronoff1"), engine->MonitorImageIndex());

    connect(&engine->TrayIcon1, &TrayIcon::dblClick, this, &TfMainWindow::ShowMainForm);
    connect(&engine->TrayIcon1, &TrayIcon::popupRequested, this, &TfMainWindow::PopupAtPointer);
    connect(popupMenu1_, &QtPopupMenu::showMainFormChosen, this, &TfMainWindow::ShowMainForm);
    connect(popupMenu1_, &QtPopupMenu::setProtocolChosen, engine, &TfMain::SetProtocol);
    connect(popupMenu1_, &QtPopupMenu::programCloseChosen, this, &TfMainWindow::ProgramClose);
}

void TfMainWindow::FormCreate() {
    engine_->FormCreate();
}

void TfMainWindow::PopupAtPointer(QPoint screenPos) {
    // The menu's top-left corner at the pointer; Qt keeps it on the screen.
    QCoreApplication::processEvents();
    popupMenu1_->popup(screenPos);
}

// exit(), not quit(): quit() first asks every window to close, which this
// window refuses, and the program would run on.
void TfMainWindow::ProgramClose() {
    QCoreApplication::exit(0);
}

void TfMainWindow::ShowMainForm() {
    if (!exposureWatched_) {
        winId();
        windowHandle()->installEventFilter(this);
        exposureWatched_ = true;
    }
    visibility_.beginShowing();
    // Before the window is mapped: a window mapped in the minimised state
    // comes up minimised.
    clearMinimized();
    if (!placed_) centreOnScreen();
    show();
    ApplicationRestore();
    raise();
    activateWindow();
    setWindowState(windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

// The frame is centred, not the client area. Before the first map only the
// window manager knows the frame, so it is asked; without an answer the
// window is centred again once it is up and its frame is known.
void TfMainWindow::centreOnScreen() {
    placed_ = true;
    QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull()) {
        const auto told = frameextents::request(*windowHandle(), kFrameAnswerMs);
        frame = told.value_or(QMargins());
        recentreWhenUp_ = !told.has_value();
    }
    moveToCentre(frame);
}

void TfMainWindow::moveToCentre(QMargins frame) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    // The client area's geometry: move() would count from a frame that the
    // toolkit may not know yet.
    setGeometry(QRect(placement::centredClientPosition(screen->geometry(), screen->availableGeometry(),
                                                       screen->virtualGeometry().topLeft(), size(), frame),
                      size()));
}

// The window is not put into the minimised state on its way out: the window
// system would keep that state and map the window minimised when it is shown
// again. Hiding alone takes it off the screen and the taskbar.
void TfMainWindow::ApplicationMinimize() {
    if (visibility_.minimize()) ApplicationEvents1Minimize();
}

void TfMainWindow::ApplicationRestore() {
    if (!visibility_.restore()) return;
    clearMinimized();
    if (!isVisible()) show();
}

// The window leaves the screen and the taskbar; the program runs on in the tray.
void TfMainWindow::ApplicationEvents1Minimize() {
    // Minimised by the window system (the minimise box): back to normal first,
    // so that it is never both minimised and withdrawn.
    clearMinimized();
    hide();
}

void TfMainWindow::clearMinimized() {
    if (windowState() & Qt::WindowMinimized) setWindowState(windowState() & ~Qt::WindowMinimized);
}

// The close box, Alt+F4 and the system menu's Close never close the window.
void TfMainWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    ApplicationMinimize();
}

void TfMainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    // The minimise box and the taskbar minimise the whole application, which
    // hides the window. Only while the window is up is a minimised state the
    // user's; hiding waits for the window system to finish the change.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized) &&
        visibility_.minimizedReported())
        QTimer::singleShot(0, this, [this] {
            if ((windowState() & Qt::WindowMinimized) && visibility_.minimizedReported())
                ApplicationMinimize();
        });
}

// The native window's exposure tells when the window system has put the
// window on the screen.
bool TfMainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && watched == windowHandle() && windowHandle()->isExposed() &&
        !(windowState() & Qt::WindowMinimized)) {
        visibility_.exposed();
        // Only at the first exposure: later the user may have moved the window.
        if (std::exchange(recentreWhenUp_, false) && !windowHandle()->frameMargins().isNull())
            moveToCentre(windowHandle()->frameMargins());
    }
    return QWidget::eventFilter(watched, event);
}
