#include "device/simulated_driver.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

std::uintptr_t key(FT_HANDLE handle) {
    return reinterpret_cast<std::uintptr_t>(handle);
}

}  // namespace

SimulatedDriver::BridgeId SimulatedDriver::addBridge(const std::string& description) {
    std::lock_guard lock(mutex_);
    const BridgeId id = nextBridge_++;
    bridges_[id].description = description;
    order_.push_back(id);
    return id;
}

void SimulatedDriver::removeBridge(BridgeId id) {
    std::lock_guard lock(mutex_);
    order_.erase(std::remove(order_.begin(), order_.end(), id), order_.end());
    if (auto it = bridges_.find(id); it != bridges_.end()) {
        it->second.listed = false;
        ++it->second.generation;
    }
}

void SimulatedDriver::setDescription(BridgeId id, const std::string& description) {
    std::lock_guard lock(mutex_);
    bridges_.at(id).description = description;
}

void SimulatedDriver::setHeldElsewhere(BridgeId id, bool held, const std::string& devicePath,
                                       const std::string& holder) {
    std::lock_guard lock(mutex_);
    Bridge& b = bridges_.at(id);
    b.heldElsewhere = held;
    b.heldPath = devicePath;
    b.holder = holder;
}

void SimulatedDriver::setPermissionDenied(BridgeId id, const std::string& devicePath) {
    std::lock_guard lock(mutex_);
    bridges_.at(id).refusedPath = devicePath;
}

FtDriver::OpenRefusal SimulatedDriver::lastOpenRefusal() const {
    std::lock_guard lock(mutex_);
    return lastOpenRefusal_;
}

std::string SimulatedDriver::holderOf(const std::string& devicePath) const {
    std::lock_guard lock(mutex_);
    for (const auto& [id, b] : bridges_)
        if (b.heldElsewhere && b.heldPath == devicePath) return b.holder;
    return {};
}

void SimulatedDriver::setPortlessBridges(std::vector<PortlessBridge> bridges) {
    std::lock_guard lock(mutex_);
    portless_ = std::move(bridges);
}

std::vector<FtDriver::PortlessBridge> SimulatedDriver::portlessBridges() const {
    std::lock_guard lock(mutex_);
    return portless_;
}

void SimulatedDriver::setUnavailableReason(const std::string& reason) {
    std::lock_guard lock(mutex_);
    unavailableReason_ = reason;
}

std::string SimulatedDriver::unavailableReason() const {
    std::lock_guard lock(mutex_);
    return unavailableReason_;
}

void SimulatedDriver::feed(BridgeId id, QByteArrayView bytes) {
    std::lock_guard lock(mutex_);
    bridges_.at(id).rx.append(bytes);
}

void SimulatedDriver::unplug(BridgeId id) {
    std::lock_guard lock(mutex_);
    Bridge& b = bridges_.at(id);
    b.listed = false;
    ++b.generation;
    b.rx.clear();
    b.rxStart = 0;
}

void SimulatedDriver::replug(BridgeId id) {
    std::lock_guard lock(mutex_);
    Bridge& b = bridges_.at(id);
    if (std::find(order_.begin(), order_.end(), id) == order_.end()) return;  // removed for good
    b.listed = true;
    b.rx.clear();
    b.rxStart = 0;
}

void SimulatedDriver::failNext(Call call, FT_STATUS status, int times) {
    std::lock_guard lock(mutex_);
    failures_[call] = {status, times};
}

void SimulatedDriver::setWriteObserver(std::function<void(BridgeId, const QByteArray&)> observer) {
    std::lock_guard lock(mutex_);
    writeObserver_ = std::move(observer);
}

QByteArray SimulatedDriver::written(BridgeId id) const {
    std::lock_guard lock(mutex_);
    return bridges_.at(id).tx;
}

void SimulatedDriver::clearWritten(BridgeId id) {
    std::lock_guard lock(mutex_);
    bridges_.at(id).tx.clear();
}

std::size_t SimulatedDriver::queued(BridgeId id) const {
    std::lock_guard lock(mutex_);
    const Bridge& b = bridges_.at(id);
    return static_cast<std::size_t>(b.rx.size() - b.rxStart);
}

std::vector<std::string> SimulatedDriver::calls() const {
    std::lock_guard lock(mutex_);
    return calls_;
}

