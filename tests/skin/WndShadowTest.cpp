// The drop shadow around a real window on a virtual X display (Xvfb), first without and then with
// a compositing manager (xcompmgr -n): the screen around the window darkens as the shadow's alpha
// says over the measured background, the shadow follows a move, goes with a minimise and comes
// back on restore. The parent's messages are handed to the shadow directly here: the window
// system does not route a parent's messages to it yet. Picture: artifacts/shadow-desktop.png.
#include "skin/WndShadow.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/common/LogCapture.h"
#include "tests/common/PumpUntil.h"
#include "tests/common/VirtualDisplay.h"

// After gtest: Xlib's macros (None, Bool, Status) would clash with its templates.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "tests/common/ScreenPixels.h"

namespace skin {
namespace {

using platform::Rect;

using testing_support::NearColour;
using testing_support::PumpUntil;

class Screen {
public:
    Screen() : m_display(XOpenDisplay(nullptr)) {}
    ~Screen() { XCloseDisplay(m_display); }
    uint32_t Pixel(int x, int y) { return testing_support::RootPixel(m_display, x, y); }
    void Save(const Rect& r, const char* name) {
        XImage* image = XGetImage(m_display, DefaultRootWindow(m_display), r.left, r.top, r.Width(),
                                  r.Height(), AllPlanes, ZPixmap);
        platform::Bitmap bitmap(r.Width(), r.Height());
        for (int y = 0; y < r.Height(); ++y) {
            for (int x = 0; x < r.Width(); ++x) {
                bitmap.SetPixel(x, y, static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
            }
        }
        XDestroyImage(image);
        const char* binary = std::getenv("KELTO_BINARY_DIR");
        std::filesystem::path folder = std::filesystem::path(binary ? binary : ".") / "artifacts";
        std::filesystem::create_directories(folder);
        platform::SaveBitmapAsPng(bitmap, (folder / name).string().c_str());
    }

private:
    Display* m_display;
};

// background darkened by alpha with the premultiplied grey RGB 50, channel by channel.
uint32_t Shaded(uint32_t background, uint32_t alpha) {
    uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t b = (background >> shift) & 0xFF;
        result |= (b * (255 - alpha) / 255 + 50 * alpha / 255) << shift;
    }
    return result;
}

TEST(WndShadow, FollowsARealWindowOnlyWhileACompositingManagerRuns) {
    testing_support::VirtualDisplay display(1024, 768);
    ASSERT_TRUE(display.IsUp());
    ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::Display));
    ASSERT_EQ(platform::VideoDriverName(), "x11");
    testing_support::LogCapture log;
    platform::DialogTemplate t;
    t.width = 200;
    t.height = 120;
    t.inPixels = true;
    WindowHandle w = platform::CreateDialog(
        t, nullptr, [](WindowHandle, uint32_t, WParam, LParam) -> LResult { return 0; });
    ASSERT_NE(w, nullptr);
    platform::MoveWindow(w, 100, 100, 200, 120, false);
    platform::ShowWindow(w, platform::kSwShow);
    platform::PumpMessages(100);

    // No compositing manager: no shadow at all, and the window works as ever.
    auto screenHolder = std::make_unique<Screen>();
    Screen& screen = *screenHolder;
    const uint32_t bare = screen.Pixel(99, 160);
    EXPECT_FALSE(CWndShadow::Initialize(nullptr));
    {
        CWndShadow none;
        none.Create(w);
        EXPECT_EQ(none.ShadowWindow(), nullptr);
        EXPECT_EQ(none.StatusFlags(), 0);
        EXPECT_EQ(none.OnParentMessage(w, platform::kWmSize, kSizeRestored,
                                       platform::MakeLParam(200, 120), [] { return 3; }),
                  3);
        platform::PumpMessages(100);
        EXPECT_EQ(screen.Pixel(99, 160), bare);
    }
    for (const std::string& line : log.Lines()) {
        EXPECT_EQ(line.find("fail"), std::string::npos) << line;
        EXPECT_EQ(line.find("rror"), std::string::npos) << line;
    }

    display.StartCompositor();
    ASSERT_TRUE(
        PumpUntil([] { return platform::IsLayeredWindowSupported(); }, std::chrono::seconds(10)));
    EXPECT_TRUE(CWndShadow::Initialize(nullptr));
    EXPECT_FALSE(CWndShadow::Initialize(nullptr)); // once
    {
        auto dc = platform::GetDC(w);
        dc->FillSolidRect(Rect{0, 0, 200, 120}, platform::Rgb(255, 0, 0));
    }
    platform::PumpMessages(100);

    CWndShadow shadow;
    shadow.Create(w);
    ASSERT_NE(shadow.ShadowWindow(), nullptr);
    EXPECT_EQ(shadow.StatusFlags(), kShadowEnabled | kShadowShown | kShadowParentVisible);
    EXPECT_EQ(CWndShadow::ForParent(w), &shadow);

