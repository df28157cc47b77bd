#include "desktop/balloon_window.h"

#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>

namespace {
constexpr int kMargin = 8;
constexpr int kIconSize = 32;
constexpr int kTextWidth = 260;
}  // namespace

BalloonWindow::BalloonWindow(QWidget* parent)
    : QWidget(parent, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus),
      icon_(new QLabel(this)),
      title_(new QLabel(this)),
      text_(new QLabel(this)) {
    setObjectName(QStringLiteral("BalloonWindow"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setBackgroundRole(QPalette::ToolTipBase);
    setAutoFillBackground(true);
    QFont bold = title_->font();
    bold.setBold(true);
    title_->setFont(bold);
    text_->setWordWrap(true);
    text_->setMaximumWidth(kTextWidth);
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    layout->addWidget(icon_, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(title_, 0, 1);
    layout->addWidget(text_, 1, 1);
    hideTimer_.setSingleShot(true);
    connect(&hideTimer_, &QTimer::timeout, this, &QWidget::hide);
}

void BalloonWindow::showBalloon(const QString& title, const QString& text, QSystemTrayIcon::MessageIcon kind,
                                int shownMs) {
    QStyle::StandardPixmap standard = QStyle::SP_MessageBoxInformation;
    if (kind == QSystemTrayIcon::Warning) standard = QStyle::SP_MessageBoxWarning;
    if (kind == QSystemTrayIcon::Critical) standard = QStyle::SP_MessageBoxCritical;
    icon_->setVisible(kind != QSystemTrayIcon::NoIcon);
    icon_->setPixmap(style()->standardIcon(standard).pixmap(kIconSize, kIconSize));
    title_->setText(title);
    text_->setText(text);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(cornerPosition(screen->geometry(), screen->availableGeometry(), size()));
    show();
    raise();
    hideTimer_.start(shownMs);
}

QString BalloonWindow::title() const {
    return title_->text();
}

QString BalloonWindow::text() const {
    return text_->text();
}

QPoint BalloonWindow::cornerPosition(const QRect& screen, const QRect& workArea, const QSize& size) {
    const int left = workArea.right() + 1 - kMargin - size.width();
    const bool panelAtTop = workArea.top() > screen.top();
    const int top = panelAtTop ? workArea.top() + kMargin : workArea.bottom() + 1 - kMargin - size.height();
    return {left, top};
}

void BalloonWindow::mousePressEvent(QMouseEvent* event) {
    event->accept();
    hideTimer_.stop();
    hide();
    emit clicked();
}