void SimulatedDriver::clearCalls() {
    std::lock_guard lock(mutex_);
    calls_.clear();
}

int SimulatedDriver::openHandleCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(handles_.size());
}

bool SimulatedDriver::waitForWritten(BridgeId id, qsizetype size, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return writtenChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                    [&] { return bridges_.at(id).tx.size() >= size; });
}

std::vector<SimulatedDriver::BridgeId> SimulatedDriver::listedBridges() const {
    std::vector<BridgeId> out;
    for (BridgeId id : order_)
        if (bridges_.at(id).listed) out.push_back(id);
    return out;
}

bool SimulatedDriver::injectedFailure(Call call, FT_STATUS* status) {
    auto it = failures_.find(call);
    if (it == failures_.end() || it->second.second <= 0) return false;
    *status = it->second.first;
    if (--it->second.second == 0) failures_.erase(it);
    return true;
}

FT_STATUS SimulatedDriver::resolve(FT_HANDLE handle, Bridge** bridge) {
    auto it = handles_.find(key(handle));
    if (it == handles_.end()) return FT_INVALID_HANDLE;
    Bridge& b = bridges_.at(it->second.bridge);
    if (b.generation != it->second.generation || !b.listed) return FT_IO_ERROR;
    *bridge = &b;
    return FT_OK;
}

FT_STATUS SimulatedDriver::bridgeFor(Call call, FT_HANDLE handle, Bridge** bridge) {
    FT_STATUS status;
    if (injectedFailure(call, &status)) return status;
    return resolve(handle, bridge);
}

FT_STATUS SimulatedDriver::count(DWORD* count) {
    std::lock_guard lock(mutex_);
    FT_STATUS status;
    if (injectedFailure(Call::Count, &status)) return status;
    *count = static_cast<DWORD>(listedBridges().size());
    return FT_OK;
}

FT_STATUS SimulatedDriver::description(DWORD index, char (&buf)[FT_DESCRIPTION_SIZE]) {
    std::lock_guard lock(mutex_);
    FT_STATUS status;
    if (injectedFailure(Call::Description, &status)) return status;
    const auto listed = listedBridges();
    if (index >= listed.size()) return FT_DEVICE_NOT_FOUND;
    const std::string& d = bridges_.at(listed[index]).description;
    const std::size_t n = std::min<std::size_t>(d.size(), FT_DESCRIPTION_SIZE - 1);
    std::memcpy(buf, d.data(), n);
    buf[n] = '\0';
    return FT_OK;
}

FT_STATUS SimulatedDriver::open(const std::string& description, FT_HANDLE* handle) {
    std::lock_guard lock(mutex_);
    calls_.push_back("open " + description);
    lastOpenRefusal_ = {};
    FT_STATUS status;
    if (injectedFailure(Call::Open, &status)) return status;
    for (BridgeId id : listedBridges()) {
        Bridge& b = bridges_.at(id);
        if (b.description != description) continue;
        if (!b.refusedPath.empty()) {
            lastOpenRefusal_ = {OpenRefusal::Reason::NoPermission, b.refusedPath};
            return FT_DEVICE_NOT_OPENED;
        }
        if (b.heldElsewhere) {
            if (!b.heldPath.empty()) lastOpenRefusal_ = {OpenRefusal::Reason::InUse, b.heldPath};
            return FT_DEVICE_NOT_OPENED;
        }
        // A bridge is opened exclusively: a live handle of ours blocks a second open.
        for (const auto& [k, h] : handles_)
            if (h.bridge == id && h.generation == b.generation) return FT_DEVICE_NOT_OPENED;
        const std::uintptr_t k = nextHandle_++;
        handles_[k] = Handle{id, b.generation};
        *handle = reinterpret_cast<FT_HANDLE>(k);
        return FT_OK;
    }
    return FT_DEVICE_NOT_FOUND;
}

FT_STATUS SimulatedDriver::close(FT_HANDLE handle) {
    std::lock_guard lock(mutex_);
    calls_.push_back("close");
    return handles_.erase(key(handle)) ? FT_OK : FT_INVALID_HANDLE;
}

FT_STATUS SimulatedDriver::reset(FT_HANDLE handle) {
    std::lock_guard lock(mutex_);
    calls_.push_back("reset");
    Bridge* b = nullptr;
    return bridgeFor(Call::Reset, handle, &b);
}

