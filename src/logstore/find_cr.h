#pragma once
// The next CR in a run of bytes. An empty run may have no address at all (an
// empty vector's data() is null), which memchr must never be given.

#include <cstddef>
#include <cstring>

namespace logstore {

inline const char* findCr(const char* text, std::size_t size) {
    return size == 0 ? nullptr : static_cast<const char*>(std::memchr(text, '\r', size));
}

}  // namespace logstore
