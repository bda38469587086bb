#include "skin/RevealAnimation.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace skin {
namespace {

constexpr uint32_t kWaveIntervalMs = 700;
constexpr uint32_t kWaveLifeMs = 5000;
constexpr uint32_t kWaveFadeMs = 2000;
constexpr float kWaveAlpha = 0.05f;
constexpr float kWaveSpeedPerMs = 0.178f; // 178 pixels per second
constexpr uint32_t kRippleGrey = 0x00999999;
constexpr int32_t kSmallestDisc = 15;

// A table entry holds the grey level's blue byte in all four bytes.
uint32_t GreyEntry(uint32_t grey) {
    return (grey & 0xFF) * 0x01010101u;
}

void FillEntries(uint32_t* table, int32_t from, int32_t to, uint32_t value) {
    from = std::clamp<int32_t>(from, 0, kRadialTableSize);
    to = std::clamp<int32_t>(to, 0, kRadialTableSize);
    std::fill(table + from, table + std::max(from, to), value);
}

} // namespace

RevealAnimation::RevealAnimation() : m_distance(kFramePixels) {
    for (int32_t y = 0; y < kFrameHeight; ++y) {
        for (int32_t x = 0; x < kFrameWidth; ++x) {
            double dx = x - kCentreX;
            double dy = y - kCentreY;
            m_distance[static_cast<size_t>(y) * kFrameWidth + x] = std::sqrt(dx * dx + dy * dy);
        }
    }
    BuildRadialTable();
}

void RevealAnimation::GrowDisc(int32_t unpackProgress) {
    // The disc grows by at most one pixel a frame but shrinks at once.
    int32_t target = (kMaxRadius - kSmallestDisc) * unpackProgress / 1000 + kSmallestDisc;
    ++m_counter;
    if (m_counter < target) {
        m_discRadius = m_counter;
        return;
    }
    m_counter = target;
    m_discRadius = target;
}

void RevealAnimation::AdvanceWaves(uint32_t now) {
    if (m_waves.empty()) {
        m_waves.push_back(Wave{0, now, kWaveAlpha});
    }
    if (now - m_waves.back().startTick >= kWaveIntervalMs) {
        m_waves.push_back(Wave{0, now, kWaveAlpha});
    }
    for (auto it = m_waves.begin(); it != m_waves.end();) {
        uint32_t age = now - it->startTick;
        if (age >= kWaveLifeMs) {
            it = m_waves.erase(it);
            continue;
        }
        uint32_t remaining = kWaveLifeMs - age;
        it->alpha = remaining >= kWaveFadeMs ? kWaveAlpha : static_cast<float>(remaining) * 2.5e-5f;
        it->radius = static_cast<int32_t>(static_cast<float>(age) * kWaveSpeedPerMs);
        ++it;
    }
}

void RevealAnimation::BuildRadialTable() {
    std::memset(m_radial, 0xFF, sizeof m_radial);
    uint32_t grey = 0x00FFFFFF;
    int32_t previous = 0;
    // Every ring between two waves is one shade darker than the ring outside it.
    for (const Wave& wave : m_waves) {
        grey = Blend(grey, kRippleGrey, 1.0f - wave.alpha);
        if (previous < wave.radius) {
            FillEntries(m_radial, previous, wave.radius, GreyEntry(grey));
        } else {
            FillEntries(m_radial, wave.radius, previous, GreyEntry(grey));
        }
        previous = wave.radius;
    }
    grey = Blend(grey, kRippleGrey, 0.95f);
    FillEntries(m_radial, 0, previous, GreyEntry(grey));
}

void RevealAnimation::DrawDisc(uint32_t* frame, const BMData& background) {
    if (m_background.empty()) {
        m_background = MakeWhiteFrame();
        CopyImage(m_background.data(), background, 0, 0);
    }
    const int32_t d = m_discRadius;
    const int32_t left = std::max(kCentreX - d, 0);
    const int32_t right = std::min(kCentreX + d, kFrameWidth);
    const int32_t top = std::max(kCentreY - d, 0);
    const int32_t bottom = std::min(kCentreY + d, kFrameHeight);
    for (int32_t y = top; y < bottom; ++y) {
        size_t row = static_cast<size_t>(y) * kFrameWidth;
        for (int32_t x = left; x < right; ++x) {
            double distance = m_distance[row + x];
            int32_t whole = static_cast<int32_t>(distance);
            if (whole >= d) {
                continue;
            }
            uint32_t& pixel = frame[row + x];
            if (whole + 1 == d) {
                // The rim mixes ripple and picture by the pixel's fractional distance.
                pixel = Blend(pixel, m_background[row + x], static_cast<float>(distance - whole));
            } else {
                pixel = m_background[row + x];
            }
        }
    }
}

void RevealAnimation::Render(uint32_t* frame, int32_t unpackProgress, uint32_t now,
                             const BMData& bareLogo, const BMData& background) {
    GrowDisc(unpackProgress);
    AdvanceWaves(now);
    BuildRadialTable();
    for (size_t i = 0; i < kFramePixels; ++i) {
        frame[i] = m_radial[static_cast<int32_t>(m_distance[i])];
    }
    if (m_discRadius < kEmblemRadius) {
        CopyImageKeyed(frame, bareLogo, kEmblemX, kEmblemY);
    }
    if (m_discRadius > 0) {
        DrawDisc(frame, background);
    }
}

} // namespace skin
