#include "logstore/prefault.h"

#include <sys/mman.h>

#include <cstdint>

namespace logstore {

void prefaultForFilling(void* begin, std::size_t bytes) {
    constexpr std::size_t kSmall = std::size_t{1} << 20;  // a few page faults cost less than the calls
    if (bytes < kSmall) return;
    constexpr std::uintptr_t kPage = 4096;
    constexpr std::uintptr_t kHuge = std::uintptr_t{2} << 20;
    const auto from = reinterpret_cast<std::uintptr_t>(begin);
    const std::uintptr_t to = from + bytes;
    // Only whole huge pages inside the buffer: the advice must not reach memory
    // that belongs to someone else.
    const std::uintptr_t hugeFrom = (from + kHuge - 1) & ~(kHuge - 1);
    const std::uintptr_t hugeTo = to & ~(kHuge - 1);
    if (hugeTo > hugeFrom) ::madvise(reinterpret_cast<void*>(hugeFrom), hugeTo - hugeFrom, MADV_HUGEPAGE);
#if defined(MADV_POPULATE_WRITE)
    // The pages that hold part of the buffer are ours to touch; an older
    // kernel refuses the request, and the pages then come one fault at a time.
    const std::uintptr_t pageFrom = from & ~(kPage - 1);
    const std::uintptr_t pageTo = (to + kPage - 1) & ~(kPage - 1);
    ::madvise(reinterpret_cast<void*>(pageFrom), pageTo - pageFrom, MADV_POPULATE_WRITE);
#endif
}

}  // namespace logstore
