// The setup window's animation buffers and the frame thread's producer step: the work frame, the
// reveal animation, the hand-over that carries frames to the repaint thread and the display
// frame. The phase and the progress values stay the controller's (its state object writes them
// through its own setters); the producer and the painters read them as they are handed in.
//
// Threads: the frame thread runs RunFrameThread (it alone renders and owns the work frame and
// the reveal animation); the repaint thread presents (AnimationPainters.h); the frames travel
// through FrameHandOver.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "skin/AnimationPixels.h"
#include "skin/FrameHandOver.h"
#include "skin/RevealAnimation.h"

namespace skin {

// The phase values the frame thread acts on: 0 waiting → logo frame; 1 unpacking and 2 unpacked
// → reveal frame; 3 finished → purple frame; any other value → logo frame.
inline constexpr int32_t kPhaseWaiting = 0;
inline constexpr int32_t kPhaseUnpacking = 1;
inline constexpr int32_t kPhaseUnpacked = 2;
inline constexpr int32_t kPhaseFinished = 3;

// The images the animations draw, owned by the setup window (any may be unloaded: it then draws
// nothing).
struct AnimationImages {
    const BMData* logo = nullptr;       // 190
    const BMData* bareLogo = nullptr;   // 132
    const BMData* ringedLogo = nullptr; // 183
    const BMData* greyLogo = nullptr;   // 182
    const BMData* background = nullptr; // 185
};

class AnimationState {
public:
    AnimationState() = default;
    AnimationState(const AnimationState&) = delete;
    AnimationState& operator=(const AnimationState&) = delete;

    // The controller's values the frame thread reads every round.
    struct Inputs {
        // The current phase (read once per frame).
        std::function<int32_t()> phase;
        // Tenths of a percent, 0 to 1000; the logo frame sets it back to 0.
        std::atomic<int32_t>* unpackProgress = nullptr;
        // Runs at the start of every logo frame (the setup window shows its Installing page).
        std::function<void()> onLogoFrame;
        // Set when the window closes; ends the loop and the wait for a free buffer.
        const std::atomic<bool>* closing = nullptr;
    };

    // The frame thread's loop: produces frames until closing is set.
    void RunFrameThread(const AnimationImages& images, const Inputs& inputs);
    // One round of that loop: renders a frame for the current phase into the work frame, waits
    // until the hand-over has a free buffer and publishes the frame there. False when closing
    // ended the wait (the frame is then dropped).
    bool ProduceFrame(const AnimationImages& images, const Inputs& inputs);

    // The download screen draws only once the frame thread has made its work frame.
    bool WorkFrameExists() const { return m_workFrameExists.load(std::memory_order_acquire); }
    const uint32_t* WorkFrame() const { return m_workFrame.data(); }

    FrameHandOver& HandOver() { return m_handOver; }
    RevealAnimation& Reveal() { return m_reveal; }
    // The last presented frame (presenter only); made white on first use.
    Frame& DisplayFrame();

private:
    void EnsureWorkFrame();
    void RenderLogoFrame(const AnimationImages& images);
    // Renders the current phase's frame into the work frame.
    void RenderCurrentPhase(const AnimationImages& images, const Inputs& inputs);

    FrameHandOver m_handOver;
    RevealAnimation m_reveal;
    Frame m_workFrame;    // frame thread only
    Frame m_displayFrame; // repaint thread only
    std::atomic<bool> m_workFrameExists{false};
};

} // namespace skin