FT_STATUS SimulatedDriver::setDataCharacteristics(FT_HANDLE handle, UCHAR wordLength, UCHAR stopBits,
                                                  UCHAR parity) {
    std::lock_guard lock(mutex_);
    calls_.push_back("data " + std::to_string(wordLength) + " " + std::to_string(stopBits) + " " +
                     std::to_string(parity));
    Bridge* b = nullptr;
    if (const FT_STATUS status = bridgeFor(Call::DataCharacteristics, handle, &b); status != FT_OK)
        return status;
    if ((wordLength != FT_BITS_7 && wordLength != FT_BITS_8) ||
        (stopBits != FT_STOP_BITS_1 && stopBits != FT_STOP_BITS_2) || parity > 4)
        return FT_INVALID_PARAMETER;
    return FT_OK;
}

FT_STATUS SimulatedDriver::setBaudRate(FT_HANDLE handle, ULONG baud) {
    std::lock_guard lock(mutex_);
    calls_.push_back("baud " + std::to_string(baud));
    Bridge* b = nullptr;
    if (const FT_STATUS status = bridgeFor(Call::BaudRate, handle, &b); status != FT_OK) return status;
    return baud == 0 ? FT_INVALID_BAUD_RATE : FT_OK;
}

FT_STATUS SimulatedDriver::setTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) {
    std::lock_guard lock(mutex_);
    calls_.push_back("timeouts " + std::to_string(readMs) + " " + std::to_string(writeMs));
    Bridge* b = nullptr;
    return bridgeFor(Call::Timeouts, handle, &b);
}

FT_STATUS SimulatedDriver::purge(FT_HANDLE handle, ULONG mask) {
    std::lock_guard lock(mutex_);
    calls_.push_back("purge " + std::to_string(mask));
    Bridge* b = nullptr;
    if (const FT_STATUS status = bridgeFor(Call::Purge, handle, &b); status != FT_OK) return status;
    if (mask & FT_PURGE_RX) {
        b->rx.clear();
        b->rxStart = 0;
    }
    return FT_OK;
}

FT_STATUS SimulatedDriver::queueStatus(FT_HANDLE handle, DWORD* rxBytes) {
    std::lock_guard lock(mutex_);
    Bridge* b = nullptr;
    if (const FT_STATUS status = bridgeFor(Call::QueueStatus, handle, &b); status != FT_OK) return status;
    *rxBytes = static_cast<DWORD>(b->rx.size() - b->rxStart);
    return FT_OK;
}

FT_STATUS SimulatedDriver::read(FT_HANDLE handle, void* buf, DWORD count, DWORD* got) {
    std::lock_guard lock(mutex_);
    *got = 0;
    Bridge* b = nullptr;
    if (const FT_STATUS status = bridgeFor(Call::Read, handle, &b); status != FT_OK) return status;
    const qsizetype avail = b->rx.size() - b->rxStart;
    const qsizetype n = std::min<qsizetype>(avail, count);
    if (n > 0) std::memcpy(buf, b->rx.constData() + b->rxStart, static_cast<std::size_t>(n));
    b->rxStart += n;
    // Drop the consumed prefix once it dominates, so reads stay linear overall.
    if (b->rxStart == b->rx.size()) {
        b->rx.clear();
        b->rxStart = 0;
    } else if (b->rxStart > (1 << 20) && b->rxStart * 2 > b->rx.size()) {
        b->rx.remove(0, b->rxStart);
        b->rxStart = 0;
    }
    *got = static_cast<DWORD>(n);
    return FT_OK;
}

FT_STATUS SimulatedDriver::write(FT_HANDLE handle, const void* buf, DWORD count, DWORD* written) {
    std::function<void(BridgeId, const QByteArray&)> observer;
    QByteArray bytes;
    BridgeId id = 0;
    {
        std::lock_guard lock(mutex_);
        *written = 0;
        Bridge* b = nullptr;
        if (const FT_STATUS status = bridgeFor(Call::Write, handle, &b); status != FT_OK) return status;
        bytes = QByteArray(static_cast<const char*>(buf), count);
        b->tx.append(bytes);
        *written = count;
        id = handles_.at(key(handle)).bridge;
        observer = writeObserver_;
    }
    writtenChanged_.notify_all();
    if (observer) observer(id, bytes);
    return FT_OK;
}
