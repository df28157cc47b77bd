#include "desktop/qt_tray_shell.h"

#include "desktop/balloon_window.h"
#include "desktop/desktop_tray.h"
#include "tray/tray_icon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QStyleHints>
#include <QThread>

#include <cstdio>

namespace {
constexpr int kTrayPollMs = 100;
constexpr int kNoticeImageSize = 32;
}  // namespace

QtTrayShell::QtTrayShell(ImageSource images, int waitForTrayMs, QObject* parent)
    : QObject(parent),
      images_(std::move(images)),
      probes_(desktopTrayHostProbes(QString())),
      waitForTrayMs_(waitForTrayMs),
      otherButtons_(QGuiApplication::styleHints()->mouseDoubleClickInterval(),
                    QGuiApplication::styleHints()->mouseDoubleClickDistance()) {
    balloonTimer_.setSingleShot(true);
    connect(&balloonTimer_, &QTimer::timeout, this, &QtTrayShell::balloonTimedOut);
    setNotices(makeDesktopNoticeChannel());
    // Qt's X11 tray reports only the left button's double-click; the right and
    // middle ones are recognised from the presses on the icon, whichever of
    // the program's windows (the icon's, or an open menu's) receives them.
    qApp->installEventFilter(this);
    // Windows reports them only in the shell's own messages.
    nativeDoubleClicks_ = makeNativeDoubleClicks([this] { emit doubleClicked(); });
}

QtTrayShell::~QtTrayShell() = default;

void QtTrayShell::setNotices(std::unique_ptr<NoticeChannel> notices) {
    notices_ = std::move(notices);
    if (notices_)
        connect(notices_.get(), &NoticeChannel::undelivered, this, &QtTrayShell::showFallbackBalloon);
}

void QtTrayShell::setContextMenu(QMenu* menu) {
    menu_ = menu;
    if (!tray_ || kind_ != TrayHostKind::StatusNotifier) return;
    tray_->setContextMenu(menu);
    // Hosts read the item's menu once, when the item registers: register anew.
    if (tray_->isVisible()) {
        tray_->hide();
        tray_->show();
    }
}

const BalloonWindow* QtTrayShell::fallbackBalloon() const {
    return balloon_ && balloon_->isVisible() ? balloon_.get() : nullptr;
}

// Polls both kinds of host; the event loop keeps running meanwhile.
TrayHostKind QtTrayShell::waitForTray() {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const TrayHostKind kind = detectTrayHost(probes_);
        if (kind != TrayHostKind::None || clock.elapsed() >= waitForTrayMs_) return kind;
        if (waitAbandoned_ && waitAbandoned_()) return TrayHostKind::None;
        QThread::msleep(kTrayPollMs);
        QCoreApplication::processEvents();
    }
}

QString QtTrayShell::trayMissingText() {
    return QStringLiteral(
        "Torvik Master needs a notification area (system tray), and this desktop shows none. "
        "On GNOME, turn on the extension \"AppIndicator and KStatusNotifierItem Support\" "
        "(Debian package gnome-shell-extension-appindicator), then start Torvik Master again.");
}

