#pragma once
// The splash screen's course in time, as a plain state machine the widget
// plays with a timer and tests play step by step: shown at opacity 5, raised
// by 5 every 5 ms to 255, held for 3000 ms, lowered by 20 every 15 ms and, at
// the step that would reach 10 or less, set to 10 and finished.

namespace splash {

class SplashFade {
public:
    static constexpr int kStartOpacity = 5;
    static constexpr int kMaxOpacity = 255;
    static constexpr int kFadeInStep = 5;
    static constexpr int kFadeInIntervalMs = 5;
    static constexpr int kTimeOutMs = 3000;
    static constexpr int kFadeOutStep = 20;
    static constexpr int kFadeOutIntervalMs = 15;
    static constexpr int kEndOpacity = 10;

    enum class Phase { Hidden, FadingIn, Shown, FadingOut, Finished };

    // Starts the fade-in at kStartOpacity. Returns the delay before the first
    // advance() (none: the first raise follows at once).
    int show();

    // Takes the next step. Returns the delay before the one after it, or -1
    // once finished, when the splash is to be destroyed.
    int advance();

    int opacity() const { return opacity_; }
    Phase phase() const { return phase_; }

private:
    Phase phase_ = Phase::Hidden;
    int opacity_ = 0;
};

}  // namespace splash
