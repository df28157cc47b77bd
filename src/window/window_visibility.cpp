#include "window/window_visibility.h"

bool WindowVisibility::minimize() {
    if (minimized_) return false;
    minimized_ = true;
    phase_ = Phase::Hidden;
    return true;
}

bool WindowVisibility::restore() {
    if (!minimized_) return false;
    minimized_ = false;
    return true;
}

void WindowVisibility::beginShowing() {
    if (phase_ == Phase::Hidden) phase_ = Phase::Showing;
}

void WindowVisibility::exposed() {
    if (phase_ == Phase::Showing) phase_ = Phase::Shown;
}
