#include "text/codepage_system.h"

namespace codepage {

const ByteTable& systemTable() {
    return windows1252();
}

unsigned systemCodePage() {
    return 1252;
}

}  // namespace codepage
