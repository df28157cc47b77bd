#include "sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> argvOf(std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    return argv;
}

// Forks and execs torvik-sim with stdout on `outFd` and stderr on `errFd`.
pid_t spawn(std::vector<std::string> args, std::vector<std::string> env, int outFd, int errFd) {
    args.insert(args.begin(), TORVIK_SIM_PATH);
    std::vector<char*> argv = argvOf(args);
    std::vector<char*> envp = argvOf(env);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid != 0) return pid;
    // Child: only async-signal-safe calls from here on.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) ::_exit(127);
    ::dup2(outFd, STDOUT_FILENO);
    ::dup2(errFd, STDERR_FILENO);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
}

int exitStatusOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

SimProcess::SimProcess(const std::string& runtimeDir, const std::vector<std::string>& args) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return;
    stderrPath_ = runtimeDir + "/sim-stderr-" + std::to_string(reinterpret_cast<std::uintptr_t>(this));
    const int errFd = ::open(stderrPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    std::vector<std::string> env = {"TORVIK_RUNTIME_DIR=" + runtimeDir, "PATH=/usr/bin:/bin"};
    // Sanitizer settings must reach the child too.
    for (const char* name : {"ASAN_OPTIONS", "UBSAN_OPTIONS", "TSAN_OPTIONS"}) {
        if (const char* value = std::getenv(name)) env.push_back(std::string(name) + "=" + value);
    }
    pid_ = spawn(args, env, out[1], errFd);
    ::close(out[1]);
    ::close(errFd);
    stdoutFd_ = out[0];
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    if (stdoutFd_ >= 0) ::close(stdoutFd_);
    if (!stderrPath_.empty()) ::unlink(stderrPath_.c_str());
}

bool SimProcess::waitReady(int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    static const std::string kReady = "bridge ready: ";
    while (Clock::now() < deadline) {
        const auto newline = pendingOutput_.find('\n');
        if (newline != std::string::npos) {
            readyLine_ = pendingOutput_.substr(0, newline);
            const auto at = readyLine_.rfind(" at ");
            if (readyLine_.compare(0, kReady.size(), kReady) != 0 || at == std::string::npos) return false;
            ptyPath_ = readyLine_.substr(at + 4);
            return true;
        }
        pollfd p{stdoutFd_, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (::poll(&p, 1, static_cast<int>(std::max<long>(left.count(), 0))) <= 0) continue;
        char buf[256];
        const ssize_t n = ::read(stdoutFd_, buf, sizeof buf);
        if (n <= 0) return false;  // it ended without a word
        pendingOutput_.append(buf, static_cast<std::size_t>(n));
    }
    return false;
}

int SimProcess::wait(int timeoutMs) {
    if (pid_ <= 0) return -1;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int status = 0;
    while (Clock::now() < deadline) {
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return exitStatusOf(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return -1;
}

int SimProcess::stop(int timeoutMs) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, SIGTERM);
    return wait(timeoutMs);
}

std::string SimProcess::errorOutput() const {
    std::ifstream in(stderrPath_);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string SimProcess::laterOutput() {
    std::string output = pendingOutput_.substr(std::min(pendingOutput_.size(), readyLine_.size() + 1));
    char buf[256];
    ssize_t n;
    while ((n = ::read(stdoutFd_, buf, sizeof buf)) > 0) output.append(buf, static_cast<std::size_t>(n));
    return output;
}

int runSimToEnd(const std::vector<std::string>& args, std::string* output) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return -1;
    const pid_t pid = spawn(args, {"PATH=/usr/bin:/bin"}, out[1], out[1]);
    ::close(out[1]);
    char buf[4096];
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof buf)) > 0) output->append(buf, static_cast<std::size_t>(n));
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return exitStatusOf(status);
}
