#pragma once
// The few Win32 calls the D2XX driver needs, kept apart: windows.h and the
// driver API's own DWORD and ULONG cannot share one translation unit.

#include <string>

namespace libraryloader {

// Loads `library` from the program's folder or the system folders (never the
// current folder); null when it cannot be loaded.
void* load(const std::wstring& library);
void* symbol(void* module, const char* name);
void release(void* module);
// Text for the debugger's output (OutputDebugString).
void debugOutput(const std::string& text);

}  // namespace libraryloader
