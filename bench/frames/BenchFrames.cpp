// Median cost of one animation frame at 622 × 405 with the real skin images: the logo sweep of
// the download screen, the reveal frame of the unpacking and the purple frame, each next to one
// plain copy of a frame (memcpy of 622 × 405 × 4 bytes) measured in the same run.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

#include "skin/AnimationPixels.h"
#include "skin/RevealAnimation.h"

namespace {

using Clock = std::chrono::steady_clock;

// Median of frames runs of render(i), in microseconds.
double MedianMicroseconds(int frames, const std::function<void(int)>& render) {
    std::vector<double> times;
    times.reserve(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i) {
        auto start = Clock::now();
        render(i);
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + frames / 2, times.end());
    return times[static_cast<size_t>(frames) / 2];
}

} // namespace

int main(int argc, char** argv) {
    const int frames = argc > 1 ? std::max(1000, std::atoi(argv[1])) : 2000;
    skin::BMData logo, bareLogo, ringedLogo, background;
    if (!logo.Load(190) || !bareLogo.Load(132) || !ringedLogo.Load(183) || !background.Load(185)) {
        std::fprintf(stderr, "skin images missing\n");
        return 1;
    }
    skin::Frame frame = skin::MakeWhiteFrame();
    skin::Frame source = skin::MakeWhiteFrame();
    skin::RevealAnimation reveal;
    // Warm the caches and make the reveal's background copy before measuring.
    reveal.Render(frame.data(), 500, 0, bareLogo, background);

    double copy = MedianMicroseconds(frames, [&](int i) {
        source[static_cast<size_t>(i) % source.size()] = static_cast<uint32_t>(i);
        std::memcpy(frame.data(), source.data(), skin::kFramePixels * sizeof(uint32_t));
    });
    double sweep = MedianMicroseconds(
        frames, [&](int i) { skin::DrawLogoSweep(frame.data(), i % 101, logo, ringedLogo); });
    // Progress climbs through the whole unpacking; the clock runs 10 ms a frame, so up to eight
    // ripples are alive and the disc grows from nothing to the full frame.
    double revealed = MedianMicroseconds(frames, [&](int i) {
        reveal.Render(frame.data(), (i * 1000 / frames) % 1001, 1000 + 10u * i, bareLogo,
                      background);
    });
    double purple =
        MedianMicroseconds(frames, [&](int) { skin::FillFrame(frame.data(), skin::kPurplePixel); });

    std::printf("frames per measurement: %d (622 x 405)\n", frames);
    std::printf("%-12s %10s %8s\n", "frame", "median us", "x copy");
    std::printf("%-12s %10.1f %8.2f\n", "plain copy", copy, 1.0);
    std::printf("%-12s %10.1f %8.2f\n", "logo sweep", sweep, sweep / copy);
    std::printf("%-12s %10.1f %8.2f\n", "reveal", revealed, revealed / copy);
    std::printf("%-12s %10.1f %8.2f\n", "purple", purple, purple / copy);
    return 0;
}
