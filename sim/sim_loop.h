#pragma once
// The simulator's event loop: reads command lines from the pty master, answers
// them, streams monitor traffic at the chosen rate, records and sends files, and
// ends when a stop signal arrives.

#include "sim/sim_options.h"

#include <cstdint>
#include <string>

struct SimLink {
    int masterFd = -1;
    int stopFd = -1;    // readable when SIGINT or SIGTERM arrived (a signalfd)
    int recordFd = -1;  // -1: record nothing
    std::string sendData;
    bool haveSendData = false;
};

// Runs until the stop fd becomes readable (returns 0) or the link fails
// (returns 1 with `error` set). `linesSent`, when given, receives the number of
// CR-terminated lines written to the link (answers and traffic).
int runSimLoop(const SimOptions& options, const SimLink& link, std::string* error,
               std::uint64_t* linesSent = nullptr);
