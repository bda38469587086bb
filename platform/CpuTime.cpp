#include "platform/CpuTime.h"

#include <time.h>

namespace platform {

uint64_t ThreadCpuNanoseconds() {
    timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

} // namespace platform
