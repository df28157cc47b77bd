#include "app/session_end.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace app {

namespace {

constexpr int kEndSignals[] = {SIGTERM, SIGINT, SIGHUP};

// One watcher per process: the handler can reach only plain globals.
int writeEnd = -1;
int readEnd = -1;

extern "C" void forwardSignal(int signalNumber) {
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    // A full socket already holds an end request; losing this one loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(writeEnd, &number, 1);
    errno = savedErrno;
}

void setHandler(int signalNumber, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signalNumber, &action, nullptr);
}

}  // namespace

void ignoreBrokenPipes() {
    setHandler(SIGPIPE, SIG_IGN);
}

SessionEndSignals::SessionEndSignals(QObject* parent) : QObject(parent) {
    if (writeEnd >= 0) return;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pair) != 0) return;
    writeEnd = pair[0];
    readEnd = pair[1];
    notifier_ = new QSocketNotifier(readEnd, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &SessionEndSignals::readSignals);
    for (const int signalNumber : kEndSignals) setHandler(signalNumber, forwardSignal);
}

SessionEndSignals::~SessionEndSignals() {
    if (!notifier_) return;
    for (const int signalNumber : kEndSignals) setHandler(signalNumber, SIG_DFL);
    ::close(writeEnd);
    ::close(readEnd);
    writeEnd = readEnd = -1;
}

void SessionEndSignals::readSignals() {
    unsigned char numbers[16];
    const ssize_t count = ::read(readEnd, numbers, sizeof numbers);
    if (count <= 0) return;
    requested_ = true;
    emit endRequested(numbers[count - 1]);
}

}  // namespace app
