// CPU time of the calling thread, for measuring work that shares the processor with others.
#pragma once

#include <cstdint>

namespace platform {

// Nanoseconds of processor time the calling thread has used so far.
uint64_t ThreadCpuNanoseconds();

} // namespace platform
