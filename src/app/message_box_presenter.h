#pragma once
// Shows the program's error messages in real message boxes: error icon, one OK
// button, modal, on the UI thread.

namespace app {

void installMessageBoxPresenter();

}  // namespace app
