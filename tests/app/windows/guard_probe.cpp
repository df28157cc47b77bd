// A stand-in for the program's start on Windows, for the guard's tests. It
// makes a minimised top-level window, runs the guard with it and prints "RUN"
// or "END". A running copy then answers lines on standard input while it
// keeps its window's messages flowing: "ICONIC" prints "ICONIC 0|1", "COUNT"
// prints the shared record's copy count, "QUIT" gives the slot back and ends.

#include "app/check_previous.h"
#include "guard_probe_start.h"
#include "text/windows/system_text.h"

#include <windows.h>

#include <cstdio>
#include <deque>
#include <exception>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

namespace {

int sharedCount() {
    HANDLE object =
        ::OpenFileMappingW(FILE_MAP_READ, FALSE, systemtext::wide(CheckPrevious::ObjectName()).c_str());
    if (!object) return -1;
    const auto* record =
        static_cast<const CheckPrevious::InstanceRecord*>(::MapViewOfFile(object, FILE_MAP_READ, 0, 0, 8));
    const int count = record ? record->InstanceCount : -1;
    if (record) ::UnmapViewOfFile(record);
    ::CloseHandle(object);
    return count;
}

}  // namespace

int main() {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"guard probe", WS_OVERLAPPEDWINDOW, 10, 10, 200, 100,
                                    nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!window) return 3;
    ::ShowWindow(window, SW_SHOWMINNOACTIVE);

    const auto handle = static_cast<CheckPrevious::WindowHandle>(reinterpret_cast<UINT_PTR>(window));
    if (const auto status = startGuard(handle, 1)) return *status;

    // Standard input is read on a thread of its own; this one serves the window.
    HANDLE lineReady = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::mutex mutex;
    std::deque<std::string> lines;
    std::thread reader([&] {
        std::string line;
        while (std::getline(std::cin, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            std::lock_guard lock(mutex);
            lines.push_back(line);
            ::SetEvent(lineReady);
        }
        std::lock_guard lock(mutex);
        lines.push_back("QUIT");
        ::SetEvent(lineReady);
    });
    reader.detach();

    for (;;) {
        ::MsgWaitForMultipleObjects(1, &lineReady, FALSE, INFINITE, QS_ALLINPUT);
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
        std::deque<std::string> pending;
        {
            std::lock_guard lock(mutex);
            pending.swap(lines);
        }
        for (const std::string& line : pending) {
            if (line == "ICONIC") {
                say(std::string("ICONIC ") + (::IsIconic(window) ? "1" : "0"));
            } else if (line == "COUNT") {
                say("COUNT " + std::to_string(sharedCount()));
            } else if (line == "QUIT") {
                CheckPrevious::Finalize();
                say("BYE");
                std::_Exit(0);
            }
        }
    }
}
