// The two-buffer hand-over between the frame thread and the repaint thread, run for real on two
// threads (and under ThreadSanitizer in the thread pass): every frame is presented once, in
// order, and never half copied.
#include "skin/FrameHandOver.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include <gtest/gtest.h>

#include "platform/Gdi.h"
#include "skin/AnimationPainters.h"

namespace skin {
namespace {

constexpr size_t kMiddle = kFramePixels / 2;
constexpr size_t kLast = kFramePixels - 1;

TEST(FrameHandOver, ProducerAndPresenterFlipThousandsOfWholeFramesInOrder) {
    constexpr uint32_t kFrames = 3000;
    FrameHandOver handOver;
    std::atomic<bool> stop{false};
    std::thread producer([&] {
        Frame work = MakeWhiteFrame();
        for (uint32_t k = 1; k <= kFrames; ++k) {
            // A frame is whole when its first, middle and last pixels carry the same number.
            work[0] = work[kMiddle] = work[kLast] = k;
            if (!handOver.WaitUntilPublishable(stop)) {
                return;
            }
            handOver.Publish(work.data());
        }
    });
    uint32_t presented = 0;
    uint32_t broken = 0;
    std::thread presenter([&] {
        Frame display = MakeWhiteFrame();
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
        while (presented < kFrames && std::chrono::steady_clock::now() < deadline) {
            const uint32_t* frame = handOver.ReadyFrame();
            if (frame == nullptr) {
                std::this_thread::yield();
                continue;
            }
            std::memcpy(display.data(), frame, kFramePixels * sizeof(uint32_t));
            handOver.Flip();
            ++presented;
            if (display[0] != presented || display[kMiddle] != presented ||
                display[kLast] != presented) {
                ++broken;
            }
        }
        stop = true;
    });
    presenter.join();
    producer.join();
    EXPECT_EQ(presented, kFrames);
    EXPECT_EQ(broken, 0u);
}

TEST(FrameHandOver, FrameThreadAndRepaintThreadThroughTheRealPainter) {
    AnimationState state;
    state.SetPhase(AnimPhase::Finished);
    std::atomic<bool> closing{false};
    std::thread frameThread([&] { state.RunFrameThread(AnimationImages{}, nullptr, closing); });
    platform::Bitmap window(kFrameWidth, kFrameHeight);
    platform::DeviceContext windowDc(&window);
    FramePainter painter;
    int presented = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (presented < 200 && std::chrono::steady_clock::now() < deadline) {
        if (presented == 100) {
            state.SetPhase(AnimPhase::Unpacking); // the producer switches to reveal frames
            state.unpackProgress = 300;
        }
        if (painter.Paint(&windowDc, state, nullptr, nullptr)) {
            ++presented;
        } else {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
    closing = true;
    frameThread.join();
    EXPECT_EQ(presented, 200);
    EXPECT_NE(window.Pixel(0, 0), kPurplePixel); // the last frames were reveal frames
}

} // namespace
} // namespace skin
