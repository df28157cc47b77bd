#include "logview/accessible/log_text_window.h"

#include <algorithm>

namespace logtext {

bool LogTextWindow::follow(qint64 caret) {
    const qint64 old = base_;
    const qint64 total = offsets_.length();
    caret = std::clamp<qint64>(caret, 0, total);
    if (total <= limit_) {
        base_ = 0;
    } else if (caret < base_ || caret > base_ + limit_ || base_ > total) {
        base_ = std::max<qint64>(caret - limit_ / 4 * 3, 0);
        // From the start of a line: the one there, or the next when the
        // caret would not fit in the window otherwise.
        const Span line = offsets_.unitAt(base_, Unit::Line);
        if (caret - line.start <= limit_)
            base_ = line.start;
        else if (line.end <= caret)
            base_ = line.end;
    }
    return base_ != old;
}

int LogTextWindow::count() const {
    return static_cast<int>(std::clamp<qint64>(offsets_.length() - base_, 0, limit_));
}

int LogTextWindow::toLocal(qint64 offset) const {
    return static_cast<int>(std::clamp<qint64>(offset - base_, 0, count()));
}

qint64 LogTextWindow::toGlobal(int offset) const {
    return base_ + std::clamp(offset, 0, count());
}

}  // namespace logtext
