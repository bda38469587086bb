// The setup window's animation state: the phase and the progress values that the controller and
// the install thread write, the frame thread's producer step, and the buffers that carry its
// frames to the repaint thread.
//
// Threads: the install thread and the download engine's threads write the phase, the progress
// values and the finished flag; the frame thread runs RunFrameThread (it alone renders and owns
// the work frame and the reveal animation); the repaint thread presents (AnimationPainters.h).
// The shared values are atomics; the frames travel through FrameHandOver.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

#include "skin/AnimationPixels.h"
#include "skin/FrameHandOver.h"
#include "skin/RevealAnimation.h"

namespace skin {

// What the frame thread renders: 0 waiting → logo frame; 1 unpacking and 2 unpacked → reveal
// frame; 3 finished → purple frame; any other value → logo frame.
enum class AnimPhase : int32_t {
    Waiting = 0,
    Unpacking = 1,
    Unpacked = 2,
    Finished = 3,
};
const char* AnimPhaseName(AnimPhase phase);

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

    // The phase changes only here; every change is logged "old -> new".
    void SetPhase(AnimPhase phase);
    AnimPhase Phase() const { return m_phase.load(); }

    // 0 to 1000, tenths of a percent of the unpacking.
    std::atomic<int32_t> unpackProgress{0};
    // 0 to 100.
    std::atomic<int32_t> downloadPercent{0};
    std::atomic<bool> downloadFinished{false};

    // The frame thread's loop: produces frames until closing is set. onLogoFrame runs at the
    // start of every logo frame (the setup window shows its Installing page there).
    void RunFrameThread(const AnimationImages& images, const std::function<void()>& onLogoFrame,
                        const std::atomic<bool>& closing);
    // One round of that loop: renders a frame for the current phase into the work frame, waits
    // until the hand-over has a free buffer and publishes the frame there. False when closing
    // ended the wait (the frame is then dropped).
    bool ProduceFrame(const AnimationImages& images, const std::function<void()>& onLogoFrame,
                      const std::atomic<bool>& closing);

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
    void RenderCurrentPhase(const AnimationImages& images, const std::function<void()>& onLogoFrame,
                            const std::atomic<bool>& closing);

    std::atomic<AnimPhase> m_phase{AnimPhase::Waiting};
    FrameHandOver m_handOver;
    RevealAnimation m_reveal;
    Frame m_workFrame;    // frame thread only
    Frame m_displayFrame; // repaint thread only
    std::atomic<bool> m_workFrameExists{false};
};

} // namespace skin
