#include "logstore/joined_lines.h"

#include "logstore/find_cr.h"

namespace logstore {

bool indexJoinedLines(const char* text, std::size_t size, std::size_t lineCount,
                      std::vector<std::size_t>& starts) {
    starts.clear();
    starts.reserve(lineCount);
    starts.push_back(0);
    const char* end = text + size;
    for (const char* p = text; (p = findCr(p, std::size_t(end - p)));) {
        if (starts.size() == lineCount) break;  // more lines than recorded
        ++p;
        starts.push_back(std::size_t(p - text));
    }
    if (starts.size() == lineCount && !findCr(text + starts.back(), size - starts.back())) return true;
    starts.clear();
    return false;
}

}  // namespace logstore
