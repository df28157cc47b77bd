#pragma once
// torvik-sim's command line.

#include <string>

struct SimOptions {
    std::string description = "TORVIK ECU SIMULATOR";
    std::string recordPath;  // empty: record nothing
    std::string sendPath;    // empty: send nothing
    bool quiet = false;
    int rate = 5;  // monitor lines per second

    static constexpr int kMaxRate = 2000;  // beyond what 115200 baud carries
};

enum class SimCommand { Run, Help, Error };

// Fills `options` from argv; on Error, `error` says what is wrong.
SimCommand parseSimOptions(int argc, char** argv, SimOptions* options, std::string* error);

const char* simHelpText();
