#include "skin/SpeedMeter.h"

#include <cmath>
#include <limits>

namespace skin {

uint32_t SpeedMeter::Update(uint32_t done, uint32_t now) {
    std::lock_guard<std::mutex> guard(m_lock);
    uint32_t elapsed = now - m_tickOfLastUpdate;
    if (elapsed <= 1000 && m_shownSpeed != 0) {
        return m_shownSpeed;
    }
    if (elapsed == 0) {
        // No time has passed: there is no rate to compute, so the shown speed stays.
        return m_shownSpeed;
    }
    double speed = (done - m_bytesAtLastUpdate) / (elapsed / 1000.0);
    constexpr double kLargest = std::numeric_limits<uint32_t>::max();
    m_shownSpeed = static_cast<uint32_t>(std::fmin(speed, kLargest));
    m_bytesAtLastUpdate = done;
    m_tickOfLastUpdate = now;
    return m_shownSpeed;
}

uint32_t SpeedMeter::ShownSpeed() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_shownSpeed;
}

void SpeedMeter::Reset() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_shownSpeed = 0;
    m_bytesAtLastUpdate = 0;
    m_tickOfLastUpdate = 0;
}

SpeedMeter& ProcessSpeedMeter() {
    static SpeedMeter* meter = new SpeedMeter;
    return *meter;
}

} // namespace skin
