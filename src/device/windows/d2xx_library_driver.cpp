#include "device/windows/d2xx_library_driver.h"

#include "device/windows/library_loader.h"
#include "text/windows/system_text.h"

#include <cstdint>

namespace {

template <typename F>
bool resolve(void* module, const char* name, F& function, std::string& missing) {
    function = reinterpret_cast<F>(libraryloader::symbol(module, name));
    if (!function && missing.empty()) missing = name;
    return function != nullptr;
}

}  // namespace

D2xxLibraryDriver::D2xxLibraryDriver(std::wstring library) : library_(std::move(library)) {
    std::lock_guard lock(mutex_);
    ensureLoaded();
}

D2xxLibraryDriver::~D2xxLibraryDriver() {
    // Handles the library gave out stay with the process, which is ending.
    libraryloader::release(module_);
}

bool D2xxLibraryDriver::loaded() const {
    return usable_.load();
}

bool D2xxLibraryDriver::ensureLoaded() {
    if (usable_.load()) return true;
    if (!module_) {
        // Never from the current folder, where anyone's FTD2XX.DLL could lie.
        module_ = libraryloader::load(library_);
    }
    std::string reason;
    if (!module_) {
        reason = "The USB bridge's driver library " + systemtext::utf8(library_) +
                 " is not installed: install the bridge vendor's D2XX driver.";
    } else {
        std::string missing;
        Functions f;
        resolve(module_, "FT_ListDevices", f.ListDevices, missing);
        resolve(module_, "FT_OpenEx", f.OpenEx, missing);
        resolve(module_, "FT_Close", f.Close, missing);
        resolve(module_, "FT_ResetDevice", f.ResetDevice, missing);
        resolve(module_, "FT_SetDataCharacteristics", f.SetDataCharacteristics, missing);
        resolve(module_, "FT_SetBaudRate", f.SetBaudRate, missing);
        resolve(module_, "FT_SetTimeouts", f.SetTimeouts, missing);
        resolve(module_, "FT_Purge", f.Purge, missing);
        resolve(module_, "FT_GetQueueStatus", f.GetQueueStatus, missing);
        resolve(module_, "FT_Read", f.Read, missing);
        resolve(module_, "FT_Write", f.Write, missing);
        if (missing.empty()) {
            functions_ = f;
            usable_.store(true);
            reason_.clear();
            return true;
        }
        reason = "The USB bridge's driver library " + systemtext::utf8(library_) + " lacks " + missing +
                 ": install the bridge vendor's current D2XX driver.";
        // A later attempt loads it anew, in case it has been replaced.
        libraryloader::release(module_);
        module_ = nullptr;
    }
    reason_ = reason;
    if (!reasonTold_) {
        reasonTold_ = true;
        libraryloader::debugOutput("Torvik Master: " + reason);
    }
    return false;
}

const D2xxLibraryDriver::Functions* D2xxLibraryDriver::functions() const {
    return usable_.load() ? &functions_ : nullptr;
}

std::string D2xxLibraryDriver::unavailableReason() const {
    std::lock_guard lock(mutex_);
    return reason_;
}

FT_STATUS D2xxLibraryDriver::count(DWORD* count) {
    {
        std::lock_guard lock(mutex_);
        if (!ensureLoaded()) {
            if (count) *count = 0;
            return FT_DEVICE_NOT_FOUND;
        }
    }
    return functions_.ListDevices(count, nullptr, FT_LIST_NUMBER_ONLY);
}

FT_STATUS D2xxLibraryDriver::description(DWORD index, char (&buf)[FT_DESCRIPTION_SIZE]) {
    const Functions* f = functions();
    if (!f) return FT_DEVICE_NOT_FOUND;
    // The index itself travels in place of the first pointer.
    return f->ListDevices(reinterpret_cast<PVOID>(static_cast<std::uintptr_t>(index)), buf,
                          FT_LIST_BY_INDEX | FT_OPEN_BY_DESCRIPTION);
}

FT_STATUS D2xxLibraryDriver::open(const std::string& description, FT_HANDLE* handle) {
    const Functions* f = functions();
    if (!f) return FT_DEVICE_NOT_FOUND;
    return f->OpenEx(const_cast<char*>(description.c_str()), FT_OPEN_BY_DESCRIPTION, handle);
}

FT_STATUS D2xxLibraryDriver::close(FT_HANDLE handle) {
    const Functions* f = functions();
    return f ? f->Close(handle) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxLibraryDriver::reset(FT_HANDLE handle) {
    const Functions* f = functions();
    return f ? f->ResetDevice(handle) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxLibraryDriver::setDataCharacteristics(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits,
                                                    UCHAR parity) {
    const Functions* f = functions();
    return f ? f->SetDataCharacteristics(handle, wordLength, stopBits, parity) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxLibraryDriver::setBaudRate(FT_HANDLE handle, ULONG baud) {
    const Functions* f = functions();
    return f ? f->SetBaudRate(handle, baud) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxLibraryDriver::setTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) {
    const Functions* f = functions();
    return f ? f->SetTimeouts(handle, readMs, writeMs) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxLibraryDriver::purge(FT_HANDLE handle, ULONG mask) {
    const Functions* f = functions();
    return f ? f->Purge(handle, mask) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxLibraryDriver::queueStatus(FT_HANDLE handle, DWORD* rxBytes) {
    const Functions* f = functions();
    return f ? f->GetQueueStatus(handle, rxBytes) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxLibraryDriver::read(FT_HANDLE handle, void* buf, DWORD count, DWORD* got) {
    const Functions* f = functions();
    return f ? f->Read(handle, buf, count, got) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxLibraryDriver::write(FT_HANDLE handle, const void* buf, DWORD count, DWORD* written) {
    const Functions* f = functions();
    // The library takes a non-const pointer but only reads the bytes.
    return f ? f->Write(handle, const_cast<void*>(buf), count, written) : FT_INVALID_HANDLE;
}
