#include "splash/splash_screen.h"

#include "splash/splash_native.h"

#include "splash/splash_layout.h"
#include "splash/splash_picture.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace splash {

SplashScreen::SplashScreen(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFixedSize(kSplashSize);
    setAutoFillBackground(false);
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &SplashScreen::advance);
}

SplashScreen::~SplashScreen() {
    if (qApp) qApp->removeEventFilter(this);
}

void SplashScreen::showSplash() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        move(centredPosition(screen->geometry(), screen->availableGeometry(),
                             screen->virtualGeometry().topLeft(), size()));
    }
    schedule(fade_.show());
    keepOffTaskbarAndInactive(*this);
    applyOpacity();
    show();
    QGuiApplication::sync();
    // Windows the program shows while the splash is up must not cover it.
    qApp->installEventFilter(this);
}

void SplashScreen::advance() {
    const int delay = fade_.advance();
    applyOpacity();
    if (delay >= 0) {
        schedule(delay);
        return;
    }
    qApp->removeEventFilter(this);
    hide();
    emit finished();
    deleteLater();
}

void SplashScreen::schedule(int delayMs) {
    if (scheduler_) {
        scheduler_(delayMs);
    } else {
        timer_.start(delayMs);
    }
}

void SplashScreen::applyOpacity() {
    // Wayland lets no program fade its windows: the splash shows unfaded.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    setWindowOpacity(fade_.opacity() / qreal(SplashFade::kMaxOpacity));
    // Each step goes to the window system as it is set: left in the
    // connection's buffer, the steps would reach the screen in one burst.
    if (isVisible()) QGuiApplication::sync();
}

void SplashScreen::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    paintPicture(painter);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(textFont());
    const QRectF frame = textFrame(size());  // its right and bottom pixels included
    painter.setPen(Qt::black);
    painter.drawText(frame, Qt::AlignRight | Qt::AlignTop, kVersionText);
    painter.setPen(QApplication::palette().color(QPalette::Active, QPalette::WindowText));
    painter.drawText(frame, Qt::AlignRight | Qt::AlignBottom, kCopyrightText);
}

// Clicks are swallowed: they neither close nor activate the splash.
void SplashScreen::mousePressEvent(QMouseEvent* event) {
    event->accept();
}
void SplashScreen::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
}

bool SplashScreen::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Show && watched != this && watched->isWidgetType()) {
        const auto* widget = static_cast<QWidget*>(watched);
        const Qt::WindowType type = widget->windowType();
        // Menus and tooltips belong above everything; ordinary windows go below.
        if (widget->isWindow() && (type == Qt::Window || type == Qt::Dialog)) {
            QTimer::singleShot(0, this, [this] { raise(); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace splash
