// torvik-sim's command line and its command loop. The input holds a few
// arguments, maybe some --send data, and then the bytes the program writes; the
// loop runs over a socket pair until those bytes end. Every command line must
// get exactly one answer (none for a blank line) and the --send data once.
#include "fuzz/fuzz_check.h"
#include "sim/sim_loop.h"
#include "sim/sim_options.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

SimOptions parsedOptions(FuzzedDataProvider& in) {
    std::vector<std::string> args{"torvik-sim"};
    const int count = in.ConsumeIntegralInRange(0, 6);
    for (int i = 0; i < count; ++i) args.push_back(in.ConsumeRandomLengthString(24));
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    SimOptions options;
    std::string error;
    switch (parseSimOptions(static_cast<int>(args.size()), argv.data(), &options, &error)) {
        case SimCommand::Error:
            FUZZ_CHECK(!error.empty());
            return SimOptions{};
        case SimCommand::Help:
            return SimOptions{};
        case SimCommand::Run:
            FUZZ_CHECK(options.rate >= 1 && options.rate <= SimOptions::kMaxRate);
            FUZZ_CHECK(options.recordPath.empty() || options.recordPath != options.sendPath);
            return options;
    }
    return SimOptions{};
}

// For each command line of `input`, whether it calls for an answer.
std::vector<bool> expectedAnswers(const std::string& input) {
    std::vector<bool> answers;
    std::string line;
    for (const char c : input) {
        if (c == '\n') continue;
        if (c != '\r') {
            line += c;
            continue;
        }
        answers.push_back(line.size() > 256 || line.find_first_not_of(' ') != std::string::npos);
        line.clear();
    }
    return answers;
}

int countAnswers(const std::string& output) {
    int answers = 0;
    std::size_t start = 0;
    while (start < output.size()) {
        std::size_t end = output.find('\r', start);
        FUZZ_CHECK(end != std::string::npos);  // every line ends with CR
        const std::string_view line(output.data() + start, end - start);
        if (line.starts_with("OK ") || line.starts_with("ERROR ")) ++answers;
        start = end + 1;
    }
    return answers;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const SimOptions options = parsedOptions(in);
    SimLink link;
    link.haveSendData = in.ConsumeBool();
    if (link.haveSendData) link.sendData = in.ConsumeRandomLengthString(64);
    const std::string input = in.ConsumeRemainingBytesAsString();

    int sockets[2], stop[2];
    FUZZ_CHECK(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) == 0);
    FUZZ_CHECK(::pipe(stop) == 0);
    link.masterFd = sockets[0];
    link.stopFd = stop[0];

    // The program's side: writes everything, then ends its output; collects answers.
    std::string output;
    std::thread program([&] {
        std::size_t done = 0;
        while (done < input.size()) {
            const ssize_t n = ::write(sockets[1], input.data() + done, input.size() - done);
            FUZZ_CHECK(n > 0);
            done += std::size_t(n);
        }
        ::shutdown(sockets[1], SHUT_WR);
        char buf[4096];
        for (ssize_t n; (n = ::read(sockets[1], buf, sizeof buf)) > 0;) output.append(buf, std::size_t(n));
    });
    std::string error;
    // The loop ends when the program's side is gone, like a pty whose slave closed.
    std::uint64_t linesSent = 0;
    FUZZ_CHECK(runSimLoop(options, link, &error, &linesSent) == 1 && !error.empty());
    ::shutdown(sockets[0], SHUT_WR);
    program.join();
    FUZZ_CHECK(linesSent == std::uint64_t(std::count(output.begin(), output.end(), '\r')));
    for (const int fd : {sockets[0], sockets[1], stop[0], stop[1]}) ::close(fd);

    const std::vector<bool> lines = expectedAnswers(input);
    if (lines.empty()) {
        FUZZ_CHECK(output.empty());
        return 0;
    }
    std::string answers = output;
    if (link.haveSendData) {
        // Right after the answer to the first line (none when it is blank or quiet).
        const std::size_t at = (options.quiet || !lines[0]) ? 0 : answers.find('\r') + 1;
        FUZZ_CHECK(at > 0 || options.quiet || !lines[0]);
        FUZZ_CHECK(answers.compare(at, link.sendData.size(), link.sendData) == 0);
        answers.erase(at, link.sendData.size());
    }
    const auto expected = options.quiet ? 0 : std::count(lines.begin(), lines.end(), true);
    FUZZ_CHECK(countAnswers(answers) == expected);
    return 0;
}
