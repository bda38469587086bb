// The three threads that touch a window's controls: one changes captions, visibility and
// states while another draws whole frames holding the window's lock. Run under
// ThreadSanitizer, this shows that every shared field is guarded.
#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "platform/Font.h"
#include "skin/Controls.h"

namespace skin {
namespace {

TEST(ControlConcurrency, DrawingAndChangingFromDifferentThreadsIsSerialised) {
    // A fake owner: the handle only selects the lock; no window is involved.
    auto owner = reinterpret_cast<WindowHandle>(uintptr_t{0x7001});
    platform::LogFont description;
    description.height = -14;
    description.faceName = L"微软雅黑";
    auto font = platform::CreateFont(description);
    ButtonCtrlEx button(owner, 0, 0, 100, 30);
    StaticCtrl label(owner, 0, 30, 100, 60);
    ProcessCtrl bar(owner, 0, 60, 100, 70);
    button.SetFont(font.get());
    label.SetFont(font.get());
    label.SetFormat(0x2010);

    std::atomic<bool> stop{false};
    std::atomic<int> frames{0};
    std::thread painter([&] {
        platform::Bitmap frame(100, 70);
        platform::DeviceContext dc(&frame);
        while (!stop.load()) {
            std::lock_guard<std::recursive_mutex> guard(OwnerLock(owner));
            dc.FillSolidRect(platform::Rect{0, 0, 100, 70}, 0xFFFFFF);
            button.Draw(&dc);
            label.Draw(&dc);
            bar.Draw(&dc);
            frames.fetch_add(1);
        }
    });
    std::thread worker([&] {
        for (int i = 0; i < 300; ++i) {
            label.SetText(i % 2 ? L"Downloading" : L"Установка пакета");
            button.SetVisible(i % 3 != 0);
            button.SetEnabled(i % 5 != 0);
            bar.SetRange(0, 100);
            bar.SetBorder(i % 2, 0x123456);
        }
    });
    for (int i = 0; i < 300; ++i) {
        button.OnMouseMove(i % 120, 10);
        button.OnLButtonDown(i % 120, 10);
        button.SetText(i % 2 ? L"Install" : L"Try Again");
    }
    worker.join();
    while (frames.load() < 5) {
        std::this_thread::yield();
    }
    stop = true;
    painter.join();
    EXPECT_GE(frames.load(), 5);
}

} // namespace
} // namespace skin
