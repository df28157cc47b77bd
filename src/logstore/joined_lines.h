#pragma once
// Where a stored line ends. The store keeps lines as the code page's bytes
// joined by CR (a received line never holds one): line i runs from starts[i]
// to the CR before starts[i + 1], the last line to the end of the bytes.

#include <cstddef>
#include <span>
#include <vector>

namespace logstore {

struct JoinedLines {
    const char* text = nullptr;
    std::size_t size = 0;
    std::span<const std::size_t> starts;

    std::size_t count() const { return starts.size(); }
    std::size_t begin(std::size_t i) const { return starts[i]; }
    std::size_t end(std::size_t i) const { return i + 1 < starts.size() ? starts[i + 1] - 1 : size; }
    std::size_t length(std::size_t i) const { return end(i) - begin(i); }
    std::span<const char> line(std::size_t i) const { return {text + begin(i), length(i)}; }
};

// Fills `starts` with the start of every line of `text`; false (and `starts`
// emptied) unless it holds exactly `lineCount` lines.
bool indexJoinedLines(const char* text, std::size_t size, std::size_t lineCount,
                      std::vector<std::size_t>& starts);

}  // namespace logstore
