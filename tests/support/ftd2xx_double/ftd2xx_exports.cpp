// The calls of the test double FTD2XX.DLL, in the driver API's shapes with its
// flags and statuses (device/ftd2xx.h), over the one COM-port bridge of
// com_port.h. Only what the program uses is served; any other flag
// combination answers FT_NOT_SUPPORTED, so a program that starts using more
// fails loudly here instead of passing against a double that guesses.
#include "com_port.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

// C linkage, so that the exported names are the bare call names.
extern "C" {
#include "device/ftd2xx.h"
}

namespace {

// The bridge's range of baud rates.
constexpr ULONG kMinBaud = 183;
constexpr ULONG kMaxBaud = 3000000;

// The handles not yet closed, each a Port. The bridge opens once: only one
// handle is live. An unplugged bridge's handle stays until it is closed (its
// calls fail), while the replugged bridge opens afresh, as with the vendor's
// library. Calls on a handle share the lock (the program reads and writes from
// two threads); open and close take it alone, so a close waits for a read.
// Each open and close also traces how many handles are open, so that a test
// sees a program that never gives a dead handle back.
std::shared_mutex portLock;
std::vector<comport::Port*> handles;
std::atomic<comport::Port*> livePort{nullptr};

comport::Port* findHandle(FT_HANDLE handle) {
    const auto it = std::find(handles.begin(), handles.end(), handle);
    return it == handles.end() ? nullptr : *it;
}

FT_STATUS statusOf(comport::Outcome outcome) {
    switch (outcome) {
        case comport::Outcome::Ok:
            return FT_OK;
        case comport::Outcome::NotFound:
            return FT_DEVICE_NOT_FOUND;
        case comport::Outcome::InUse:
            return FT_DEVICE_NOT_OPENED;
        case comport::Outcome::InvalidParameter:
            return FT_INVALID_PARAMETER;
        case comport::Outcome::Gone:
            break;
    }
    return FT_IO_ERROR;  // what the vendor's library answers once the bridge is unplugged
}

// Every call that changes something, and every failure; not the reader's
// successful polls, which come a hundred times a second.
FT_STATUS traced(const char* call, FT_STATUS status, bool always = true) {
    if (always || status != FT_OK) comport::trace(std::string(call) + " -> " + std::to_string(status));
    return status;
}

// With portLock held alone.
void traceOpenHandles() {
    comport::trace("open handles " + std::to_string(handles.size()));
}

template <typename Call>
FT_STATUS onOpenPort(const char* name, bool always, FT_HANDLE handle, Call call) {
    std::shared_lock guard(portLock);
    comport::Port* port = findHandle(handle);
    if (!port) return traced(name, FT_INVALID_HANDLE);
    const FT_STATUS status = call(port);
    if (status == FT_IO_ERROR) livePort.compare_exchange_strong(port, nullptr);  // unplugged
    return traced(name, status, always);
}

}  // namespace

FT_STATUS FT_ListDevices(PVOID pArg1, PVOID pArg2, DWORD Flags) {
    const std::string description = comport::listedDescription();
    if (Flags == FT_LIST_NUMBER_ONLY) {
        if (!pArg1) return FT_INVALID_PARAMETER;
        *static_cast<DWORD*>(pArg1) = description.empty() ? 0 : 1;
        return traced("FT_ListDevices number", FT_OK, false);
    }
    if (Flags == (FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION)) {
        if (!pArg2) return FT_INVALID_PARAMETER;
        // The index travels in the pointer argument itself.
        const auto index = reinterpret_cast<std::uintptr_t>(pArg1);
        if (description.empty() || index != 0) return traced("FT_ListDevices by index", FT_DEVICE_NOT_FOUND);
        std::memcpy(pArg2, description.c_str(), description.size() + 1);
        return FT_OK;
    }
    return traced("FT_ListDevices", FT_NOT_SUPPORTED);
}

FT_STATUS FT_OpenEx(PVOID pArg1, DWORD Flags, FT_HANDLE* pHandle) {
    if (!pHandle) return FT_INVALID_PARAMETER;
    *pHandle = nullptr;
    if (Flags != FT_OPEN_BY_DESCRIPTION) return FT_NOT_SUPPORTED;
    if (!pArg1) return FT_INVALID_PARAMETER;
    const std::string description = comport::listedDescription();
    if (description.empty() || description != static_cast<const char*>(pArg1))
        return traced("FT_OpenEx", FT_DEVICE_NOT_FOUND);
    std::unique_lock guard(portLock);
    if (comport::Port* live = livePort.load()) {
        std::uint32_t queued = 0;
        if (comport::queued(live, &queued) != comport::Outcome::Gone)
            return traced("FT_OpenEx", FT_DEVICE_NOT_OPENED);  // the bridge opens once
        livePort = nullptr;                                    // unplugged since its last call
    }
    comport::Port* port = nullptr;
    const FT_STATUS status = statusOf(comport::open(&port));
    if (status != FT_OK) return traced("FT_OpenEx", status);
    handles.push_back(port);
    livePort = port;
    *pHandle = port;
    traced("FT_OpenEx", FT_OK);
    traceOpenHandles();
    return FT_OK;
}

