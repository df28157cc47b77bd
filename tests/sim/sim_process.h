#pragma once
// Runs torvik-sim as a child process in a private runtime directory, reads its
// "bridge ready" line, and always ends it: SIGTERM on stop(), SIGKILL from the
// destructor if it is still there, and SIGKILL from the kernel should this test
// process die first.

#include <sys/types.h>

#include <string>
#include <vector>

class SimProcess {
public:
    // Starts `torvik-sim args...` with TORVIK_RUNTIME_DIR set to `runtimeDir`.
    SimProcess(const std::string& runtimeDir, const std::vector<std::string>& args);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Waits for the "bridge ready: <description> at <pty>" line; false when the
    // simulator ended or said nothing within the time.
    bool waitReady(int timeoutMs = 5000);
    const std::string& readyLine() const { return readyLine_; }
    const std::string& ptyPath() const { return ptyPath_; }

    // Sends SIGTERM and returns the exit status (-1 when it did not end in time
    // and had to be killed).
    int stop(int timeoutMs = 5000);
    // Waits for the process to end by itself; exit status or -1.
    int wait(int timeoutMs = 5000);
    // What it wrote to standard error so far (read after it ended).
    std::string errorOutput() const;
    // What it wrote to standard output after the ready line (read after it ended).
    std::string laterOutput();

private:
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    std::string stderrPath_;
    std::string pendingOutput_;
    std::string readyLine_;
    std::string ptyPath_;
};

// Runs torvik-sim to completion (for --help and bad options): exit status and output.
int runSimToEnd(const std::vector<std::string>& args, std::string* output);
