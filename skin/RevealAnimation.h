// The unpacking animation: grey ripples running outward from the centre (311, 355) on white, and
// a disc of the background picture growing from the same centre with the unpack progress.
//
// The distance of every pixel from the centre is computed once, so that all ripples together
// cost one lookup per pixel in a radial table of grey levels that is rebuilt for every frame.
// Owned and driven by the frame thread alone.
#pragma once

#include <cstdint>
#include <list>
#include <vector>

#include "skin/AnimationPixels.h"

namespace skin {

struct Wave {
    int32_t radius = 0;
    uint32_t startTick = 0;
    float alpha = 0.05f;
};

inline constexpr size_t kRadialTableSize = 1024;

class RevealAnimation {
public:
    RevealAnimation();

    // Renders one frame for unpack progress 0 to 1000 at tick now. bareLogo is drawn over the
    // ripples while the disc is smaller than the emblem; background fills the disc.
    void Render(uint32_t* frame, int32_t unpackProgress, uint32_t now, const BMData& bareLogo,
                const BMData& background);

    // The logo frame starts the disc again from nothing.
    void ResetCounter() { m_counter = 0; }
    int32_t Counter() const { return m_counter; }
    void SetCounter(int32_t counter) { m_counter = counter; }
    // The disc radius of the last frame.
    int32_t DiscRadius() const { return m_discRadius; }
    const std::list<Wave>& Waves() const { return m_waves; }
    const uint32_t* RadialTable() const { return m_radial; }
    double Distance(int32_t x, int32_t y) const {
        return m_distance[static_cast<size_t>(y) * kFrameWidth + x];
    }

    // Builds the radial table from the wave list as it stands (oldest wave first).
    void BuildRadialTable();
    // Ages the waves to tick now: adds a wave when the list is empty or the newest is 700 ms
    // old, drops waves older than 5 s, and sets every wave's radius and alpha.
    void AdvanceWaves(uint32_t now);

private:
    void GrowDisc(int32_t unpackProgress);
    void DrawDisc(uint32_t* frame, const BMData& background);

    std::vector<double> m_distance;
    uint32_t m_radial[kRadialTableSize] = {};
    std::list<Wave> m_waves;
    int32_t m_counter = 0;
    int32_t m_discRadius = 0;
    Frame m_background; // made on first use
};

} // namespace skin
