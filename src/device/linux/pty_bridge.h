#pragma once
// The far end of a virtual bridge: a pseudo-terminal whose master torvik-sim (or
// a test) holds. Closing it hangs the slave up, which the driver sees as an unplug.

#include <string>

class PtyBridge {
public:
    PtyBridge() = default;
    ~PtyBridge();
    PtyBridge(const PtyBridge&) = delete;
    PtyBridge& operator=(const PtyBridge&) = delete;

    // Opens a new pair. The slave is made raw at once and kept open by us, so that
    // nothing is echoed or translated before a program opens it, and the master
    // does not report a hang-up while no program has it open.
    bool open(std::string* error);
    // Unplugs: closes both ends.
    void close();

    bool isOpen() const { return master_ >= 0; }
    int masterFd() const { return master_; }
    const std::string& slavePath() const { return slavePath_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};
