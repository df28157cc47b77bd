#pragma once
// What both guard probes (guard_probe.cpp, windows/guard_probe.cpp) print as
// they start: one line a step, flushed at once for the test reading it.

#include "app/check_previous.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <string>

inline void say(const std::string& text) {
    std::printf("%s\n", text.c_str());
    std::fflush(stdout);
}

// Runs the guard like the program's start. Prints "RUN" and gives nothing
// when this copy goes on; prints "END" (status 0) when it hands over, or
// "ERROR <what>" (status 2) when the guard fails, and gives the status.
inline std::optional<int> startGuard(CheckPrevious::WindowHandle handle, int maxCount) {
    try {
        if (CheckPrevious::ActivatePreviousInstance(handle, maxCount)) {
            say("END");
            return 0;
        }
    } catch (const std::exception& error) {
        say(std::string("ERROR ") + error.what());
        return 2;
    }
    say("RUN");
    return std::nullopt;
}
