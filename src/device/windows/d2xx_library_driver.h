#pragma once
// The production driver on Windows: the vendor's D2XX library (FTD2XX.DLL),
// loaded when the program runs, so that the program starts without it. Each
// FT_* call goes straight to the library's function of the same name and its
// status comes back unchanged. The eleven functions the program uses must all
// be there, the close among them: a dead bridge's handle is given back at once.
//
// Without a usable library the driver lists no bridge: count() reports none
// (FT_DEVICE_NOT_FOUND), unavailableReason() says why, and the reason goes
// once to the debugger's output (OutputDebugString). The load is tried again
// at every count, so a library installed while the program runs is taken up.

#include "device/ft_driver.h"

#include <atomic>
#include <mutex>
#include <string>

class D2xxLibraryDriver : public FtDriver {
public:
    // `library` is the file to load; the vendor's is found by its bare name in
    // the program's folder and the system folder.
    explicit D2xxLibraryDriver(std::wstring library = L"FTD2XX.DLL");
    ~D2xxLibraryDriver() override;
    D2xxLibraryDriver(const D2xxLibraryDriver&) = delete;
    D2xxLibraryDriver& operator=(const D2xxLibraryDriver&) = delete;

    bool loaded() const;

    FT_STATUS count(DWORD* count) override;
    FT_STATUS description(DWORD index, char (&buf)[FT_DESCRIPTION_SIZE]) override;
    FT_STATUS open(const std::string& description, FT_HANDLE* handle) override;
    FT_STATUS close(FT_HANDLE handle) override;
    FT_STATUS reset(FT_HANDLE handle) override;
    FT_STATUS setDataCharacteristics(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits,
                                     UCHAR parity) override;
    FT_STATUS setBaudRate(FT_HANDLE handle, ULONG baud) override;
    FT_STATUS setTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) override;
    FT_STATUS purge(FT_HANDLE handle, ULONG mask) override;
    FT_STATUS queueStatus(FT_HANDLE handle, DWORD* rxBytes) override;
    FT_STATUS read(FT_HANDLE handle, void* buf, DWORD count, DWORD* got) override;
    FT_STATUS write(FT_HANDLE handle, const void* buf, DWORD count, DWORD* written) override;
    std::string unavailableReason() const override;

private:
    // The library's functions, in the published call shapes (64-bit Windows
    // has one calling convention, so WINAPI adds nothing here).
    struct Functions {
        FT_STATUS (*ListDevices)(PVOID, PVOID, DWORD) = nullptr;
        FT_STATUS (*OpenEx)(PVOID, DWORD, FT_HANDLE*) = nullptr;
        FT_STATUS (*Close)(FT_HANDLE) = nullptr;
        FT_STATUS (*ResetDevice)(FT_HANDLE) = nullptr;
        FT_STATUS (*SetDataCharacteristics)(FT_HANDLE, UCHAR, UCHAR, UCHAR) = nullptr;
        FT_STATUS (*SetBaudRate)(FT_HANDLE, ULONG) = nullptr;
        FT_STATUS (*SetTimeouts)(FT_HANDLE, ULONG, ULONG) = nullptr;
        FT_STATUS (*Purge)(FT_HANDLE, ULONG) = nullptr;
        FT_STATUS (*GetQueueStatus)(FT_HANDLE, DWORD*) = nullptr;
        FT_STATUS (*Read)(FT_HANDLE, LPVOID, DWORD, LPDWORD) = nullptr;
        FT_STATUS (*Write)(FT_HANDLE, LPVOID, DWORD, LPDWORD) = nullptr;
    };

    // Loads the library unless it is loaded; false while it is not usable.
    bool ensureLoaded();
    // The functions once the library is usable, else null. They are set once,
    // before usable_ says so, and never change afterwards.
    const Functions* functions() const;

    std::wstring library_;
    mutable std::mutex mutex_;
    void* module_ = nullptr;
    Functions functions_;
    std::atomic<bool> usable_{false};
    std::string reason_;
    bool reasonTold_ = false;
};
