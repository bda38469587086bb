#include "skin/AnimationState.h"

#include <cassert>
#include <chrono>
#include <thread>

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

void AnimationState::RenderCurrentPhase(const AnimationImages& images, const Inputs& inputs) {
    std::atomic<int32_t>& unpackProgress = *inputs.unpackProgress;
    switch (inputs.phase()) {
    case kPhaseUnpacking:
    case kPhaseUnpacked:
        m_reveal.Render(m_workFrame.data(), unpackProgress.load(), platform::GetTickCount(),
                        OrEmpty(images.bareLogo), OrEmpty(images.background));
        return;
    case kPhaseFinished:
        FillFrame(m_workFrame.data(), kPurplePixel);
        return;
    default:
        if (inputs.onLogoFrame) {
            inputs.onLogoFrame();
        }
        RenderLogoFrame(images);
        PauseUnlessClosing(kLogoFramePauseMs, *inputs.closing);
        // The next unpacking starts its disc from nothing.
        m_reveal.ResetCounter();
        unpackProgress.store(0);
        return;
    }
}

bool AnimationState::ProduceFrame(const AnimationImages& images, const Inputs& inputs) {
    assert(inputs.phase && inputs.unpackProgress != nullptr && inputs.closing != nullptr &&
           "the frame thread reads all three every round");
    EnsureWorkFrame();
    RenderCurrentPhase(images, inputs);
    // The wait has no time bound: frames are made only as fast as the painter presents them,
    // and the Installed and Failed pages present none. Closing ends it.
    if (!m_handOver.WaitUntilPublishable(*inputs.closing)) {
        return false;
    }
    m_handOver.Publish(m_workFrame.data());
    return true;
}

void AnimationState::RunFrameThread(const AnimationImages& images, const Inputs& inputs) {
    while (!inputs.closing->load()) {
        ProduceFrame(images, inputs);
    }
}

} // namespace skin
