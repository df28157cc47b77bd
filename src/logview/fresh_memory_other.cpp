#include "logview/fresh_memory.h"

namespace freshmemory {

// Systems without these hints fill the memory page by page as it is touched.
void prepareForFilling(void*, std::size_t) {}

}  // namespace freshmemory
