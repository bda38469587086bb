#include "skin/FrameHandOver.h"

#include <cassert>
#include <chrono>
#include <cstring>

namespace skin {
namespace {

// Binds a side to the first thread that uses it; true while the caller is that thread.
[[maybe_unused]] bool IsBoundThread(std::atomic<std::thread::id>& bound) {
    std::thread::id self = std::this_thread::get_id();
    std::thread::id expected{};
    return bound.compare_exchange_strong(expected, self) || expected == self;
}

} // namespace

FrameHandOver::FrameHandOver() : m_frames{MakeWhiteFrame(), MakeWhiteFrame()} {}

void FrameHandOver::CheckProducerThread() {
    assert(IsBoundThread(m_producer) && "one frame thread writes the buffers; a second one would "
                                        "share the write index unsynchronised");
    (void)m_producer;
}

void FrameHandOver::CheckPresenterThread() {
    assert(IsBoundThread(m_presenter) && "only the repaint thread presents; a second presenter "
                                         "would share the read index unsynchronised");
    (void)m_presenter;
}

bool FrameHandOver::CanPublish() const {
    // Acquire: the presenter's copy out of this buffer is complete before we overwrite it.
    return m_ready[m_writeIndex].load(std::memory_order_acquire) == 0;
}

bool FrameHandOver::WaitUntilPublishable(const std::atomic<bool>& stop) const {
    while (!CanPublish()) {
        if (stop.load(std::memory_order_acquire)) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void FrameHandOver::Publish(const uint32_t* frame) {
    CheckProducerThread();
    assert(CanPublish() && "the presenter still holds this buffer");
    std::memcpy(m_frames[m_writeIndex].data(), frame, kFramePixels * sizeof(uint32_t));
    int32_t written = m_writeIndex;
    m_writeIndex = 1 - m_writeIndex;
    // Release: the copy above is visible to whoever sees the flag.
    m_ready[written].store(1, std::memory_order_release);
}

const uint32_t* FrameHandOver::ReadyFrame() {
    CheckPresenterThread();
    if (m_ready[m_readIndex].load(std::memory_order_acquire) != 1) {
        return nullptr;
    }
    return m_frames[m_readIndex].data();
}

void FrameHandOver::Flip() {
    CheckPresenterThread();
    int32_t presented = m_readIndex;
    m_readIndex = 1 - m_readIndex;
    m_ready[presented].store(0, std::memory_order_release);
}

} // namespace skin
