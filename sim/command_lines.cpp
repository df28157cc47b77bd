#include "sim/command_lines.h"

std::vector<CommandLines::Line> CommandLines::feed(std::string_view bytes) {
    std::vector<Line> lines;
    for (const char c : bytes) {
        if (c == '\r') {
            lines.push_back({overlong_ ? std::string() : std::move(pending_), overlong_});
            pending_.clear();
            overlong_ = false;
        } else if (c == '\n') {
            continue;
        } else if (overlong_) {
            continue;
        } else if (pending_.size() == kMaxLine) {
            overlong_ = true;
            pending_.clear();
        } else {
            pending_ += c;
        }
    }
    return lines;
}
