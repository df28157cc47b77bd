#pragma once
// TrayDoubleClick: recognises a double-click of any mouse button from the
// button's presses, as the platform defines it: the second press of the same
// button within the double-click interval after the first, no further from it
// than the double-click distance on either axis. A press that completes a
// double-click starts no new one; another button's press starts afresh.
//
//   TrayDoubleClick clicks(styleHints->mouseDoubleClickInterval(),
//                          styleHints->mouseDoubleClickDistance());
//   if (clicks.press(event->button(), event->timestamp(), globalPos)) ...

#include <QPoint>
#include <Qt>

class TrayDoubleClick {
public:
    TrayDoubleClick(int intervalMs, int distance) : intervalMs_(intervalMs), distance_(distance) {}

    // A press of `button` at `timeMs` (the window system's clock) and screen
    // position `pos`. True when it completes a double-click. The same press
    // reported twice (same button and time) counts once.
    bool press(Qt::MouseButton button, quint64 timeMs, QPoint pos);

private:
    int intervalMs_;
    int distance_;
    bool pending_ = false;  // a first press waits for its second
    bool seen_ = false;     // any press yet (for the repeated report)
    Qt::MouseButton button_ = Qt::NoButton;
    quint64 timeMs_ = 0;
    QPoint pos_;
};
