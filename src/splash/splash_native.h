#pragma once
// What the splash window needs from the window system beyond Qt's flags.
// On Windows Qt gives the splash window neither WS_EX_NOACTIVATE nor
// WS_EX_TOOLWINDOW, so it would get a taskbar button and could be activated
// by a click; the styles are set on its native window. Elsewhere the splash
// window type already keeps it off taskbars and the no-focus hint keeps it
// inactive, and this does nothing.

class QWidget;

namespace splash {

// Call before the first show(); creates the native window.
void keepOffTaskbarAndInactive(QWidget& window);

}  // namespace splash
