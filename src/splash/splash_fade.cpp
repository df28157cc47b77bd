#include "splash/splash_fade.h"

#include <algorithm>

namespace splash {

int SplashFade::show() {
    phase_ = Phase::FadingIn;
    opacity_ = kStartOpacity;
    return 0;
}

int SplashFade::advance() {
    switch (phase_) {
        case Phase::FadingIn:
            if (opacity_ < kMaxOpacity) {
                opacity_ = std::min(kMaxOpacity, opacity_ + kFadeInStep);
                return kFadeInIntervalMs;
            }
            phase_ = Phase::Shown;
            return kTimeOutMs;
        case Phase::Shown:
            phase_ = Phase::FadingOut;
            [[fallthrough]];
        case Phase::FadingOut:
            if (opacity_ - kFadeOutStep > kEndOpacity) {
                opacity_ -= kFadeOutStep;
                return kFadeOutIntervalMs;
            }
            opacity_ = kEndOpacity;
            phase_ = Phase::Finished;
            return -1;
        case Phase::Hidden:
        case Phase::Finished:
            return -1;
    }
    return -1;
}

}  // namespace splash
