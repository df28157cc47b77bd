// The guard's names on Windows: the executable's path from the system, and the
// object named after it with its backslashes removed.

#include "app/check_previous.h"
#include "text/windows/system_text.h"

#include <windows.h>

namespace CheckPrevious {

std::string ObjectNameFor(const std::string& executablePath) {
    std::string name;
    for (char c : executablePath) {
        if (c != '\\') name.push_back(c);
    }
    return name;
}

std::string ExecutablePath() {
    // The module's file name holds at most MAX_PATH + 1 characters here; a
    // longer path would be cut, and two such copies would share an object.
    wchar_t buffer[MAX_PATH + 1];
    const DWORD length = ::GetModuleFileNameW(nullptr, buffer, MAX_PATH + 1);
    if (length == 0) systemtext::throwLastError();
    return systemtext::utf8(std::wstring(buffer, length));
}

}  // namespace CheckPrevious
