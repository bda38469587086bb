// The two-buffer hand-over between the frame thread (the producer) and the repaint thread (the
// only presenter). Each buffer has a ready flag: the producer writes buffer i only while
// ready[i] is 0 and sets it, with release ordering, after the copy; the presenter reads buffer i
// only after seeing ready[i] = 1 with acquire ordering and clears it, again with release, once it
// has copied the frame out. So a frame is never read while it is written, and no lock is taken.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "skin/AnimationPixels.h"

namespace skin {

class FrameHandOver {
public:
    FrameHandOver();
    FrameHandOver(const FrameHandOver&) = delete;
    FrameHandOver& operator=(const FrameHandOver&) = delete;

    // Producer side (the frame thread).
    // Whether the next buffer may be written: the presenter has taken what it held.
    bool CanPublish() const;
    // Waits until CanPublish, checking every millisecond, or until stop is set; returns whether
    // the buffer became free.
    bool WaitUntilPublishable(const std::atomic<bool>& stop) const;
    // Copies a whole frame into the next buffer and marks it ready. Call only after CanPublish.
    void Publish(const uint32_t* frame);

    // Presenter side (the repaint thread).
    // The frame to present, or null when none is ready.
    const uint32_t* ReadyFrame();
    // Gives the presented buffer back to the producer and moves to the other one.
    void Flip();

    // The buffer indices, for tests and logs.
    int32_t WriteIndex() const { return m_writeIndex; }
    int32_t ReadIndex() const { return m_readIndex; }
    bool IsReady(int32_t index) const { return m_ready[index].load() == 1; }

private:
    void CheckProducerThread();
    void CheckPresenterThread();

    Frame m_frames[2];
    std::atomic<int32_t> m_ready[2] = {0, 0};
    // Each index belongs to one side: the producer's write index, the presenter's read index.
    int32_t m_writeIndex = 0;
    int32_t m_readIndex = 0;
    std::atomic<std::thread::id> m_producer{};
    std::atomic<std::thread::id> m_presenter{};
};

} // namespace skin
