#include "tray/qt_tray_shell.h"

#include "tray/tray_icon.h"

#include <QCoreApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>
#include <QThread>

namespace {
constexpr int kTrayPollMs = 100;
}

QtTrayShell::QtTrayShell(ImageSource images, int waitForTrayMs, QObject* parent)
    : QObject(parent),
      images_(std::move(images)),
      available_([] { return QSystemTrayIcon::isSystemTrayAvailable(); }),
      waitForTrayMs_(waitForTrayMs),
      otherButtons_(QGuiApplication::styleHints()->mouseDoubleClickInterval(),
                    QGuiApplication::styleHints()->mouseDoubleClickDistance()) {
    balloonTimer_.setSingleShot(true);
    connect(&balloonTimer_, &QTimer::timeout, this, &QtTrayShell::balloonTimedOut);
    connect(&tray_, &QSystemTrayIcon::activated, this, &QtTrayShell::onActivated);
    connect(&tray_, &QSystemTrayIcon::messageClicked, this, &QtTrayShell::balloonClicked);
    // Qt's tray reports only the left button's double-click; the right and
    // middle ones are recognised from the presses on the icon, whichever of
    // the program's windows (the icon's, or an open menu's) receives them.
    qApp->installEventFilter(this);
}

QtTrayShell::~QtTrayShell() = default;

bool QtTrayShell::waitForTray() {
    QElapsedTimer clock;
    clock.start();
    while (!available_()) {
        if (clock.elapsed() >= waitForTrayMs_) return false;
        QThread::msleep(kTrayPollMs);
        QCoreApplication::processEvents();
    }
    return true;
}

bool QtTrayShell::add(const NotifyRecord& record) {
    if (!waitForTray()) return false;
    apply(record);
    tray_.show();
    return true;
}

void QtTrayShell::modify(const NotifyRecord& record) {
    apply(record);
}

void QtTrayShell::remove(const NotifyRecord&) {
    balloonTimer_.stop();
    tray_.hide();
}

void QtTrayShell::apply(const NotifyRecord& record) {
    tray_.setIcon(images_(record.iconIndex));
    tray_.setToolTip(record.has(notify::NIF_TIP) ? record.tip : QString());
    if (record.has(notify::NIF_INFO)) {
        const int shownMs = static_cast<int>(record.timeoutMs);
        tray_.showMessage(record.infoTitle, record.info, messageIcon(record.infoFlags), shownMs);
        balloonTimer_.start(shownMs);
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

void QtTrayShell::onActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick)
        emit doubleClicked();
    else if (reason == QSystemTrayIcon::Context)
        emit rightButtonUp(QCursor::pos());
}

bool QtTrayShell::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        const auto* mouse = static_cast<const QMouseEvent*>(event);
        const QPoint at = mouse->globalPosition().toPoint();
        if (mouse->button() != Qt::LeftButton && tray_.isVisible() && tray_.geometry().contains(at) &&
            otherButtons_.press(mouse->button(), mouse->timestamp(), at))
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
