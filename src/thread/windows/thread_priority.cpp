// Worker priorities as Windows thread priority levels, one for one.

#include "thread/thread_priority.h"

#include <windows.h>

namespace threadpriority {
namespace {

int windowsLevel(TThreadPriority priority) {
    switch (priority) {
        case TThreadPriority::tpIdle:
            return THREAD_PRIORITY_IDLE;
        case TThreadPriority::tpLowest:
            return THREAD_PRIORITY_LOWEST;
        case TThreadPriority::tpLower:
            return THREAD_PRIORITY_BELOW_NORMAL;
        case TThreadPriority::tpNormal:
            return THREAD_PRIORITY_NORMAL;
        case TThreadPriority::tpHigher:
            return THREAD_PRIORITY_ABOVE_NORMAL;
        case TThreadPriority::tpHighest:
            return THREAD_PRIORITY_HIGHEST;
        case TThreadPriority::tpTimeCritical:
            return THREAD_PRIORITY_TIME_CRITICAL;
    }
    return THREAD_PRIORITY_NORMAL;
}

}  // namespace

bool apply(pid_t tid, TThreadPriority priority) {
    if (tid <= 0) return false;
    HANDLE thread = ::OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(tid));
    if (!thread) return false;
    const bool ok = ::SetThreadPriority(thread, windowsLevel(priority)) != 0;
    ::CloseHandle(thread);
    return ok;
}

pid_t currentTid() {
    return static_cast<pid_t>(::GetCurrentThreadId());
}

void nameCurrent(const char*) {}

}  // namespace threadpriority
