#include "logstore/joined_lines.h"

#include <cstring>

namespace logstore {

bool indexJoinedLines(const char* text, std::size_t size, std::size_t lineCount,
                      std::vector<std::size_t>& starts) {
    starts.clear();
    starts.reserve(lineCount);
    starts.push_back(0);
    const char* end = text + size;
    for (const char* p = text; (p = static_cast<const char*>(std::memchr(p, '\r', std::size_t(end - p))));) {
        if (starts.size() == lineCount) break;  // more lines than recorded
        ++p;
        starts.push_back(std::size_t(p - text));
    }
    if (starts.size() == lineCount && !std::memchr(text + starts.back(), '\r', size - starts.back()))
        return true;
    starts.clear();
    return false;
}

}  // namespace logstore
