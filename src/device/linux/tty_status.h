#pragma once
// Operating-system errors mapped to driver statuses, in one place. A vanished
// or hung-up device is FT_IO_ERROR so that the reader closes the link.

#include "device/ftd2xx.h"

namespace ttystatus {

// For calls on an open port.
FT_STATUS fromErrno(int err);
// For opening a device node.
FT_STATUS fromOpenErrno(int err);

}  // namespace ttystatus
