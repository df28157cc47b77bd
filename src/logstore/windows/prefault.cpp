#include "logstore/prefault.h"

namespace logstore {

// Systems without these hints fill the memory page by page as it is touched.
void prefaultForFilling(void*, std::size_t) {}

}  // namespace logstore
