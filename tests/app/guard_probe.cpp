// A stand-in for the program's start, for the guard's tests. Usage:
// guard_probe <window handle> <maximum copies>. It waits for a line on
// standard input (so a test can start many copies at the same instant), runs
// the guard and prints "RUN" or "END". A running copy then prints
// "WAKE <handle>" for every request from a later copy and ends normally on
// "quit" or when its input closes.

#include "app/check_previous.h"
#include "app/check_previous_listener.h"
#include "guard_probe_start.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

namespace {

// Reads one line from standard input without buffering past it; false at its end.
bool readLine(std::string& line) {
    line.clear();
    char c;
    while (true) {
        const ssize_t n = ::read(STDIN_FILENO, &c, 1);
        if (n <= 0) return false;
        if (c == '\n') return true;
        line.push_back(c);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 64;
    const auto handle = static_cast<CheckPrevious::WindowHandle>(std::strtoul(argv[1], nullptr, 10));
    const int maxCount = std::atoi(argv[2]);
    std::string line;
    if (!readLine(line)) return 65;

    if (const auto status = startGuard(handle, maxCount)) return *status;

    QCoreApplication app(argc, argv);
    CheckPrevious::ActivationListener listener(
        [](CheckPrevious::WindowHandle woken) { say("WAKE " + std::to_string(woken)); });
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&] {
        std::string command;
        if (!readLine(command) || command == "quit") app.quit();
    });
    return app.exec();
}
