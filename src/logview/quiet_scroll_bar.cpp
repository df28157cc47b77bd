#include "logview/quiet_scroll_bar.h"

#include <QStyle>
#include <QStyleOptionSlider>

namespace logview {

QuietScrollBar::QuietScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {}

QuietScrollBar::Look QuietScrollBar::look() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
            value() == minimum(), value() == maximum()};
}

void QuietScrollBar::sliderChange(SliderChange change) {
    if (change == SliderOrientationChange || !painted_) {
        QScrollBar::sliderChange(change);
        return;
    }
    // The range and the value change one after the other, and the state in
    // between may look different; what counts is the look once both are set.
    if (checkPending_) return;
    checkPending_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            checkPending_ = false;
            if (!painted_ || *painted_ != look()) update();
        },
        Qt::QueuedConnection);
}

void QuietScrollBar::paintEvent(QPaintEvent* event) {
    painted_ = look();
    QScrollBar::paintEvent(event);
}

}  // namespace logview
