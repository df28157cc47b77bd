// The single-instance guard on Windows: an 8-byte named memory object backed
// by the paging file, named after the executable's path without its
// backslashes. The object lives as long as some copy holds a handle on it, so
// the first copy after the last one ended creates it afresh. A second copy
// restores the registered window when it is minimised and brings it to the
// foreground itself; Windows lets it, since the user has just started it.

#include "app/check_previous.h"
#include "app/check_previous_object.h"

#include <windows.h>

#include <stdexcept>
#include <string>

namespace CheckPrevious {
namespace {

constexpr DWORD kRecordSize = sizeof(InstanceRecord);

// The system's text for `code`, in the ANSI code page like every narrow text
// of the program.
std::string systemText(DWORD code) {
    char* buffer = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<char*>(&buffer), 0, nullptr);
    std::string text = length && buffer ? std::string(buffer, length) : "Error " + std::to_string(code);
    if (buffer) ::LocalFree(buffer);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The operating system's last error as the exception the guard raises.
[[noreturn]] void raiseLastError() {
    throw std::runtime_error(systemText(::GetLastError()));
}

std::wstring wide(const std::string& utf8) {
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

std::string utf8(const std::wstring& text) {
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                          nullptr);
    return out;
}

// Window handles are 32-bit values on 64-bit Windows too, sign-extended.
HWND windowOf(WindowHandle handle) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<std::int32_t>(handle)));
}

struct UnitState {
    std::wstring objectName;
    std::string objectNameUtf8;
    HANDLE object = nullptr;
    InstanceRecord* view = nullptr;
    bool instanceRegistered = true;
    bool finalized = false;

    // The unit's finalization, at process end after the event loop.
    ~UnitState() {
        try {
            Finalize();
        } catch (const std::exception& error) {
            ::OutputDebugStringA((std::string("Torvik Master: ") + error.what() + "\n").c_str());
        }
    }

    InstanceRecord* mapView() {
        view = static_cast<InstanceRecord*>(::MapViewOfFile(object, FILE_MAP_ALL_ACCESS, 0, 0, kRecordSize));
        if (!view) raiseLastError();
        return view;
    }
};

UnitState& unit() {
    static UnitState state;
    return state;
}

}  // namespace

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
    if (length == 0) raiseLastError();
    return utf8(std::wstring(buffer, length));
}

bool ActivatePreviousInstance(WindowHandle windowHandle, int maxCount) {
    UnitState& state = unit();
    state.finalized = false;
    state.objectNameUtf8 = ObjectNameFor(ExecutablePath());
    state.objectName = wide(state.objectNameUtf8);

    HANDLE created = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kRecordSize,
                                          state.objectName.c_str());
    if (!created) raiseLastError();
    const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
    state.object = created;
    if (!existed) {
        InstanceRecord* record = state.mapView();
        record->WindowHandle = windowHandle;
        record->InstanceCount = 1;
        return false;
    }

    // The handle from the creation stays open (the system releases it at the
    // end); from here on the opened one is the unit's.
    HANDLE opened = ::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, state.objectName.c_str());
    if (!opened) {
        // This copy ends without a slot, so its end must not give one back.
        state.instanceRegistered = false;
        return true;
    }
    state.object = opened;
    InstanceRecord* record = state.mapView();
    if (maxCount > record->InstanceCount) {
        record->WindowHandle = windowHandle;
        record->InstanceCount += 1;
        return false;
    }
    state.instanceRegistered = false;
    const HWND registered = windowOf(record->WindowHandle);
    if (::IsIconic(registered)) ::ShowWindow(registered, SW_RESTORE);
    ::SetForegroundWindow(registered);
    return true;
}

void Finalize() {
    UnitState& state = unit();
    if (state.finalized || state.objectName.empty()) return;
    state.finalized = true;
    if (state.instanceRegistered) {
        HANDLE opened = ::OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, state.objectName.c_str());
        if (!opened) raiseLastError();
        state.object = opened;
        InstanceRecord* record = state.mapView();
        // A count already at zero or below (a record damaged meanwhile) has no slot to give back.
        if (record->InstanceCount > 0) record->InstanceCount -= 1;
    }
    if (state.view) ::UnmapViewOfFile(state.view);
    if (state.object) ::CloseHandle(state.object);
    state.view = nullptr;
    state.object = nullptr;
    state.objectName.clear();
    state.objectNameUtf8.clear();
}

bool InstanceRegistered() {
    return unit().instanceRegistered;
}

const std::string& ObjectName() {
    return unit().objectNameUtf8;
}

int WakeDescriptor() {
    return -1;
}

}  // namespace CheckPrevious
