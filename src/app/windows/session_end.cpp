#include "app/session_end.h"

// No POSIX signals here: the system ends the program through its own window
// messages, which Qt turns into the application's quit.
namespace app {

void ignoreBrokenPipes() {}

SessionEndSignals::SessionEndSignals(QObject* parent) : QObject(parent) {}

SessionEndSignals::~SessionEndSignals() = default;

void SessionEndSignals::readSignals() {}

}  // namespace app
