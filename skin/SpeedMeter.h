// The download speed shown on the download screen. The speed is worked out afresh at most once a
// second (and on every paint while it is still 0) from the bytes downloaded since the last update;
// one meter serves the whole process.
#pragma once

#include <cstdint>
#include <mutex>

namespace skin {

class SpeedMeter {
public:
    // Counts done bytes at tick now and returns the speed to show, in bytes per second. An update
    // in the same millisecond as the last one keeps the shown speed (the elapsed time is 0).
    uint32_t Update(uint32_t done, uint32_t now);
    uint32_t ShownSpeed() const;
    void Reset();

private:
    mutable std::mutex m_lock; // painters of the window thread and the repaint thread share it
    uint32_t m_shownSpeed = 0;
    uint32_t m_bytesAtLastUpdate = 0;
    uint32_t m_tickOfLastUpdate = 0;
};

// The process-wide meter of the download screen.
SpeedMeter& ProcessSpeedMeter();

} // namespace skin
