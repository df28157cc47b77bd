// On Windows a second copy restores and raises the registered window itself
// (ActivatePreviousInstance does), so the running copy has nothing to listen to.

#include "app/check_previous_listener.h"

namespace CheckPrevious {

ActivationListener::ActivationListener(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

void ActivationListener::readRequests() {}

}  // namespace CheckPrevious
