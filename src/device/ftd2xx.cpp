#include "device/ftd2xx.h"

#include "device/ft_driver.h"

#include <atomic>
#include <cstdint>
#include <cstring>

namespace {

// Calls may come from the UI thread and the reader at once; a test may swap the
// driver between cases. The atomic shared_ptr keeps a driver alive for a call in flight.
std::atomic<std::shared_ptr<FtDriver>>& slot() {
    static std::atomic<std::shared_ptr<FtDriver>> driver;
    return driver;
}

}  // namespace

namespace ftdriver {

std::shared_ptr<FtDriver> install(std::shared_ptr<FtDriver> driver) {
    return slot().exchange(std::move(driver));
}

std::shared_ptr<FtDriver> current() {
    return slot().load();
}

}  // namespace ftdriver

FT_STATUS FT_ListDevices(PVOID pArg1, PVOID pArg2, DWORD Flags) {
    auto driver = ftdriver::current();
    if (Flags & FT_LIST_NUMBER_ONLY) {
        if (!pArg1) return FT_INVALID_PARAMETER;
        auto* count = static_cast<DWORD*>(pArg1);
        if (!driver) {
            *count = 0;
            return FT_OK;
        }
        return driver->count(count);
    }
    if (Flags & FT_LIST_BY_INDEX) {
        if (!(Flags & FT_OPEN_BY_DESCRIPTION)) return FT_NOT_SUPPORTED;
        if (!pArg2) return FT_INVALID_PARAMETER;
        if (!driver) return FT_DEVICE_NOT_FOUND;
        // The index travels in the pointer argument itself.
        const auto index = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(pArg1));
        char buf[FT_DESCRIPTION_SIZE] = {};
        const FT_STATUS status = driver->description(index, buf);
        buf[FT_DESCRIPTION_SIZE - 1] = '\0';
        if (status == FT_OK) std::memcpy(pArg2, buf, sizeof buf);
        return status;
    }
    return FT_NOT_SUPPORTED;
}

FT_STATUS FT_OpenEx(PVOID pArg1, DWORD Flags, FT_HANDLE* pHandle) {
    if (!pHandle) return FT_INVALID_PARAMETER;
    *pHandle = nullptr;
    if (Flags != FT_OPEN_BY_DESCRIPTION) return FT_NOT_SUPPORTED;
    if (!pArg1) return FT_INVALID_PARAMETER;
    auto driver = ftdriver::current();
    if (!driver) return FT_DEVICE_NOT_FOUND;
    return driver->open(std::string(static_cast<const char*>(pArg1)), pHandle);
}

#define TORVIK_DISPATCH(call)                    \
    do {                                         \
        if (!ftHandle) return FT_INVALID_HANDLE; \
        auto driver = ftdriver::current();       \
        if (!driver) return FT_INVALID_HANDLE;   \
        return driver->call;                     \
    } while (0)

FT_STATUS FT_Close(FT_HANDLE ftHandle) {
    TORVIK_DISPATCH(close(ftHandle));
}

FT_STATUS FT_ResetDevice(FT_HANDLE ftHandle) {
    TORVIK_DISPATCH(reset(ftHandle));
}

FT_STATUS FT_SetDataCharacteristics(FT_HANDLE ftHandle, UCHAR WordLength, UCHAR StopBits, UCHAR Parity) {
    TORVIK_DISPATCH(setDataCharacteristics(ftHandle, WordLength, StopBits, Parity));
}

FT_STATUS FT_SetBaudRate(FT_HANDLE ftHandle, ULONG BaudRate) {
    TORVIK_DISPATCH(setBaudRate(ftHandle, BaudRate));
}

FT_STATUS FT_SetTimeouts(FT_HANDLE ftHandle, ULONG ReadTimeout, ULONG WriteTimeout) {
    TORVIK_DISPATCH(setTimeouts(ftHandle, ReadTimeout, WriteTimeout));
}

FT_STATUS FT_Purge(FT_HANDLE ftHandle, ULONG Mask) {
    TORVIK_DISPATCH(purge(ftHandle, Mask));
}

FT_STATUS FT_GetQueueStatus(FT_HANDLE ftHandle, DWORD* dwRxBytes) {
    if (!dwRxBytes) return FT_INVALID_PARAMETER;
    TORVIK_DISPATCH(queueStatus(ftHandle, dwRxBytes));
}

FT_STATUS FT_Read(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToRead, LPDWORD lpBytesReturned) {
    if (!lpBytesReturned || (!lpBuffer && dwBytesToRead)) return FT_INVALID_PARAMETER;
    *lpBytesReturned = 0;
    TORVIK_DISPATCH(read(ftHandle, lpBuffer, dwBytesToRead, lpBytesReturned));
}

FT_STATUS FT_Write(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToWrite, LPDWORD lpBytesWritten) {
    if (!lpBytesWritten || (!lpBuffer && dwBytesToWrite)) return FT_INVALID_PARAMETER;
    *lpBytesWritten = 0;
    TORVIK_DISPATCH(write(ftHandle, lpBuffer, dwBytesToWrite, lpBytesWritten));
}

#undef TORVIK_DISPATCH
