// COM initialisation of a thread. The shell services of this layer need no COM runtime, so
// both calls only keep the program's start-up and shut-down order.
#pragma once

namespace platform {

inline long CoInitializeApartment() {
    return 0;
}
inline void CoUninitializeApartment() {}

} // namespace platform
