/* pty-line-feed: hands torvik-sim's traffic to a serial terminal through a
 * pseudo-terminal of its own, the way a USB-serial port would.
 *
 *   pty-line-feed SIM_PTY [--crlf]
 *
 * It opens the simulator's pty, makes a new pty pair and prints the new
 * terminal's path on a line of its own. Once a terminal program has opened that
 * path it switches the simulator's monitor on and selects ISO 15765-4 (the
 * commands torvik-master sends), then copies every byte from the simulator to
 * the terminal, each CR followed by an LF with --crlf, and whatever the
 * terminal sends back to the simulator. Writes block, so a slow terminal slows
 * the copy and the simulator drops lines, as it does for torvik-master.
 * SIGUSR1 makes it print "relayed <n> lines" on standard error: the lines (CRs)
 * that came from the simulator so far, to tell the rate the terminal got.
 * It ends on SIGTERM or SIGINT, or when the simulator goes away. */
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

static volatile sig_atomic_t stopping, reporting;
static void on_stop(int sig) {
    (void)sig;
    stopping = 1;
}
static void on_report(int sig) {
    (void)sig;
    reporting = 1;
}

static int die(const char* what) {
    fprintf(stderr, "pty-line-feed: %s: %s\n", what, strerror(errno));
    return 1;
}

static int make_raw(int fd) {
    struct termios t;
    if (tcgetattr(fd, &t) != 0) return -1;
    cfmakeraw(&t);
    return tcsetattr(fd, TCSANOW, &t);
}

static int write_all(int fd, const char* data, size_t size) {
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            if (stopping) return -1;
            continue;
        }
        if (n <= 0) return -1;
        data += n;
        size -= (size_t)n;
    }
    return 0;
}

/* Until a terminal holds the other end open, the master side reports a hang-up. */
static int wait_for_opener(int master) {
    while (!stopping) {
        struct pollfd p = {master, POLLIN, 0};
        if (poll(&p, 1, 100) < 0 && errno != EINTR) return -1;
        if (!(p.revents & POLLHUP)) return 0;
        usleep(100 * 1000); /* POLLHUP does not wait: pace the checks */
    }
    return -1;
}

int main(int argc, char** argv) {
    int crlf = argc == 3 && strcmp(argv[2], "--crlf") == 0;
    if (argc < 2 || argc > 3 || (argc == 3 && !crlf)) {
        fprintf(stderr, "usage: pty-line-feed SIM_PTY [--crlf]\n");
        return 2;
    }
    struct sigaction sa;
    memset(&sa, 0, sizeof sa);
    sa.sa_handler = on_stop;
    sigaction(SIGTERM, &sa, NULL);
    sigaction(SIGINT, &sa, NULL);
    sa.sa_handler = on_report;
    sigaction(SIGUSR1, &sa, NULL);
    signal(SIGPIPE, SIG_IGN);

    int sim = open(argv[1], O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (sim < 0 || make_raw(sim) != 0) return die(argv[1]);

    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return die("posix_openpt");
    const char* name = ptsname(master);
    if (!name) return die("ptsname");
    /* Raw from the start: a terminal that opens the port and sets its modes a
     * moment later must not echo what arrived in between back to the simulator.
     * The modes stay with the pair while this side is open. */
    int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave < 0 || make_raw(slave) != 0) return die(name);
    close(slave);
    printf("%s\n", name);
    fflush(stdout);

    if (wait_for_opener(master) != 0) return stopping ? 0 : die("poll");
    static const char commands[] = "MON1\rSP5\r";
    if (write_all(sim, commands, sizeof commands - 1) != 0) return die("writing to the simulator");

    static char in[4096], out[8192];
    unsigned long long lines = 0;
    while (!stopping) {
        if (reporting) {
            reporting = 0;
            fprintf(stderr, "relayed %llu lines\n", lines);
            fflush(stderr);
        }
        struct pollfd p[2] = {{sim, POLLIN, 0}, {master, POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return die("poll");
        }
        if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            ssize_t n = read(sim, in, sizeof in);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break; /* the simulator went away */
            size_t used = 0;
            for (ssize_t i = 0; i < n; ++i) {
                out[used++] = in[i];
                if (in[i] != '\r') continue;
                ++lines;
                if (crlf) out[used++] = '\n';
            }
            /* A terminal that has gone leaves the master with EIO: keep draining
             * the simulator so that it does not stall. */
            if (write_all(master, out, used) != 0 && errno != EIO && !stopping)
                return die("writing to the terminal");
        }
        if (p[1].revents & POLLIN) {
            ssize_t n = read(master, in, sizeof in);
            if (n > 0 && write_all(sim, in, (size_t)n) != 0) return die("writing to the simulator");
        }
        if ((p[1].revents & POLLHUP) && !(p[0].revents & POLLIN)) usleep(10 * 1000);
    }
    return 0;
}
