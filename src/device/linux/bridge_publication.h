#pragma once
// Publishes a pseudo-terminal as a virtual bridge in the per-user bridge
// directory (see bridge_directory.h) and withdraws it again. The publication
// holds the entry's lock file for as long as it lives.

#include <string>

class BridgePublication {
public:
    BridgePublication() = default;
    ~BridgePublication();
    BridgePublication(const BridgePublication&) = delete;
    BridgePublication& operator=(const BridgePublication&) = delete;

    // Creates `directory` (mode 0700) when missing, refuses one that is not
    // trusted, and refuses a description that a live publisher already uses.
    // A stale entry of the same name, left by a killed publisher, is replaced.
    bool publish(const std::string& directory, const std::string& description, const std::string& ptyPath,
                 std::string* error);
    // Removes the entry and releases its lock; harmless when nothing is published.
    void withdraw();

private:
    std::string entryPath_;
    std::string lockPath_;
    int lockFd_ = -1;
};
