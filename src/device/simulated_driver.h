#pragma once
// An in-process bridge driver for tests and benchmarks: scriptable bridges,
// fault injection, and a record of every byte written and every configuration
// call. Thread-safe: tests feed and unplug from any thread while the program's
// UI thread and reader use the bridge.

#include "device/ft_driver.h"

#include <QByteArray>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class SimulatedDriver : public FtDriver {
public:
    using BridgeId = int;

    // A driver call that a test can make fail.
    enum class Call {
        Count,
        Description,
        Open,
        Reset,
        DataCharacteristics,
        BaudRate,
        Timeouts,
        Purge,
        QueueStatus,
        Read,
        Write
    };

    // Adds a bridge at the end of the listing.
    BridgeId addBridge(const std::string& description);
    // Removes a bridge from the listing for good; its open handles go dead.
    void removeBridge(BridgeId id);
    void setDescription(BridgeId id, const std::string& description);

    // While set, opening the bridge fails with FT_DEVICE_NOT_OPENED (another
    // program holds it). With a `devicePath`, lastOpenRefusal() says so (in
    // use) and holderOf(devicePath) answers `holder`.
    void setHeldElsewhere(BridgeId id, bool held, const std::string& devicePath = {},
                          const std::string& holder = {});
    // While `devicePath` is not empty, opening the bridge fails with
    // FT_DEVICE_NOT_OPENED and lastOpenRefusal() names `devicePath`: the
    // user has no permission on the port.
    void setPermissionDenied(BridgeId id, const std::string& devicePath);
    // What portlessBridges() answers.
    void setPortlessBridges(std::vector<PortlessBridge> bridges);

    // Bytes that arrive in the bridge's receive queue.
    void feed(BridgeId id, QByteArrayView bytes);

    // Unplug: the bridge leaves the listing, opens fail, and the handles opened
    // before fail with FT_IO_ERROR on every call for ever. Replug lists it again
    // with an empty queue; it then needs a fresh open.
    void unplug(BridgeId id);
    void replug(BridgeId id);

    // The next `times` calls of `call` fail with `status` (on any bridge).
    void failNext(Call call, FT_STATUS status, int times = 1);

    // Called (on the writing thread, without the driver's lock) with every
    // successful write; the responder may feed() an answer.
    void setWriteObserver(std::function<void(BridgeId, const QByteArray&)> observer);

    // Everything written to the bridge, in order, across all its handles.
    QByteArray written(BridgeId id) const;
    void clearWritten(BridgeId id);
    // Bytes waiting in the bridge's receive queue.
    std::size_t queued(BridgeId id) const;
    // Configuration and open/close calls in order, e.g. "open TORVIK",
    // "reset", "data 8 0 0", "baud 115200", "timeouts 100 100", "purge 1", "close".
    std::vector<std::string> calls() const;
    void clearCalls();
    // Handles opened and not closed (dead ones included).
    int openHandleCount() const;
    // Blocks until the bridge's written bytes reach `size` or `timeoutMs` passes.
    bool waitForWritten(BridgeId id, qsizetype size, int timeoutMs) const;

    // FtDriver
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
    OpenRefusal lastOpenRefusal() const override;
    std::string holderOf(const std::string& devicePath) const override;
    std::vector<PortlessBridge> portlessBridges() const override;

    // Stands for a driver whose library is missing: its reason is told as the
    // driver's unavailableReason(); the listing is unchanged (empty: it works).
    void setUnavailableReason(const std::string& reason);
    std::string unavailableReason() const override;

private:
    struct Bridge {
        std::string description;
        bool listed = true;
        bool heldElsewhere = false;
        std::string heldPath;     // not empty: the held port's node, told as in use
        std::string holder;       // who holds it, for holderOf()
        std::string refusedPath;  // not empty: opens are refused for permission
        int generation = 0;       // bumped by unplug; handles of older generations are dead
        QByteArray rx;
        qsizetype rxStart = 0;  // consumed prefix of rx, compacted now and then
        QByteArray tx;
    };
    struct Handle {
        BridgeId bridge;
        int generation;
    };

    // Resolves a handle to a live bridge; FT_INVALID_HANDLE or FT_IO_ERROR otherwise.
    FT_STATUS resolve(FT_HANDLE handle, Bridge** bridge);
    bool injectedFailure(Call call, FT_STATUS* status);
    // The failure injected for `call`, else resolve()'s answer.
    FT_STATUS bridgeFor(Call call, FT_HANDLE handle, Bridge** bridge);
    std::vector<BridgeId> listedBridges() const;

    mutable std::mutex mutex_;
    mutable std::condition_variable writtenChanged_;
    std::map<BridgeId, Bridge> bridges_;
    std::vector<BridgeId> order_;
    std::map<std::uintptr_t, Handle> handles_;
    std::uintptr_t nextHandle_ = 1;
    BridgeId nextBridge_ = 1;
    std::map<Call, std::pair<FT_STATUS, int>> failures_;
    std::vector<std::string> calls_;
    std::function<void(BridgeId, const QByteArray&)> writeObserver_;
    OpenRefusal lastOpenRefusal_;
    std::vector<PortlessBridge> portless_;
    std::string unavailableReason_;
};
