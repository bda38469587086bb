// Runs the window thread's loop until a condition holds, within a bound: the way tests wait for
// what input, posts and painters cause on the window thread.
#pragma once

#include <chrono>

#include "platform/Window.h"

namespace testing_support {

// Pumps until done() holds; false when bound passed first. Window thread only.
template <typename Predicate>
bool PumpUntil(Predicate done, std::chrono::milliseconds bound = std::chrono::seconds(5)) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        platform::PumpMessages(5);
    }
    return true;
}

} // namespace testing_support
