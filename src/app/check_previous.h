#pragma once
// Single-instance guard: only one copy of the program runs per executable file
// and user. Copies started from the same executable share an 8-byte record
// (the registered window's handle and the number of registered copies) in a
// per-user object named after the executable's path with its '/' removed.
//
// Use, in the program's entry, before anything is shown:
//
//     if (CheckPrevious::ActivatePreviousInstance(ownerHandle, 1)) return 0;
//
// `ownerHandle` is the native handle of the application's hidden owner window
// (not the main window), so a second start never opens a main window that
// lives hidden in the tray. ActivatePreviousInstance throws std::system_error
// when the shared object cannot be created; start-up then fails with the
// system's error text. Once the event loop's application object exists, keep
// a CheckPrevious::ActivationListener (check_previous_listener.h) alive so the
// second copy's request reaches this one; with CheckPrevious::BringWindowForward
// (check_previous_window.h) as its handler the registered window is restored
// when minimised and raised. The slot is given back by Finalize(), which also
// runs by itself when the process ends normally; a copy that crashes or is
// killed never blocks the next start.

#include <cstdint>
#include <string>

namespace CheckPrevious {

using WindowHandle = std::uint32_t;

// The shared record, exactly as every copy maps it.
struct InstanceRecord {
    std::uint32_t WindowHandle;  // the top-level window of the copy that registered last
    std::int32_t InstanceCount;  // copies currently registered
};
static_assert(sizeof(InstanceRecord) == 8);

// Registers this copy, or hands over to a running one. Returns true when this
// copy must end at once: `maxCount` copies are already registered; the last
// registered copy has then been asked to bring its window forward.
bool ActivatePreviousInstance(WindowHandle windowHandle, int maxCount);

// Gives this copy's slot back (when it registered) and releases the object.
// Runs at most once per guard; later calls do nothing.
void Finalize();

// False once this copy has found the limit reached and handed over.
bool InstanceRegistered();

// The object name computed by the last ActivatePreviousInstance, else empty.
const std::string& ObjectName();

// The object name for an executable path: every '/' removed. Names too long
// for a file name keep their start and end in a hash of the whole name.
std::string ObjectNameFor(const std::string& executablePath);

// The running executable's full path.
std::string ExecutablePath();

}  // namespace CheckPrevious
