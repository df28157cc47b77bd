// torvik-sim: a stand-in for the Torvik ECU simulator on a virtual bridge.
#include "device/linux/bridge_directory.h"
#include "device/linux/bridge_publication.h"
#include "device/linux/pty_bridge.h"
#include "sim/sim_loop.h"
#include "sim/sim_options.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

constexpr std::size_t kOpenNameBytes = 49;  // what the program hands to its open

int fatal(const std::string& message) {
    std::fprintf(stderr, "torvik-sim: %s\n", message.c_str());
    return 1;
}

bool readWholeFile(const std::string& path, std::string* data) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    data->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    std::string error;
    switch (parseSimOptions(argc, argv, &options, &error)) {
        case SimCommand::Help:
            std::fputs(simHelpText(), stdout);
            return 0;
        case SimCommand::Error:
            std::fprintf(stderr, "torvik-sim: %s\nTry 'torvik-sim --help'.\n", error.c_str());
            return 2;
        case SimCommand::Run:
            break;
    }
    if (options.description.size() > kOpenNameBytes) {
        std::fprintf(stderr,
                     "torvik-sim: note: the description is longer than %zu bytes; torvik-master "
                     "will list this bridge but cannot open it\n",
                     kOpenNameBytes);
    }

    // Stop signals arrive as readable data, so the loop ends cleanly between two steps.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    SimLink link;
    link.stopFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
    if (link.stopFd < 0) return fatal(std::string("signalfd: ") + std::strerror(errno));
    if (!options.sendPath.empty()) {
        if (!readWholeFile(options.sendPath, &link.sendData)) return fatal("cannot read " + options.sendPath);
        link.haveSendData = true;
    }
    if (!options.recordPath.empty()) {
        link.recordFd = open(options.recordPath.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (link.recordFd < 0)
            return fatal("cannot open " + options.recordPath + ": " + std::strerror(errno));
    }

    PtyBridge pty;
    if (!pty.open(&error)) return fatal(error);
    link.masterFd = pty.masterFd();
    BridgePublication publication;
    const std::string bridges = bridgedirectory::defaultPath(&error);
    if (bridges.empty()) return fatal(error);
    if (!publication.publish(bridges, options.description, pty.slavePath(), &error)) {
        return fatal(error);
    }
    std::printf("bridge ready: %s at %s\n", options.description.c_str(), pty.slavePath().c_str());
    std::fflush(stdout);

    std::uint64_t linesSent = 0;
    const int status = runSimLoop(options, link, &error, &linesSent);
    publication.withdraw();
    pty.close();  // the unplug
    std::printf("sent %llu lines\n", static_cast<unsigned long long>(linesSent));
    if (status != 0) return fatal(error);
    return 0;
}
