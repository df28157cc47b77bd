#pragma once
// The part of a long log that assistive technology sees. Its text interface
// counts in `int`, so a log of more than INT_MAX characters (about 2 GB of
// traffic, two days of a busy link) shows a window of at most INT_MAX
// characters. The window starts at a line start and stays put while the caret
// is inside it, so offsets hold still while text streams in; when the caret
// leaves it (every append moves the caret to the end, Ctrl+Home to the start)
// it moves so that the caret lies three quarters in, leaving a quarter of the
// window for the text that follows. A log that fits is shown whole.
//
// Use: window.follow(caretOffset) before reading; toLocal()/toGlobal() convert
// between the log's offsets and the window's.

#include "logview/accessible/log_text_offsets.h"

#include <climits>

namespace logtext {

class LogTextWindow {
public:
    static constexpr qint64 kMaxCharacters = INT_MAX;

    explicit LogTextWindow(const LogTextOffsets& offsets, qint64 limit = kMaxCharacters)
        : offsets_(offsets), limit_(limit) {}

    // Moves the window when the caret lies outside it; true when it moved.
    bool follow(qint64 caret);
    void reset() { base_ = 0; }

    qint64 base() const { return base_; }
    // Characters in the window.
    int count() const;
    // An offset of the log in the window's terms, clamped into [0, count()].
    int toLocal(qint64 offset) const;
    // A window offset in the log's terms, clamped into the window.
    qint64 toGlobal(int offset) const;

private:
    const LogTextOffsets& offsets_;
    qint64 limit_;
    qint64 base_ = 0;
};

}  // namespace logtext
