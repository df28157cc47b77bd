#pragma once
// Windows' own words for its errors, and the UTF-8/UTF-16 conversions at the
// boundary of its API. Free of windows.h, so that code speaking the USB
// bridge's API (which has its own DWORD) can use it too.

#include <string>
#include <system_error>

namespace systemtext {

// The system's message for an error code, without the line end it comes
// with; empty when the system has none.
std::wstring message(unsigned long code);

// The category of GetLastError() codes: its message() is the system's text in
// the ANSI code page, like every narrow text of the program, or "Error <code>".
const std::error_category& windowsCategory();

// GetLastError() as the std::system_error the program's calls raise; what()
// is the system's text.
[[noreturn]] void throwLastError();

std::wstring wide(const std::string& utf8);
std::string utf8(const std::wstring& text);

}  // namespace systemtext
