#include "thread/thread_priority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstddef>

namespace threadpriority {

bool apply(pid_t tid, TThreadPriority priority) {
    if (tid <= 0) return false;
    // SCHED_IDLE runs the thread only when nothing else wants the core; every
    // other level is a nice value under the normal policy.
    sched_param param{};
    const int policy = priority == TThreadPriority::tpIdle ? SCHED_IDLE : SCHED_OTHER;
    bool ok = sched_setscheduler(tid, policy, &param) == 0;
    ok = setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceValue(priority)) == 0 && ok;
    return ok;
}

pid_t currentTid() {
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

void nameCurrent(const char* name) {
    char cut[16] = {};
    for (std::size_t i = 0; i + 1 < sizeof cut && name[i] != '\0'; ++i) cut[i] = name[i];
    pthread_setname_np(pthread_self(), cut);
}

}  // namespace threadpriority
