#pragma once
// The running copy's answer to a second start: the window registered in the
// shared record is restored when minimised and then raised and activated when
// visible. The registered window is the application's hidden owner window, so
// a main window hidden in the tray stays hidden. Use it as the handler of
// CheckPrevious::ActivationListener:
//
//     CheckPrevious::ActivationListener listener(CheckPrevious::BringWindowForward);

#include "app/check_previous.h"

class QWindow;

namespace CheckPrevious {

// The top-level window of this process whose native handle is `handle`, if any.
QWindow* FindWindow(WindowHandle handle);

// Brings the window named by `handle` forward; a handle of another process or
// of no window is ignored.
void BringWindowForward(WindowHandle handle);
void BringForward(QWindow* window);

}  // namespace CheckPrevious
