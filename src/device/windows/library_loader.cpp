#include "device/windows/library_loader.h"

#include "text/windows/system_text.h"

#include <windows.h>

namespace libraryloader {

void* load(const std::wstring& library) {
    return ::LoadLibraryExW(
        library.c_str(), nullptr,
        LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS);
}

void* symbol(void* module, const char* name) {
    return reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name));
}

void release(void* module) {
    if (module) ::FreeLibrary(static_cast<HMODULE>(module));
}

void debugOutput(const std::string& text) {
    ::OutputDebugStringW(systemtext::wide(text + "\n").c_str());
}

}  // namespace libraryloader
