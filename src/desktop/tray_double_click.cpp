#include "desktop/tray_double_click.h"

#include <cstdlib>

bool TrayDoubleClick::press(Qt::MouseButton button, quint64 timeMs, QPoint pos) {
    if (seen_ && button == button_ && timeMs == timeMs_) return false;  // reported again
    const bool completes = pending_ && button == button_ && timeMs >= timeMs_ &&
                           timeMs - timeMs_ <= static_cast<quint64>(intervalMs_) &&
                           std::abs(pos.x() - pos_.x()) <= distance_ &&
                           std::abs(pos.y() - pos_.y()) <= distance_;
    seen_ = true;
    pending_ = !completes;
    button_ = button;
    timeMs_ = timeMs;
    pos_ = pos;
    return completes;
}
