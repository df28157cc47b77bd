#pragma once
// Receives a second copy's request to bring this copy's registered window
// forward. Create it once the application object exists, after
// CheckPrevious::ActivatePreviousInstance has registered this copy, and keep it
// for the life of the event loop; it calls `handler` on this thread with the
// handle that the second copy found in the shared record. Destroy it before
// CheckPrevious::Finalize(). A copy that did not register listens to nothing.

#include "app/check_previous.h"

#include <QObject>

#include <functional>

class QSocketNotifier;

namespace CheckPrevious {

class ActivationListener : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<void(WindowHandle)>;

    explicit ActivationListener(Handler handler, QObject* parent = nullptr);

    bool isListening() const { return notifier_ != nullptr; }

private:
    void readRequests();

    Handler handler_;
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace CheckPrevious