// Plain GNOME has no tray but does show notices: the user learns what to turn on
// before the error box. The notice is waited for (at most the notices' answer
// time), since the program ends right after the box.
void QtTrayShell::tellTrayMissing() {
    const QString text = trayMissingText();
    std::fprintf(stderr, "torvik-master: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
    QEventLoop answered;
    if (!notices_) return;
    connect(notices_.get(), &NoticeChannel::delivered, &answered, &QEventLoop::quit);
    connect(notices_.get(), &NoticeChannel::undelivered, &answered, &QEventLoop::quit);
    const QImage icon = QGuiApplication::windowIcon().pixmap(kNoticeImageSize, kNoticeImageSize).toImage();
    notices_->send({.title = QStringLiteral("Torvik Master"), .text = text, .image = icon, .expireMs = 0});
    answered.exec();
}

void QtTrayShell::createTray() {
    if (tray_) return;
    tray_ = std::make_unique<QSystemTrayIcon>();
    connect(tray_.get(), &QSystemTrayIcon::activated, this, &QtTrayShell::onActivated);
    connect(tray_.get(), &QSystemTrayIcon::messageClicked, this, &QtTrayShell::balloonClicked);
    if (kind_ == TrayHostKind::StatusNotifier && menu_) tray_->setContextMenu(menu_);
}

bool QtTrayShell::add(const NotifyRecord& record) {
    if (!tray_) {
        kind_ = waitForTray();
        if (kind_ == TrayHostKind::None) {
            if (!waitAbandoned_ || !waitAbandoned_()) tellTrayMissing();
            return false;
        }
        createTray();
    }
    apply(record);
    tray_->show();
    return true;
}

void QtTrayShell::modify(const NotifyRecord& record) {
    createTray();
    apply(record);
}

void QtTrayShell::remove(const NotifyRecord&) {
    balloonTimer_.stop();
    if (balloon_) balloon_->hide();
    if (tray_) tray_->hide();
}

void QtTrayShell::apply(const NotifyRecord& record) {
    tray_->setIcon(images_(record.iconIndex));
    tray_->setToolTip(record.has(notify::NIF_TIP) ? record.tip : QString());
    if (record.has(notify::NIF_INFO)) {
        const int shownMs = static_cast<int>(record.timeoutMs);
        balloonKind_ = record.infoFlags;
        const QImage plug = images_(record.iconIndex).pixmap(kNoticeImageSize, kNoticeImageSize).toImage();
        const DesktopNotice notice{
            .title = record.infoTitle, .text = record.info, .image = plug, .expireMs = shownMs};
        if (notices_) {
            notices_->send(notice);
        } else {
            showFallbackBalloon(notice);
        }
        balloonTimer_.start(shownMs);
    }
}

void QtTrayShell::showFallbackBalloon(const DesktopNotice& notice) {
    if (!tray_ || !tray_->isVisible()) return;
    if (kind_ == TrayHostKind::StatusNotifier) {
        // Qt would send it to the daemon that just failed and swap the item's image.
        if (!balloon_) {
            balloon_ = std::make_unique<BalloonWindow>();
            connect(balloon_.get(), &BalloonWindow::clicked, this, &QtTrayShell::balloonClicked);
        }
        balloon_->showBalloon(notice.title, notice.text, messageIcon(balloonKind_), notice.expireMs);
    } else {
        tray_->showMessage(notice.title, notice.text, messageIcon(balloonKind_), notice.expireMs);
    }
}

QSystemTrayIcon::MessageIcon QtTrayShell::messageIcon(TBalloonFlags kind) {
    switch (kind) {
        case TBalloonFlags::bfInfo:
            return QSystemTrayIcon::Information;
        case TBalloonFlags::bfWarning:
            return QSystemTrayIcon::Warning;
        case TBalloonFlags::bfError:
            return QSystemTrayIcon::Critical;
        case TBalloonFlags::bfNone:
            break;
    }
    return QSystemTrayIcon::NoIcon;
}

TrayActivation QtTrayShell::activation(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Context:
            return TrayActivation::Context;
        case QSystemTrayIcon::DoubleClick:
            return TrayActivation::DoubleClick;
        case QSystemTrayIcon::Trigger:
            return TrayActivation::Trigger;
        case QSystemTrayIcon::MiddleClick:
            return TrayActivation::MiddleClick;
        case QSystemTrayIcon::Unknown:
            break;
    }
    return TrayActivation::Unknown;
}

void QtTrayShell::onActivated(QSystemTrayIcon::ActivationReason reason) {
    switch (reportFor(kind_, activation(reason))) {
        case TrayReport::DoubleClick:
            emit doubleClicked();
            break;
        case TrayReport::RightButtonUp:
            // A host's ContextMenu call comes without its position through Qt;
            // the pointer is where the user clicked.
            emit rightButtonUp(QCursor::pos());
            break;
        case TrayReport::None:
            break;
    }
}

bool QtTrayShell::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        const QPoint at = mouse->globalPosition().toPoint();
        if (mouse->button() != Qt::LeftButton && tray_ && tray_->isVisible() &&
            tray_->geometry().contains(at) && otherButtons_.press(mouse->button(), mouse->timestamp(), at))
            emit doubleClicked();
    }
    return QObject::eventFilter(watched, event);
}

void connectTrayShell(QtTrayShell& shell, TrayIcon& icon) {
    QObject::connect(&shell, &QtTrayShell::doubleClicked, &icon, &TrayIcon::onDoubleClick);
    QObject::connect(&shell, &QtTrayShell::rightButtonUp, &icon, &TrayIcon::onRightButtonUp);
    QObject::connect(&shell, &QtTrayShell::balloonTimedOut, &icon, &TrayIcon::onBalloonTimedOut);
    QObject::connect(&shell, &QtTrayShell::balloonClicked, &icon, &TrayIcon::onBalloonClicked);
}
