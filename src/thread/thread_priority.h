#pragma once
// Worker priorities and how they map onto the system's threads: nice values
// on Linux, the thread priority levels on Windows.

#include <sys/types.h>

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

namespace threadpriority {

// The nice value a priority maps to (19 for the two lowest, -20 for time critical).
int niceValue(TThreadPriority priority);

// Applies `priority` to the thread `tid` of this process. Linux refuses raising
// a priority without privileges; the thread then keeps the one it has, which is
// reported by the false result and otherwise harmless.
bool apply(pid_t tid, TThreadPriority priority);

// The calling thread's kernel id.
pid_t currentTid();

// Names the calling thread for the system's tools (top -H, the per-thread
// counters under /proc/<pid>/task); Linux keeps the first 15 characters.
// Windows: nothing.
void nameCurrent(const char* name);

}  // namespace threadpriority
