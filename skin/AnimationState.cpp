#include "skin/AnimationState.h"

#include <chrono>
#include <thread>

#include "app/Log.h"
#include "platform/SystemInfo.h"

namespace skin {
namespace {

constexpr int kLogoFramePauseMs = 300;

const BMData& OrEmpty(const BMData* image) {
    static const BMData empty;
    return image != nullptr ? *image : empty;
}

// Sleeps up to milliseconds, in short steps so that closing is noticed within 10 ms.
void PauseUnlessClosing(int milliseconds, const std::atomic<bool>& closing) {
    for (int slept = 0; slept < milliseconds && !closing.load(); slept += 10) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

const char* AnimPhaseName(AnimPhase phase) {
    switch (phase) {
    case AnimPhase::Waiting:
        return "Waiting";
    case AnimPhase::Unpacking:
        return "Unpacking";
    case AnimPhase::Unpacked:
        return "Unpacked";
    case AnimPhase::Finished:
        return "Finished";
    }
    return "Unknown";
}

void AnimationState::SetPhase(AnimPhase phase) {
    AnimPhase old = m_phase.exchange(phase);
    if (old != phase) {
        LogFormat("AnimPhase : %s -> %s", AnimPhaseName(old), AnimPhaseName(phase));
    }
}

Frame& AnimationState::DisplayFrame() {
    if (m_displayFrame.empty()) {
        m_displayFrame = MakeWhiteFrame();
    }
    return m_displayFrame;
}

void AnimationState::EnsureWorkFrame() {
    if (!m_workFrame.empty()) {
        return;
    }
    m_workFrame = MakeWhiteFrame();
    m_workFrameExists.store(true, std::memory_order_release);
}

void AnimationState::RenderLogoFrame(const AnimationImages& images) {
    FillFrame(m_workFrame.data(), kFrameWhite);
    CopyImageKeyed(m_workFrame.data(), OrEmpty(images.logo), kEmblemX, kEmblemY);
}

void AnimationState::RenderCurrentPhase(const AnimationImages& images,
                                        const std::function<void()>& onLogoFrame,
                                        const std::atomic<bool>& closing) {
    switch (Phase()) {
    case AnimPhase::Unpacking:
    case AnimPhase::Unpacked:
        m_reveal.Render(m_workFrame.data(), unpackProgress.load(), platform::GetTickCount(),
                        OrEmpty(images.bareLogo), OrEmpty(images.background));
        return;
    case AnimPhase::Finished:
        FillFrame(m_workFrame.data(), kPurplePixel);
        return;
    default:
        if (onLogoFrame) {
            onLogoFrame();
        }
        RenderLogoFrame(images);
        PauseUnlessClosing(kLogoFramePauseMs, closing);
        // The next unpacking starts its disc from nothing.
        m_reveal.ResetCounter();
        unpackProgress.store(0);
        return;
    }
}

bool AnimationState::ProduceFrame(const AnimationImages& images,
                                  const std::function<void()>& onLogoFrame,
                                  const std::atomic<bool>& closing) {
    EnsureWorkFrame();
    RenderCurrentPhase(images, onLogoFrame, closing);
    // The wait has no time bound: frames are made only as fast as the painter presents them,
    // and the Installed and Failed pages present none. Closing ends it.
    if (!m_handOver.WaitUntilPublishable(closing)) {
        return false;
    }
    m_handOver.Publish(m_workFrame.data());
    return true;
}

void AnimationState::RunFrameThread(const AnimationImages& images,
                                    const std::function<void()>& onLogoFrame,
                                    const std::atomic<bool>& closing) {
    while (!closing.load()) {
        ProduceFrame(images, onLogoFrame, closing);
    }
}

} // namespace skin