FT_STATUS FT_Close(FT_HANDLE ftHandle) {
    std::unique_lock guard(portLock);
    comport::Port* port = findHandle(ftHandle);
    if (!port) return traced("FT_Close", FT_INVALID_HANDLE);
    comport::close(port);
    handles.erase(std::find(handles.begin(), handles.end(), port));
    if (livePort.load() == port) livePort = nullptr;
    traced("FT_Close", FT_OK);
    traceOpenHandles();
    return FT_OK;
}

FT_STATUS FT_ResetDevice(FT_HANDLE ftHandle) {
    return onOpenPort("FT_ResetDevice", true, ftHandle, [](comport::Port* port) -> FT_STATUS {
        return statusOf(comport::purge(port, true, true));
    });
}

FT_STATUS FT_SetDataCharacteristics(FT_HANDLE ftHandle, UCHAR WordLength, UCHAR StopBits, UCHAR Parity) {
    return onOpenPort("FT_SetDataCharacteristics", true, ftHandle, [=](comport::Port* port) -> FT_STATUS {
        const bool valid = (WordLength == FT_BITS_7 || WordLength == FT_BITS_8) &&
                           (StopBits == FT_STOP_BITS_1 || StopBits == FT_STOP_BITS_2) && Parity <= 4;
        if (!valid) return FT_INVALID_PARAMETER;
        return statusOf(comport::setLine(port, WordLength, StopBits, Parity));
    });
}

FT_STATUS FT_SetBaudRate(FT_HANDLE ftHandle, ULONG BaudRate) {
    return onOpenPort("FT_SetBaudRate", true, ftHandle, [=](comport::Port* port) -> FT_STATUS {
        if (BaudRate < kMinBaud || BaudRate > kMaxBaud) return FT_INVALID_BAUD_RATE;
        const comport::Outcome outcome = comport::setBaudRate(port, BaudRate);
        return outcome == comport::Outcome::InvalidParameter ? FT_INVALID_BAUD_RATE : statusOf(outcome);
    });
}

FT_STATUS FT_SetTimeouts(FT_HANDLE ftHandle, ULONG ReadTimeout, ULONG WriteTimeout) {
    return onOpenPort("FT_SetTimeouts", true, ftHandle, [=](comport::Port* port) -> FT_STATUS {
        return statusOf(comport::setTimeouts(port, ReadTimeout, WriteTimeout));
    });
}

FT_STATUS FT_Purge(FT_HANDLE ftHandle, ULONG Mask) {
    return onOpenPort("FT_Purge", true, ftHandle, [=](comport::Port* port) -> FT_STATUS {
        return statusOf(comport::purge(port, Mask & FT_PURGE_RX, Mask & FT_PURGE_TX));
    });
}

FT_STATUS FT_GetQueueStatus(FT_HANDLE ftHandle, DWORD* dwRxBytes) {
    if (!dwRxBytes) return FT_INVALID_PARAMETER;
    return onOpenPort("FT_GetQueueStatus", false, ftHandle, [=](comport::Port* port) -> FT_STATUS {
        return statusOf(comport::queued(port, dwRxBytes));
    });
}

FT_STATUS FT_Read(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToRead, LPDWORD lpBytesReturned) {
    if (!lpBytesReturned || (!lpBuffer && dwBytesToRead)) return FT_INVALID_PARAMETER;
    *lpBytesReturned = 0;
    return onOpenPort("FT_Read", false, ftHandle, [=](comport::Port* port) -> FT_STATUS {
        return statusOf(comport::read(port, lpBuffer, dwBytesToRead, lpBytesReturned));
    });
}

FT_STATUS FT_Write(FT_HANDLE ftHandle, LPVOID lpBuffer, DWORD dwBytesToWrite, LPDWORD lpBytesWritten) {
    if (!lpBytesWritten || (!lpBuffer && dwBytesToWrite)) return FT_INVALID_PARAMETER;
    *lpBytesWritten = 0;
    return onOpenPort("FT_Write", true, ftHandle, [=](comport::Port* port) -> FT_STATUS {
        return statusOf(comport::write(port, lpBuffer, dwBytesToWrite, lpBytesWritten));
    });
}
