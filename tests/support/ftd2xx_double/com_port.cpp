#include "com_port.h"

#include <windows.h>

#include <string>

namespace comport {

struct Port {
    HANDLE handle = INVALID_HANDLE_VALUE;
};

namespace {

constexpr std::size_t kMaxDescriptionBytes = 63;
constexpr const char* kDefaultDescription = "TORVIK ECU SIMULATOR";

std::string environment(const char* name) {
    char buffer[256];
    const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer) return {};
    return std::string(buffer, n);
}

// Any failure under an open handle reads as an unplugged bridge, except a
// setting that the port refuses as such.
Outcome settingFailure() {
    return GetLastError() == ERROR_INVALID_PARAMETER ? Outcome::InvalidParameter : Outcome::Gone;
}

template <typename Change>
Outcome changeState(Port* port, Change change) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(port->handle, &dcb)) return Outcome::Gone;
    change(dcb);
    return SetCommState(port->handle, &dcb) ? Outcome::Ok : settingFailure();
}

// Reads and writes are overlapped so that the program's writer is never held
// up behind its reader, as with the vendor's library.
Outcome transfer(Port* port, bool reading, void* buffer, std::uint32_t count, std::uint32_t* moved) {
    *moved = 0;
    if (count == 0) return Outcome::Ok;
    OVERLAPPED overlapped{};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!overlapped.hEvent) return Outcome::Gone;
    const BOOL started = reading ? ReadFile(port->handle, buffer, count, nullptr, &overlapped)
                                 : WriteFile(port->handle, buffer, count, nullptr, &overlapped);
    Outcome outcome = Outcome::Ok;
    DWORD done = 0;
    if (!started && GetLastError() != ERROR_IO_PENDING) {
        outcome = Outcome::Gone;
    } else if (!GetOverlappedResult(port->handle, &overlapped, &done, TRUE) &&
               GetLastError() != ERROR_TIMEOUT) {
        // Windows ends a call at its timeout with success and what was moved;
        // Wine says ERROR_TIMEOUT, which the bridge never does.
        outcome = Outcome::Gone;
    }
    CloseHandle(overlapped.hEvent);
    *moved = done;
    return outcome;
}

}  // namespace

void trace(const std::string& line) {
    const std::string path = environment("TORVIK_DOUBLE_TRACE");
    if (path.empty()) return;
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = std::to_string(GetTickCount64()) + " " + line + "\r\n";
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

std::string listedDescription() {
    const std::string port = environment("TORVIK_DOUBLE_PORT");
    if (port.empty()) return {};
    // An unplugged bridge leaves the listing, as with the vendor's library: its
    // port no longer opens as "not found" (an open handle of ours, or anyone
    // else's, makes it answer otherwise).
    const std::string path = "\\\\.\\" + port;
    HANDLE probe =
        CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
    } else if (const DWORD error = GetLastError();
               error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        return {};
    }
    std::string description = environment("TORVIK_DOUBLE_DESCRIPTION");
    if (description.empty()) description = kDefaultDescription;
    if (description.size() > kMaxDescriptionBytes) description.resize(kMaxDescriptionBytes);
    return description;
}

Outcome open(Port** port) {
    *port = nullptr;
    const std::string name = environment("TORVIK_DOUBLE_PORT");
    if (name.empty()) return Outcome::NotFound;
    const std::string path = "\\\\.\\" + name;
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? Outcome::NotFound
                                                                              : Outcome::InUse;
    }
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    COMMTIMEOUTS timeouts{};  // all zero: a read waits for its whole count
    bool ready = GetCommState(handle, &dcb);
    if (ready) {
        dcb.BaudRate = CBR_9600;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fParity = FALSE;
        dcb.fOutxCtsFlow = FALSE;
        dcb.fOutxDsrFlow = FALSE;
        dcb.fDsrSensitivity = FALSE;
        dcb.fOutX = FALSE;  // XON/XOFF would swallow 0x11 and 0x13
        dcb.fInX = FALSE;
        dcb.fErrorChar = FALSE;
        dcb.fNull = FALSE;
        dcb.fAbortOnError = FALSE;
        ready = SetCommState(handle, &dcb) && SetCommTimeouts(handle, &timeouts);
    }
    if (!ready) {
        CloseHandle(handle);
        return Outcome::InUse;
    }
    *port = new Port{handle};
    return Outcome::Ok;
}

void close(Port* port) {
    if (!port) return;
    CloseHandle(port->handle);
    delete port;
}

Outcome purge(Port* port, bool receive, bool transmit) {
    const DWORD flags = (receive ? PURGE_RXCLEAR : 0u) | (transmit ? PURGE_TXCLEAR : 0u);
    if (flags == 0) return Outcome::Ok;
    return PurgeComm(port->handle, flags) ? Outcome::Ok : Outcome::Gone;
}

// The driver API numbers stop bits and parity as DCB does (1 stop bit is 0,
// 2 stop bits 2; parity none, odd, even, mark, space is 0 to 4).
Outcome setLine(Port* port, std::uint8_t wordLength, std::uint8_t stopBits, std::uint8_t parity) {
    return changeState(port, [=](DCB& dcb) {
        dcb.ByteSize = wordLength;
        dcb.StopBits = stopBits;
        dcb.Parity = parity;
        dcb.fParity = parity != NOPARITY;
    });
}

Outcome setBaudRate(Port* port, std::uint32_t baud) {
    return changeState(port, [=](DCB& dcb) { dcb.BaudRate = baud; });
}

// The bridge's timeouts bound a whole call, whatever its size.
Outcome setTimeouts(Port* port, std::uint32_t readMs, std::uint32_t writeMs) {
    COMMTIMEOUTS timeouts{};
    timeouts.ReadTotalTimeoutConstant = readMs;
    timeouts.WriteTotalTimeoutConstant = writeMs;
    return SetCommTimeouts(port->handle, &timeouts) ? Outcome::Ok : settingFailure();
}

Outcome queued(Port* port, std::uint32_t* bytes) {
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(port->handle, &errors, &status)) return Outcome::Gone;
    *bytes = status.cbInQue;
    return Outcome::Ok;
}

Outcome read(Port* port, void* buffer, std::uint32_t count, std::uint32_t* got) {
    return transfer(port, true, buffer, count, got);
}

Outcome write(Port* port, const void* buffer, std::uint32_t count, std::uint32_t* written) {
    return transfer(port, false, const_cast<void*>(buffer), count, written);
}

}  // namespace comport
