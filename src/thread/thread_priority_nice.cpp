#include "thread/thread_priority.h"

// The levels as nice values, the same on every system, for callers that compare levels.
namespace threadpriority {

int niceValue(TThreadPriority priority) {
    switch (priority) {
        case TThreadPriority::tpIdle:
            return 19;
        case TThreadPriority::tpLowest:
            return 19;
        case TThreadPriority::tpLower:
            return 10;
        case TThreadPriority::tpNormal:
            return 0;
        case TThreadPriority::tpHigher:
            return -5;
        case TThreadPriority::tpHighest:
            return -10;
        case TThreadPriority::tpTimeCritical:
            return -20;
    }
    return 0;
}

}  // namespace threadpriority
