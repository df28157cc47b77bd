/* libpty-modem-lines.so: lets a serial terminal run on a pseudo-terminal.
 *
 * A pty has no modem lines, and the kernel refuses TIOCMGET, TIOCMSET, TIOCMBIS
 * and TIOCMBIC on it with ENOTTY; serial terminals make those calls when they
 * open a port and to show the line states, and close the port when they fail.
 * Loaded with LD_PRELOAD, this library answers exactly those four requests
 * itself when the descriptor is a pty's terminal side (a character device of
 * the Unix98 pty slave majors 136-143), as a port whose device is present and
 * ready would: CTS, DSR and CD are up, and DTR and RTS are what the program
 * last set (both up at the start; one state for the whole process). Every other
 * request, and these four on anything but a pty, go to the real ioctl unchanged.
 *
 * A pty is also missing from udev (it has no sysfs node), and a terminal that
 * asks udev whether its port is plugged in takes that for an unplug. So
 * g_udev_client_query_by_device_file() on a pty's path answers with udev's
 * record of /dev/ptmx, the pty driver's own node; for any other path it
 * answers as it would without this library. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <stdarg.h>
#include <stddef.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

static int output_lines = TIOCM_DTR | TIOCM_RTS;
static const int input_lines = TIOCM_CTS | TIOCM_DSR | TIOCM_CAR;

static int is_pty_slave_node(const struct stat* st) {
    unsigned int m = major(st->st_rdev);
    return S_ISCHR(st->st_mode) && m >= 136 && m <= 143;
}

static int is_pty_slave(int fd) {
    struct stat st;
    return fstat(fd, &st) == 0 && is_pty_slave_node(&st);
}

static int modem_call(unsigned long request, int* arg) {
    if (!arg) {
        errno = EFAULT;
        return -1;
    }
    const int settable = TIOCM_DTR | TIOCM_RTS;
    switch (request) {
        case TIOCMGET:
            *arg = __atomic_load_n(&output_lines, __ATOMIC_RELAXED) | input_lines;
            return 0;
        case TIOCMSET:
            __atomic_store_n(&output_lines, *arg & settable, __ATOMIC_RELAXED);
            return 0;
        case TIOCMBIS:
            __atomic_fetch_or(&output_lines, *arg & settable, __ATOMIC_RELAXED);
            return 0;
        default: /* TIOCMBIC */
            __atomic_fetch_and(&output_lines, ~(*arg & settable), __ATOMIC_RELAXED);
            return 0;
    }
}

int ioctl(int fd, unsigned long request, ...) {
    static int (*real_ioctl)(int, unsigned long, ...);
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    if ((request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS || request == TIOCMBIC) &&
        is_pty_slave(fd))
        return modem_call(request, (int*)arg);
    if (!real_ioctl) {
        real_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
        if (!real_ioctl) {
            errno = ENOSYS;
            return -1;
        }
    }
    return real_ioctl(fd, request, arg);
}

/* GUdevDevice *g_udev_client_query_by_device_file(GUdevClient *, const gchar *),
 * without the GLib headers: both are plain pointers here. */
void* g_udev_client_query_by_device_file(void* client, const char* device_file) {
    static void* (*real_query)(void*, const char*);
    if (!real_query) {
        real_query = (void* (*)(void*, const char*))dlsym(RTLD_NEXT, "g_udev_client_query_by_device_file");
        if (!real_query) return NULL;
    }
    struct stat st;
    if (device_file && stat(device_file, &st) == 0 && is_pty_slave_node(&st))
        return real_query(client, "/dev/ptmx");
    return real_query(client, device_file);
}
