// The far end of the double's unit test, built for the build machine: opens a
// pseudo-terminal in raw mode, prints its slave's path, and sends back every
// byte it receives until the line "HANGUP\r" arrives, whereupon it closes the
// terminal (an unplug, as seen from the other end) and ends.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr unsigned kLifetimeSeconds = 600;  // a runner that died leaves nothing behind for long
const std::string kHangUp = "HANGUP\r";

bool writeAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) {
            pollfd out{fd, POLLOUT, 0};
            ::poll(&out, 1, 100);
            continue;
        }
        if (n <= 0) return false;
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

int main() {
    ::alarm(kLifetimeSeconds);
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) {
        std::perror("pty_echo: posix_openpt");
        return 1;
    }
    const std::string slavePath = ::ptsname(master);
    // Held open so that the master reads no EIO before the other end opens the
    // slave; the termios settings belong to the slave.
    const int slave = ::open(slavePath.c_str(), O_RDWR | O_NOCTTY);
    termios tio{};
    if (slave < 0 || ::tcgetattr(slave, &tio) != 0) {
        std::perror("pty_echo: slave");
        return 1;
    }
    ::cfmakeraw(&tio);
    ::tcsetattr(slave, TCSANOW, &tio);
    std::printf("%s\n", slavePath.c_str());
    std::fflush(stdout);

    std::string tail;  // the last bytes received, to spot the hang-up line across reads
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return 1;
        tail.append(buffer, static_cast<size_t>(n));
        if (tail.find(kHangUp) != std::string::npos) break;
        if (tail.size() > kHangUp.size()) tail.erase(0, tail.size() - kHangUp.size());
        if (!writeAll(master, buffer, static_cast<size_t>(n))) return 1;
    }
    ::close(slave);
    ::close(master);
    return 0;
}
