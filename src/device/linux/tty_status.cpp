#include "device/linux/tty_status.h"

#include <cerrno>

namespace ttystatus {

FT_STATUS fromErrno(int err) {
    switch (err) {
        case EBADF:
            return FT_INVALID_HANDLE;
        case EINVAL:
        case ENOTTY:
            return FT_INVALID_PARAMETER;
        case ENOMEM:
        case ENOBUFS:
            return FT_INSUFFICIENT_RESOURCES;
        default:  // EIO, ENXIO, ENODEV, EPIPE and anything else: the device is gone or broken
            return FT_IO_ERROR;
    }
}

FT_STATUS fromOpenErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENXIO:
        case ENODEV:
        case ENOTDIR:
        case ELOOP:
            return FT_DEVICE_NOT_FOUND;
        case EMFILE:
        case ENFILE:
        case ENOMEM:
            return FT_INSUFFICIENT_RESOURCES;
        default:  // EACCES, EPERM, EBUSY, EIO: the port is there but will not open for us
            return FT_DEVICE_NOT_OPENED;
    }
}

}  // namespace ttystatus
