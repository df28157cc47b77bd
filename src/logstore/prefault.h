#pragma once

#include <cstddef>

namespace logstore {

// Asks the system to back [begin, begin + bytes) with huge pages and to map it
// writable right away, before it is filled from front to back: a copy of a long
// log fills tens of megabytes, and taking a page fault for every 4 KiB of them
// costs more than the copy itself. Only a hint; the memory's content is left as it is.
void prefaultForFilling(void* begin, std::size_t bytes);

}  // namespace logstore
