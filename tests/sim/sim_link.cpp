#include "sim_link.h"

#include <thread>

SimLink::SimLink(const std::string& bridgeDirectory, const std::string& description)
    : driver_(LinuxTtyPaths{"", "", bridgeDirectory}) {
    DWORD count = 0;
    driver_.count(&count);
    openStatus_ = driver_.open(description, &handle_);
    if (openStatus_ != FT_OK) return;
    driver_.reset(handle_);
    driver_.setDataCharacteristics(handle_, FT_BITS_8, FT_STOP_BITS_1, FT_PARITY_NONE);
    driver_.setBaudRate(handle_, 115200);
    driver_.setTimeouts(handle_, 100, 100);
    driver_.purge(handle_, FT_PURGE_RX);
    driver_.purge(handle_, FT_PURGE_TX);
}

SimLink::~SimLink() {
    if (handle_) driver_.close(handle_);
}

bool SimLink::send(const std::string& bytes) {
    // A long write may outlast one write time-out while the simulator drains the pty.
    std::size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (done < bytes.size() && std::chrono::steady_clock::now() < deadline) {
        DWORD written = 0;
        if (driver_.write(handle_, bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &written) !=
            FT_OK) {
            return false;
        }
        done += written;
    }
    return done == bytes.size();
}

std::string SimLink::receiveUntil(const std::function<bool(const std::string&)>& done, int ms) {
    std::string received;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done(received) && std::chrono::steady_clock::now() < deadline) {
        DWORD queued = 0;
        receiveStatus_ = driver_.queueStatus(handle_, &queued);
        if (receiveStatus_ != FT_OK) break;
        if (queued > 0) {
            std::string chunk(queued, '\0');
            DWORD got = 0;
            receiveStatus_ = driver_.read(handle_, chunk.data(), queued, &got);
            if (receiveStatus_ != FT_OK) break;
            received.append(chunk, 0, got);
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    return received;
}

std::string SimLink::receiveFor(int ms) {
    return receiveUntil([](const std::string&) { return false; }, ms);
}

std::string SimLink::receiveUntilContains(const std::string& text, int ms) {
    return receiveUntil([&](const std::string& r) { return r.find(text) != std::string::npos; }, ms);
}
