// A small library in the published shapes of the D2XX calls, for the loading
// tests of the Windows driver (not a bridge: the end-to-end test has its own).
// Every call answers a status that tells the test which call ran with what;
// statuses outside the published ones show that they pass through unchanged.
// Built twice: whole, and with FIXTURE_WITHOUT_PURGE lacking FT_Purge.

#include <cstdint>
#include <cstdio>
#include <cstring>

using Status = std::int32_t;
using Dword = std::uint32_t;

#define FIXTURE_EXPORT extern "C" __declspec(dllexport)

namespace {
char lastOpened[64];
}

FIXTURE_EXPORT Status FT_ListDevices(void* arg1, void* arg2, Dword flags) {
    if (flags == 0x80000000u) {
        *static_cast<Dword*>(arg1) = 3;
        return 0;
    }
    const auto index = static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(arg1));
    std::snprintf(static_cast<char*>(arg2), 64, "FIXTURE %u %08X", index, static_cast<unsigned>(flags));
    return 0;
}
FIXTURE_EXPORT Status FT_OpenEx(void* arg1, Dword flags, void** handle) {
    std::snprintf(lastOpened, sizeof lastOpened, "%s", static_cast<const char*>(arg1));
    *handle = lastOpened;
    return static_cast<Status>(100 + flags);
}
FIXTURE_EXPORT Status FT_Close(void* handle) {
    return handle == lastOpened ? 601 : 1;
}
FIXTURE_EXPORT Status FT_ResetDevice(void* handle) {
    return handle == lastOpened ? 201 : 1;
}
FIXTURE_EXPORT Status FT_SetDataCharacteristics(void*, unsigned char bits, unsigned char stop,
                                                unsigned char parity) {
    return 300 + bits * 100 + stop * 10 + parity;
}
FIXTURE_EXPORT Status FT_SetBaudRate(void*, std::uint32_t baud) {
    return static_cast<Status>(baud);
}
FIXTURE_EXPORT Status FT_SetTimeouts(void*, std::uint32_t readMs, std::uint32_t writeMs) {
    return static_cast<Status>(readMs * 1000 + writeMs);
}
#ifndef FIXTURE_WITHOUT_PURGE
FIXTURE_EXPORT Status FT_Purge(void*, std::uint32_t mask) {
    return static_cast<Status>(500 + mask);
}
#endif
FIXTURE_EXPORT Status FT_GetQueueStatus(void*, Dword* rx) {
    *rx = 42;
    return -7;
}
FIXTURE_EXPORT Status FT_Read(void*, void* buffer, Dword count, Dword* got) {
    std::memset(buffer, 'r', count);
    *got = count;
    return 18;
}
FIXTURE_EXPORT Status FT_Write(void*, void* buffer, Dword count, Dword* written) {
    *written = count;
    return static_cast<const char*>(buffer)[0];
}
