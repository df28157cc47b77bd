#pragma once
// The few Win32 calls the double's test needs, apart from the driver API's
// header (windows.h and that header both define DWORD).

#include <string>

namespace winprocess {

// Loads `name` the way the program does (the exe's folder first); null on failure.
void* loadLibrary(const char* name);
void* symbol(void* library, const char* name);
// The Win32 error text of the last failed call.
std::string lastError();

std::string environment(const char* name);
// An empty value removes the variable.
void setEnvironment(const char* name, const std::string& value);

}  // namespace winprocess