    ASSERT_TRUE(PumpUntil([&] { return screen.Pixel(700, 600) != 0; }));
    const uint32_t background = screen.Pixel(700, 600);
    // Left of the window k pixels out: alpha (1 - k / 31) × 30; nothing over the window itself.
    struct Probe {
        int x, y;
        uint32_t alpha;
    } probes[] = {{99, 160, 29}, {85, 160, 15},  {71, 160, 1},  {69, 160, 0},
                  {200, 99, 29}, {200, 221, 28}, {300, 160, 29}};
    for (const Probe& p : probes) {
        EXPECT_TRUE(PumpUntil([&] {
            return NearColour(screen.Pixel(p.x, p.y), Shaded(background, p.alpha));
        })) << p.x
            << "," << p.y << " " << std::hex << screen.Pixel(p.x, p.y) << " want "
            << Shaded(background, p.alpha);
    }
    // Over the window the window's own picture shows, untouched.
    auto frame = platform::LastPresentedFrame(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(screen.Pixel(150, 160), frame->Pixel(50, 60));
    EXPECT_EQ(screen.Pixel(100, 100), frame->Pixel(0, 0));
    screen.Save(Rect{50, 50, 350, 270}, "shadow-desktop.png");

    auto previousCalls = 0;
    auto previous = [&]() -> LResult {
        ++previousCalls;
        return 5;
    };
    // Minimised: gone; restored: back.
    EXPECT_EQ(shadow.OnParentMessage(w, platform::kWmSize, kSizeMinimized, 0, previous), 5);
    EXPECT_TRUE(PumpUntil([&] { return NearColour(screen.Pixel(99, 160), background); }));
    EXPECT_EQ(shadow.StatusFlags() & kShadowShown, 0);
    shadow.OnParentMessage(w, platform::kWmSize, kSizeRestored, platform::MakeLParam(200, 120),
                           previous);
    EXPECT_TRUE(
        PumpUntil([&] { return NearColour(screen.Pixel(99, 160), Shaded(background, 29)); }));
    EXPECT_TRUE(shadow.IsUpdatePending());
    shadow.OnParentMessage(w, platform::kWmPaint, 0, 0, previous);
    EXPECT_FALSE(shadow.IsUpdatePending());

    // Moved: the shadow follows.
    platform::MoveWindow(w, 400, 300, 200, 120, false);
    shadow.OnParentMessage(w, platform::kWmMove, 0, 0, previous);
    EXPECT_TRUE(
        PumpUntil([&] { return NearColour(screen.Pixel(399, 360), Shaded(background, 29)); }));
    EXPECT_TRUE(PumpUntil([&] { return NearColour(screen.Pixel(99, 160), background); }));

    // Shrunk, the shadow is redrawn at once; grown, at the parent's next paint.
    platform::MoveWindow(w, 400, 300, 150, 100, false);
    shadow.OnParentMessage(w, platform::kWmSize, kSizeRestored, platform::MakeLParam(150, 100),
                           previous);
    EXPECT_FALSE(shadow.IsUpdatePending());
    EXPECT_TRUE(
        PumpUntil([&] { return NearColour(screen.Pixel(550, 360), Shaded(background, 29)); }));
    platform::MoveWindow(w, 400, 300, 200, 120, false);
    shadow.OnParentMessage(w, platform::kWmSize, kSizeRestored, platform::MakeLParam(200, 120),
                           previous);
    EXPECT_TRUE(shadow.IsUpdatePending());
    shadow.OnParentMessage(w, platform::kWmPaint, 0, 0, previous);
    EXPECT_FALSE(shadow.IsUpdatePending());
    EXPECT_TRUE(
        PumpUntil([&] { return NearColour(screen.Pixel(600, 360), Shaded(background, 29)); }));

    // Hidden with the parent: the previous procedure runs once and its result comes back.
    previousCalls = 0;
    EXPECT_EQ(shadow.OnParentMessage(w, platform::kWmShowWindow, 0, 0, previous), 5);
    EXPECT_EQ(previousCalls, 1);
    EXPECT_EQ(shadow.StatusFlags() & (kShadowShown | kShadowParentVisible), 0);
    EXPECT_TRUE(PumpUntil([&] { return NearColour(screen.Pixel(399, 360), background); }));

    shadow.OnParentMessage(w, platform::kWmDestroy, 0, 0, previous);
    EXPECT_EQ(shadow.ShadowWindow(), nullptr);
    shadow.OnParentMessage(w, kWmNcDestroy, 0, 0, previous);
    EXPECT_EQ(CWndShadow::ForParent(w), nullptr);
    platform::DestroyWindow(w);
    platform::ShutdownWindowSystem();
    screenHolder.reset(); // before its display goes
}

} // namespace
} // namespace skin
