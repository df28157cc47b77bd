// What the wake-ups of the program's reader cost on this machine by
// themselves, with no work around them: the floor under the idle and hidden
// figures of bench_peers.sh. A virtual machine charges each wake-up far more
// than bare metal, and the charge changes with the host's load.
//
//   wakeup-floor SECONDS poll      a thread that asks a pty's receive queue
//                                  (TIOCINQ) and sleeps 10 ms, over and over:
//                                  the link open with no traffic
//   wakeup-floor SECONDS handoff   the same, and after each query it wakes a
//                                  main thread waiting in poll() (an eventfd)
//                                  and waits on a condition variable until
//                                  that thread has answered: a batch handed
//                                  over every 10 ms
//
// Prints the process's CPU time (user + system) as percent of one core.
#define _GNU_SOURCE
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

static int pty = -1;
static int wake = -1;
static int cycles;
static int handoff;
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t answered = PTHREAD_COND_INITIALIZER;
static int done;

static void* reader(void* unused) {
    (void)unused;
    const struct timespec pause = {0, 10 * 1000 * 1000};
    for (int i = 0; i < cycles; ++i) {
        int waiting = 0;
        if (ioctl(pty, TIOCINQ, &waiting) != 0) perror("TIOCINQ");
        if (handoff) {
            pthread_mutex_lock(&lock);
            done = 0;
            pthread_mutex_unlock(&lock);
            const uint64_t one = 1;
            if (write(wake, &one, sizeof one) != sizeof one) perror("eventfd");
            pthread_mutex_lock(&lock);
            while (!done) pthread_cond_wait(&answered, &lock);
            pthread_mutex_unlock(&lock);
        }
        nanosleep(&pause, NULL);
    }
    return NULL;
}

static double cpuSeconds(void) {
    struct rusage use;
    getrusage(RUSAGE_SELF, &use);
    return (double)use.ru_utime.tv_sec + use.ru_utime.tv_usec / 1e6 + (double)use.ru_stime.tv_sec +
           use.ru_stime.tv_usec / 1e6;
}

int main(int argc, char** argv) {
    if (argc != 3 || (strcmp(argv[2], "poll") != 0 && strcmp(argv[2], "handoff") != 0)) {
        fprintf(stderr, "usage: %s SECONDS poll|handoff\n", argv[0]);
        return 2;
    }
    const double seconds = atof(argv[1]);
    cycles = (int)(seconds * 100);
    handoff = strcmp(argv[2], "handoff") == 0;
    pty = posix_openpt(O_RDWR | O_NOCTTY);
    wake = eventfd(0, 0);
    if (pty < 0 || wake < 0 || grantpt(pty) != 0 || unlockpt(pty) != 0) {
        perror("wakeup-floor");
        return 1;
    }
    struct timespec t0, t1;
    clock_gettime(CLOCK_MONOTONIC, &t0);
    const double cpu0 = cpuSeconds();
    pthread_t thread;
    pthread_create(&thread, NULL, reader, NULL);
    if (handoff) {
        struct pollfd p = {wake, POLLIN, 0};
        for (int i = 0; i < cycles; ++i) {
            uint64_t count;
            while (poll(&p, 1, -1) != 1) continue;
            if (read(wake, &count, sizeof count) != sizeof count) perror("eventfd");
            pthread_mutex_lock(&lock);
            done = 1;
            pthread_cond_broadcast(&answered);
            pthread_mutex_unlock(&lock);
        }
    }
    pthread_join(thread, NULL);
    clock_gettime(CLOCK_MONOTONIC, &t1);
    const double wall = (double)(t1.tv_sec - t0.tv_sec) + (t1.tv_nsec - t0.tv_nsec) / 1e9;
    printf("%.2f\n", 100.0 * (cpuSeconds() - cpu0) / wall);
    return 0;
}
