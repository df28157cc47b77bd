#pragma once
// Shows the program's error messages in real message boxes: error icon, one OK
// button, modal, on the UI thread. When the session asks the program to end
// (SIGTERM at logout, SIGINT, SIGHUP), an open box closes at once and no later
// box comes up, so that a box nobody may see, such as the one for a missing
// notification area, never keeps the program alive.

namespace app {

class SessionEndSignals;

void installMessageBoxPresenter(SessionEndSignals* sessionEnd = nullptr);

}  // namespace app
