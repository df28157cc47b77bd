#pragma once
// The Win32 side of the test double: the one bridge it offers is a COM port
// that the test names in TORVIK_DOUBLE_PORT (for instance "COM5") and links to
// a pseudo-terminal under Wine. This file sees no driver-API types: it says
// what happened in its own terms and the exported calls turn that into
// statuses (windows.h and the driver API's header both define DWORD).

#include <cstdint>
#include <string>

namespace comport {

enum class Outcome {
    Ok,
    NotFound,          // no such port (its link is missing or leads nowhere)
    InUse,             // the port exists but will not open for us
    Gone,              // the port failed under an open handle: the bridge was unplugged
    InvalidParameter,  // a setting the port refuses
};

struct Port;

// The bridge's description from TORVIK_DOUBLE_DESCRIPTION ("TORVIK ECU
// SIMULATOR" without it), cut to 63 bytes; empty when no port is named or the
// named port is not there (unplugged), so nothing is listed. Read on every
// call: a test may change it between calls.
std::string listedDescription();

// Appends `line` and a line end to the file named by TORVIK_DOUBLE_TRACE (a
// Windows path), when set: a record of what the program asked of the bridge.
void trace(const std::string& line);

// Opens the named port for overlapped I/O at 9600 8N1, no flow control, and
// reads that block until the count arrives (the bridge's defaults).
Outcome open(Port** port);
void close(Port* port);

Outcome purge(Port* port, bool receive, bool transmit);
Outcome setLine(Port* port, std::uint8_t wordLength, std::uint8_t stopBits, std::uint8_t parity);
Outcome setBaudRate(Port* port, std::uint32_t baud);
Outcome setTimeouts(Port* port, std::uint32_t readMs, std::uint32_t writeMs);
// Bytes waiting in the receive queue.
Outcome queued(Port* port, std::uint32_t* bytes);
// Both return Ok with fewer bytes than asked when the timeout ends the call.
Outcome read(Port* port, void* buffer, std::uint32_t count, std::uint32_t* got);
Outcome write(Port* port, const void* buffer, std::uint32_t count, std::uint32_t* written);

}  // namespace comport
