#include "app/check_previous_listener.h"

#include "app/check_previous_object.h"

#include <QSocketNotifier>

#include <unistd.h>

#include <cstring>

namespace CheckPrevious {

ActivationListener::ActivationListener(Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    const int fd = WakeDescriptor();
    if (fd < 0) return;
    notifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &ActivationListener::readRequests);
}

void ActivationListener::readRequests() {
    // Every request is one handle, written whole (the channel never splits
    // writes this small), so a read returns whole requests only.
    WindowHandle requests[64];
    const ssize_t length = ::read(WakeDescriptor(), requests, sizeof requests);
    if (length <= 0) return;
    const auto count = static_cast<std::size_t>(length) / sizeof(WindowHandle);
    for (std::size_t i = 0; i < count; ++i) {
        if (handler_) handler_(requests[i]);
    }
}

}  // namespace CheckPrevious
