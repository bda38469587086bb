// The layered click-through window on a virtual X display of its own (Xvfb), first without and
// then with a compositing manager (xcompmgr -n): it exists only while the manager runs, its
// premultiplied pixels darken the screen by exactly their alpha over the measured background, it
// moves, hides, lets clicks through and stays below the window it is stacked under.
#include "platform/LayeredWindowX11.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/VirtualDisplay.h"

// After gtest: Xlib's macros (None, Bool, Status) would clash with its templates.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

#include "tests/common/ScreenPixels.h"

namespace platform {
namespace {

using testing_support::NearColour;

bool WaitFor(const std::function<bool()>& done, int seconds = 10) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

class LayeredWindowX11Test : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_screen = std::make_unique<testing_support::VirtualDisplay>(800, 600);
        ASSERT_TRUE(s_screen->IsUp());
    }
    static void TearDownTestSuite() { s_screen.reset(); }
    void SetUp() override {
        m_display = XOpenDisplay(nullptr);
        ASSERT_NE(m_display, nullptr);
    }
    void TearDown() override { XCloseDisplay(m_display); }

    uint32_t ScreenPixel(int x, int y) { return testing_support::RootPixel(m_display, x, y); }
    bool ScreenBecomes(int x, int y, uint32_t want) {
        return WaitFor([&] { return NearColour(ScreenPixel(x, y), want); }, 5);
    }

    static std::unique_ptr<testing_support::VirtualDisplay> s_screen;
    Display* m_display = nullptr;
};
std::unique_ptr<testing_support::VirtualDisplay> LayeredWindowX11Test::s_screen;

TEST_F(LayeredWindowX11Test, ExistsOnlyWhileACompositingManagerRuns) {
    EXPECT_FALSE(IsLayeredWindowSupported());
    EXPECT_EQ(LayeredWindowX11::Create(), nullptr);

    s_screen->StartCompositor();
    ASSERT_TRUE(WaitFor([] { return IsLayeredWindowSupported(); }));
    auto window = LayeredWindowX11::Create();
    ASSERT_NE(window, nullptr);
    // xcompmgr paints the root itself (grey), but only once something changes on the screen:
    // a fully transparent picture makes it paint, and the background is measured through it.
    std::vector<uint32_t> clear(60 * 40, 0);
    ASSERT_TRUE(window->Update(100, 100, 60, 40, clear.data()));
    ASSERT_TRUE(window->Show());
    WaitFor([&] { return ScreenPixel(130, 120) != 0; }, 5);
    const uint32_t background = ScreenPixel(130, 120);
    EXPECT_EQ(ScreenPixel(300, 300), background);

    // Alpha 29 of RGB 50, premultiplied to 5: the screen darkens by 29/255 and gains 5.
    const uint32_t shade = 0x1D050505;
    std::vector<uint32_t> pixels(60 * 40, shade);
    pixels[0] = 0; // one fully transparent pixel
    ASSERT_TRUE(window->Update(100, 100, 60, 40, pixels.data()));
    uint32_t darkened = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        uint32_t b = (background >> shift) & 0xFF;
        darkened |= (b * (255 - 29) / 255 + 5) << shift;
    }
    EXPECT_TRUE(ScreenBecomes(130, 120, darkened))
        << std::hex << ScreenPixel(130, 120) << " want " << darkened << " over " << background;
    EXPECT_TRUE(NearColour(ScreenPixel(100, 100), background)); // the transparent pixel
    EXPECT_TRUE(NearColour(ScreenPixel(170, 120), background)); // beside the window

    // Clicks go through: the input shape has no rectangle.
    int count = -1;
    int ordering = 0;
    XRectangle* rectangles =
        XShapeGetRectangles(m_display, window->Id(), ShapeInput, &count, &ordering);
    EXPECT_EQ(count, 0);
    if (rectangles != nullptr) {
        XFree(rectangles);
    }

    // Moved, the shade follows; hidden, it goes; shown, it is back.
    ASSERT_TRUE(window->Move(400, 300));
    EXPECT_TRUE(ScreenBecomes(430, 320, darkened));
    EXPECT_TRUE(ScreenBecomes(130, 120, background));
    ASSERT_TRUE(window->Hide());
    EXPECT_TRUE(ScreenBecomes(430, 320, background));
    ASSERT_TRUE(window->Show());
    EXPECT_TRUE(ScreenBecomes(430, 320, darkened));

    // Stacked below an opaque window (found from one of its children), it is hidden by it.
    Window root = DefaultRootWindow(m_display);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = 0xFF0000;
    Window parent =
        XCreateWindow(m_display, root, 420, 310, 100, 100, 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWBackPixel, &attributes);
    Window child = XCreateSimpleWindow(m_display, parent, 0, 0, 10, 10, 0, 0, 0xFF0000);
    XMapWindow(m_display, child);
    XMapRaised(m_display, parent);
    XSync(m_display, False);
    ASSERT_TRUE(window->RestackBelow(child));
    EXPECT_TRUE(ScreenBecomes(450, 320, 0xFF0000));
    EXPECT_TRUE(ScreenBecomes(410, 320, darkened)); // the part not covered
    Window rootReturn = 0;
    Window parentReturn = 0;
    Window* children = nullptr;
    unsigned n = 0;
    XQueryTree(m_display, root, &rootReturn, &parentReturn, &children, &n);
    int shadowAt = -1;
    int parentAt = -1;
    for (unsigned i = 0; i < n; ++i) {
        shadowAt = children[i] == window->Id() ? static_cast<int>(i) : shadowAt;
        parentAt = children[i] == parent ? static_cast<int>(i) : parentAt;
    }
    XFree(children);
    EXPECT_EQ(shadowAt + 1, parentAt);            // directly below
    EXPECT_FALSE(window->RestackBelow(0x7FFFFF)); // no such window: refused, no crash
    XDestroyWindow(m_display, parent);
    XSync(m_display, False);

    window.reset();
    EXPECT_TRUE(ScreenBecomes(430, 320, background));
    s_screen->StopCompositor();
    ASSERT_TRUE(WaitFor([] { return !IsLayeredWindowSupported(); }));
    EXPECT_EQ(LayeredWindowX11::Create(), nullptr);
}

} // namespace
} // namespace platform
