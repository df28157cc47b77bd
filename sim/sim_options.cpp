#include "sim/sim_options.h"

#include <cstdlib>
#include <cstring>

SimCommand parseSimOptions(int argc, char** argv, SimOptions* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string* out) {
            if (i + 1 >= argc) {
                *error = "option " + arg + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") return SimCommand::Help;
        if (arg == "--quiet") {
            options->quiet = true;
        } else if (arg == "--description") {
            if (!value(&options->description)) return SimCommand::Error;
        } else if (arg == "--record") {
            if (!value(&options->recordPath)) return SimCommand::Error;
        } else if (arg == "--send") {
            if (!value(&options->sendPath)) return SimCommand::Error;
        } else if (arg == "--rate") {
            std::string text;
            if (!value(&text)) return SimCommand::Error;
            char* end = nullptr;
            const long rate = std::strtol(text.c_str(), &end, 10);
            if (text.empty() || *end != '\0' || rate < 1 || rate > SimOptions::kMaxRate) {
                *error = "--rate takes a whole number from 1 to " + std::to_string(SimOptions::kMaxRate);
                return SimCommand::Error;
            }
            options->rate = static_cast<int>(rate);
        } else {
            *error = "unknown option " + arg;
            return SimCommand::Error;
        }
    }
    if (!options->recordPath.empty() && options->recordPath == options->sendPath) {
        *error = "--record and --send must name different files";
        return SimCommand::Error;
    }
    return SimCommand::Run;
}

const char* simHelpText() {
    return R"(Usage: torvik-sim [options]

Stands in for a Torvik ECU simulator attached over a USB-serial bridge, so that
torvik-master can be tried and tested without hardware. It opens a
pseudo-terminal, publishes it as a virtual bridge in the bridge directory
(/run/user/<uid>/torvik-bridges, or ~/.cache/torvik-<host>/torvik-bridges), prints

  bridge ready: <description> at <pty path>

on standard output and then plays the unit until SIGINT or SIGTERM, which
withdraw the bridge and close the pty (an unplug) and end it with status 0.
On its way out it prints

  sent <n> lines

with the number of lines (answers and traffic) it wrote to the pty.

Options:
  --description TEXT  the bridge's USB description (default "TORVIK ECU SIMULATOR");
                      1 to 63 printable ASCII characters, no '/', not starting with '.'.
                      torvik-master opens by the first 49 bytes, so keep it shorter.
  --record FILE       append every byte received from the program to FILE, raw,
                      written out at once
  --send FILE         once the first command line has arrived, send FILE's bytes
                      raw, exactly once (after the answer to that line)
  --quiet             answer nothing and generate no traffic (only --send data goes out)
  --rate N            monitor traffic lines per second, 1 to 2000 (default 5);
                      lines that the link cannot take are dropped
  --help              show this text

Commands: one line each, ended by CR (line feeds are ignored, letters may be in
either case). Every answer is one line ended by CR:
  SP0 .. SP5   select the emulated protocol   -> OK PROTOCOL <n> <name>
               0 NONE, 1 J1850 PWM, 2 J1850 VPW, 3 ISO 9141-2, 4 ISO 14230-4,
               5 ISO 15765-4
  reset        restart the emulated car       -> OK RESET
               (engine back to idle; protocol and monitor stay as they are)
  MON1 / MON0  traffic monitor on / off       -> OK MONITOR ON / OK MONITOR OFF
  an empty line                               -> no answer
  anything else                               -> ERROR UNKNOWN COMMAND
  a line over 256 bytes                       -> ERROR LINE TOO LONG
It starts with protocol 0 (NONE) and the monitor off.

Traffic: while the monitor is on and a protocol other than 0 is selected, it
sends a tester's mode 01 requests for engine speed (PID 0C), vehicle speed (0D)
and coolant temperature (05) and the engine controller's answers, one message
per line, each ended by CR, as hexadecimal bytes:
  ISO 15765-4  CAN id and 8 data bytes:  7DF 02 01 0C 00 00 00 00 00
                                         7E8 04 41 0C 1A F8 00 00 00
  ISO 14230-4  format, target, source, data, checksum:  C2 33 F1 01 0C F3
  ISO 9141-2   header 68 6A F1 / 48 6B 10, data, checksum
  J1850 VPW    header 68 6A F1 / 48 6B 10, data, CRC
  J1850 PWM    header 61 6A F1 / 41 6B 10, data, CRC
The emulated car idles, pulls away, cruises and slows down in a 30 s cycle
while its coolant warms up.

Exit status: 0 after SIGINT/SIGTERM, 1 when the bridge cannot be set up,
2 for a bad command line.
)";
}
