#include "sim/sim_loop.h"

#include "sim/command_lines.h"
#include "sim/ecu_simulator.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

// Traffic is dropped while this much output waits: the program is not reading,
// or the link is full. Answers and --send data are always kept.
constexpr std::size_t kTrafficBacklog = 4096;
// After a stall, catch up with at most this many lines at once.
constexpr int kMaxBurst = 50;

double seconds(Clock::time_point t) {
    return std::chrono::duration<double>(t.time_since_epoch()).count();
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

class Session {
public:
    Session(const SimOptions& options, const SimLink& link)
        : options_(options), link_(link), interval_(std::chrono::nanoseconds(1'000'000'000 / options.rate)) {}

    std::uint64_t linesSent() const { return linesSent_; }

    int run(std::string* error) {
        for (;;) {
            pollfd fds[2] = {{link_.masterFd, short(POLLIN | (output_.empty() ? 0 : POLLOUT)), 0},
                             {link_.stopFd, POLLIN, 0}};
            const int n = ::poll(fds, 2, timeoutMs());
            if (n < 0 && errno != EINTR) return fail(error, "poll");
            if (fds[1].revents & POLLIN) return 0;
            if ((fds[0].revents & POLLIN) && !receive(error)) return 1;
            emitDueTraffic();
            if (!output_.empty() && !flush(error)) return 1;
        }
    }

private:
    int fail(std::string* error, const char* what) {
        *error = std::string(what) + ": " + std::strerror(errno);
        return 1;
    }

    bool receive(std::string* error) {
        char buf[4096];
        const ssize_t n = ::read(link_.masterFd, buf, sizeof buf);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
        if (n <= 0) {
            fail(error, "reading the pseudo-terminal");
            return false;
        }
        const std::string_view bytes(buf, static_cast<std::size_t>(n));
        if (link_.recordFd >= 0 && !writeAll(link_.recordFd, bytes.data(), bytes.size())) {
            fail(error, "writing the record file");
            return false;
        }
        for (const CommandLines::Line& line : lines_.feed(bytes)) handle(line);
        return true;
    }

    void handle(const CommandLines::Line& line) {
        const bool trafficBefore = ecu_.producesTraffic();
        const std::string reply =
            line.overlong ? ecu_.answerOverlongLine() : ecu_.answer(line.text, seconds(Clock::now()));
        if (!options_.quiet) output_ += reply;
        if (link_.haveSendData && !sent_) {
            output_ += link_.sendData;
            sent_ = true;
        }
        if (!trafficBefore && ecu_.producesTraffic()) nextLineAt_ = Clock::now() + interval_;
    }

    bool trafficActive() const { return !options_.quiet && ecu_.producesTraffic(); }

    int timeoutMs() const {
        if (!trafficActive()) return -1;
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextLineAt_ - Clock::now());
        return wait.count() > 0 ? static_cast<int>(wait.count()) : 0;
    }

    void emitDueTraffic() {
        if (!trafficActive()) return;
        const auto now = Clock::now();
        int burst = 0;
        while (nextLineAt_ <= now && burst++ < kMaxBurst) {
            const std::string line = ecu_.nextTrafficLine(seconds(now));
            if (output_.size() < kTrafficBacklog) output_ += line;
            nextLineAt_ += interval_;
        }
        if (nextLineAt_ <= now) nextLineAt_ = now + interval_;  // too far behind: start afresh
    }

    bool flush(std::string* error) {
        const ssize_t n = ::write(link_.masterFd, output_.data(), output_.size());
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
        if (n < 0) {
            fail(error, "writing the pseudo-terminal");
            return false;
        }
        linesSent_ += static_cast<std::uint64_t>(std::count(output_.begin(), output_.begin() + n, '\r'));
        output_.erase(0, static_cast<std::size_t>(n));
        return true;
    }

    const SimOptions& options_;
    const SimLink& link_;
    const Clock::duration interval_;
    EcuSimulator ecu_;
    CommandLines lines_;
    std::string output_;
    bool sent_ = false;
    std::uint64_t linesSent_ = 0;
    Clock::time_point nextLineAt_{};
};

}  // namespace

int runSimLoop(const SimOptions& options, const SimLink& link, std::string* error, std::uint64_t* linesSent) {
    Session session(options, link);
    const int status = session.run(error);
    if (linesSent) *linesSent = session.linesSent();
    return status;
}
