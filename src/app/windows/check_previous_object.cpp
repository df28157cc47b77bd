// The guard's shared object on Windows: an 8-byte named memory object backed
// by the paging file. It lives as long as some copy holds a handle on it, so
// the first copy after the last one ended creates it afresh. There is no wake
// channel: a refused copy restores the registered window when it is minimised
// and brings it to the foreground itself; Windows lets it, since the user has
// just started it.

#include "app/check_previous_object.h"
#include "text/windows/system_text.h"

#include <windows.h>

namespace CheckPrevious {
namespace {

constexpr DWORD kRecordSize = sizeof(InstanceRecord);

// Window handles are 32-bit values on 64-bit Windows too, sign-extended.
HWND windowOf(WindowHandle handle) {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<std::int32_t>(handle)));
}

class PagingFileObject : public SharedObject {
public:
    ~PagingFileObject() override {
        if (view_) ::UnmapViewOfFile(view_);
        if (object_) ::CloseHandle(object_);
    }

    bool createOrOpen(const std::string& name) override {
        object_ = ::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, kRecordSize,
                                       systemtext::wide(name).c_str());
        if (!object_) systemtext::throwLastError();
        const bool existed = ::GetLastError() == ERROR_ALREADY_EXISTS;
        view_ =
            static_cast<InstanceRecord*>(::MapViewOfFile(object_, FILE_MAP_ALL_ACCESS, 0, 0, kRecordSize));
        if (!view_) systemtext::throwLastError();
        return existed;
    }
    // No lock: the system creates the object for one copy only, but two copies
    // started at the same instant after it may both register.
    void lock() override {}
    void unlock() override {}
    InstanceRecord& record() override { return *view_; }

    void listenForWake() override {}
    int wakeDescriptor() const override { return -1; }
    void wake(WindowHandle handle) override {
        const HWND registered = windowOf(handle);
        if (::IsIconic(registered)) ::ShowWindow(registered, SW_RESTORE);
        ::SetForegroundWindow(registered);
    }

private:
    HANDLE object_ = nullptr;
    InstanceRecord* view_ = nullptr;
};

}  // namespace

std::unique_ptr<SharedObject> makeSharedObject() {
    return std::make_unique<PagingFileObject>();
}

}  // namespace CheckPrevious
