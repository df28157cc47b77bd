#pragma once
// Cuts the bytes from the program into CR-terminated command lines. Line feeds
// are ignored (a terminal may send CR LF); a line longer than kMaxLine is
// dropped whole and reported as overlong once its CR arrives, so no input,
// however long, grows memory.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CommandLines {
public:
    static constexpr std::size_t kMaxLine = 256;

    struct Line {
        std::string text;  // without the CR
        bool overlong = false;
    };

    // Takes the next bytes; returns the lines they complete.
    std::vector<Line> feed(std::string_view bytes);

private:
    std::string pending_;
    bool overlong_ = false;
};
