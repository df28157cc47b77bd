#pragma once
// WindowVisibility: the main window's hiding and showing as one state machine,
// with the application's minimised flag.
//
// The window is Hidden (withdrawn, the flag set once it has been shown),
// Showing (asked onto the screen, not yet seen there) or Shown. The window
// system reports a window state of its own at times: while the window is
// Showing such a report may still say "minimised" from before it was hidden,
// so only a report while Shown is the user's minimise. A report while Hidden
// comes from the window system finishing an earlier change and is dropped too.
//
//   WindowVisibility v;
//   if (v.minimize()) window.hide();          // close box, minimise box
//   v.beginShowing(); ... v.restore();        // ShowMainForm
//   v.exposed();                              // the window is on the screen
//   if (v.minimizedReported()) ... minimize   // the window system says minimised

class WindowVisibility {
public:
    enum class Phase { Hidden, Showing, Shown };

    Phase phase() const { return phase_; }
    bool applicationMinimized() const { return minimized_; }

    // The application's Minimise: true when the window is to be hidden now,
    // false when the application was minimised already.
    bool minimize();
    // The application's Restore: true when the flag was set and is now clear.
    bool restore();

    // The window is asked onto the screen.
    void beginShowing();
    // The window system has put the window on the screen in a normal state.
    void exposed();
    // The window system reports the window minimised: true when that is the
    // user's own minimise, to be routed to the application's Minimise.
    bool minimizedReported() const { return phase_ == Phase::Shown; }

private:
    Phase phase_ = Phase::Hidden;
    bool minimized_ = false;
};
