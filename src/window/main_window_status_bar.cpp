#include "window/main_window_status_bar.h"

#include <QResizeEvent>

MainStatusBar::MainStatusBar(QWidget* parent) : QWidget(parent), grip_(new QSizeGrip(this)) {
    setObjectName(QStringLiteral("StatusBar1"));
    setFixedHeight(kHeight);
    const std::array<Qt::Alignment, 3> alignments{Qt::AlignCenter, Qt::AlignLeft | Qt::AlignVCenter,
                                                  Qt::AlignCenter};
    for (int i = 0; i < 3; ++i) {
        panels_[i] = new QLabel(this);
        panels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        panels_[i]->setAlignment(alignments[i]);
        panels_[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        panels_[i]->setContentsMargins(2, 0, 2, 0);
    }
    panels_[2]->setText(QStringLiteral("© 2026 Torvik Master contributors"));
    // Heard without the picture around them, the panels say what they show.
    setPanelText(0, QString());
    panels_[1]->setAccessibleName(QStringLiteral("Status"));
    grip_->raise();
}

void MainStatusBar::setPanelText(int panel, const QString& text) {
    panels_.at(panel)->setText(text);
    if (panel == 0)
        panels_[0]->setAccessibleName(text.isEmpty() ? QStringLiteral("Link state")
                                                     : QStringLiteral("Link state: %1").arg(text));
}

QString MainStatusBar::panelText(int panel) const {
    return panels_.at(panel)->text();
}

void MainStatusBar::resizeEvent(QResizeEvent* event) {
    const int width = event->size().width();
    panels_[0]->setGeometry(0, 0, kPanel1Width, kHeight);
    panels_[1]->setGeometry(kPanel1Width, 0, kPanel2Width, kHeight);
    // The last panel always reaches the right edge, however narrow the window.
    const int thirdLeft = kPanel1Width + kPanel2Width;
    panels_[2]->setGeometry(thirdLeft, 0, std::max(0, width - thirdLeft), kHeight);
    const QSize grip = grip_->sizeHint().boundedTo(QSize(kHeight, kHeight));
    grip_->setGeometry(width - grip.width(), kHeight - grip.height(), grip.width(), grip.height());
}
