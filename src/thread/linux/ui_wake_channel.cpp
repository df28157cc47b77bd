// The wake-up is a byte down a non-blocking pipe; a socket notifier on the
// owner's thread reads what has come and runs the callback.
#include "thread/ui_wake_channel.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace {

class PipeWakeChannel final : public UiWakeChannel {
public:
    PipeWakeChannel(QObject* owner, int readFd, int writeFd, std::function<void()> onWake)
        : UiWakeChannel(owner),
          readFd_(readFd),
          writeFd_(writeFd),
          onWake_(std::move(onWake)),
          notifier_(new QSocketNotifier(readFd, QSocketNotifier::Read, this)) {
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            // A short read has emptied the pipe: no second call to learn so.
            char bytes[64];
            ssize_t n;
            do {
                n = ::read(readFd_, bytes, sizeof bytes);
            } while (n == ssize_t(sizeof bytes) || (n < 0 && errno == EINTR));
            onWake_();
        });
    }

    ~PipeWakeChannel() override {
        delete notifier_;  // before its descriptor closes
        ::close(readFd_);
        ::close(writeFd_);
    }

    void signal() override {
        const char one = 1;
        // A full pipe (EAGAIN) already holds a wake-up that has not been read.
        while (::write(writeFd_, &one, 1) < 0 && errno == EINTR) {
        }
    }

private:
    const int readFd_;
    const int writeFd_;
    const std::function<void()> onWake_;
    QSocketNotifier* notifier_;
};

}  // namespace

UiWakeChannel* makeUiWakeChannel(QObject* owner, std::function<void()> onWake) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return nullptr;
    return new PipeWakeChannel(owner, fds[0], fds[1], std::move(onWake));
}
