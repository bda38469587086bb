// A real window on a virtual X display that the test starts itself (Xvfb), pressed and dragged
// with xdotool the way the end-to-end runs drive the installer, and closed by SIGTERM; and one
// small dialog drawn through both backends, which must present the same pixels.
#include "platform/Window.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/common/PumpUntil.h"
#include "tests/common/VirtualDisplay.h"

namespace platform {
namespace {

std::unique_ptr<testing_support::VirtualDisplay> g_screen;

std::string RunCommand(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe) != nullptr) {
            out += buffer;
        }
        pclose(pipe);
    }
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) {
        out.pop_back();
    }
    return out;
}

class X11WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_screen = std::make_unique<testing_support::VirtualDisplay>(1024, 768);
        ASSERT_TRUE(g_screen->IsUp());
        ASSERT_TRUE(InitWindowSystem(WindowBackendKind::Display));
    }
    static void TearDownTestSuite() {
        ShutdownWindowSystem();
        g_screen.reset();
    }
    // Pumps until settled() holds, at most two seconds.
    static bool PumpUntil(const std::function<bool()>& settled) {
        return testing_support::PumpUntil(settled, std::chrono::seconds(2));
    }
    // Runs command on a worker while the window thread keeps its loop going (at most 20 s), then
    // pumps until what it did has arrived.
    std::string RunWhilePumping(
        const std::string& command, const std::function<bool()>& settled = [] { return true; }) {
        std::atomic<bool> done{false};
        std::string out;
        std::thread worker([&] {
            out = RunCommand(command);
            done = true;
        });
        testing_support::PumpUntil([&] { return done.load(); }, std::chrono::seconds(20));
        worker.join();
        PumpUntil(settled);
        return out;
    }
};

TEST_F(X11WindowTest, RealWindowTakesClicksDragsAndSigterm) {
    ASSERT_EQ(VideoDriverName(), "x11");
    std::vector<uint32_t> messages;
    std::vector<LParam> presses;
    DialogProc proc = [&](WindowHandle w, uint32_t m, WParam, LParam lp) -> LResult {
        messages.push_back(m);
        if (m == kWmLButtonDown) {
            presses.push_back(lp);
            // The top band acts as a caption.
            if (HighWord(static_cast<uintptr_t>(lp)) < 30) {
                Point p{LowWord(static_cast<uintptr_t>(lp)), HighWord(static_cast<uintptr_t>(lp))};
                ClientToScreen(w, &p);
                SendMessage(w, kWmNcLButtonDown, kHtCaption, MakeLParam(p.x, p.y));
            }
        }
        return 0;
    };
    DialogTemplate t;
    t.width = 200;
    t.height = 120;
    t.inPixels = true;
    const std::string title = "Kelto X11 test " + std::to_string(getpid());
    t.title = std::wstring(title.begin(), title.end());
    WindowHandle w = CreateDialog(t, nullptr, proc);
    ASSERT_NE(w, nullptr);
    MoveWindow(w, 100, 100, 200, 120, false);
    ShowWindow(w, kSwShow);
    ASSERT_TRUE(PumpUntil([&] { // shown, erased and painted once
        return std::count(messages.begin(), messages.end(), kWmPaint) == 1;
    }));
    {
        auto dc = GetDC(w);
        dc->FillSolidRect(Rect{0, 0, 200, 120}, Rgb(255, 0, 0));
    }

    std::string id =
        RunWhilePumping("timeout 10 xdotool search --sync --name '" + title + "' | head -1");
    ASSERT_FALSE(id.empty());
    auto ups = [&] { return std::count(messages.begin(), messages.end(), kWmLButtonUp); };
    RunWhilePumping("timeout 10 xdotool mousemove --window " + id + " 50 60 click 1",
                    [&] { return presses.size() == 1 && ups() == 1; });
    ASSERT_EQ(presses.size(), 1u);
    EXPECT_EQ(presses[0], MakeLParam(50, 60));
    EXPECT_EQ(ups(), 1);

    // Drag by the band: the pointer moves by (30, 20) on the screen, so does the window.
    Rect r;
    RunWhilePumping("timeout 10 xdotool mousemove --window " + id +
                        " 20 10 mousedown 1 sleep 0.1 mousemove 150 130 sleep 0.1 mouseup 1",
                    [&] {
                        GetWindowRect(w, &r);
                        return r.left == 130 && r.top == 120;
                    });
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, 130);
    EXPECT_EQ(r.top, 120);
    auto frame = LastPresentedFrame(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Pixel(100, 100), 0xFF0000u);

    // SIGTERM arrives as a close request.
    kill(getpid(), SIGTERM);
    PumpUntil([&] { return std::count(messages.begin(), messages.end(), kWmClose) != 0; });
    EXPECT_EQ(std::count(messages.begin(), messages.end(), kWmClose), 1);
    DestroyWindow(w);
}

// The native box is the desktop's own, attached to its owner (transient for it); the owner takes
// no input until it is answered, and it goes when its owner does.
TEST_F(X11WindowTest, TheNativeMessageBoxBelongsToItsOwner) {
    DialogTemplate t;
    t.width = 300;
    t.height = 200;
    t.inPixels = true;
    WindowHandle owner =
        CreateDialog(t, nullptr, [](WindowHandle, uint32_t, WParam, LParam) { return LResult{0}; });
    ASSERT_NE(owner, nullptr);
    ShowWindow(owner, kSwShow);
    char ownerId[32];
    std::snprintf(ownerId, sizeof ownerId, "0x%lx",
                  static_cast<unsigned long>(GetNativeX11Window(owner)));

    for (const bool answered : {true, false}) {
        SCOPED_TRACE(answered ? "answered" : "owner destroyed");
        std::atomic<bool> done{false};
        bool shown = false;
        std::thread worker([&] {
            shown = ShowNativeMessageBox(owner, L"ERROR", L"Install Failed!");
            done = true;
        });
        const std::string box =
            RunWhilePumping("timeout 10 xdotool search --sync --name '^ERROR$' | head -1");
        EXPECT_FALSE(box.empty());
        EXPECT_FALSE(IsWindowEnabled(owner));
        EXPECT_EQ(RunWhilePumping("xprop -id '" + box + "' WM_TRANSIENT_FOR"),
                  std::string("WM_TRANSIENT_FOR(WINDOW): window id # ") + ownerId);
        if (answered) {
            // GTK takes no synthetic key events: focus the box and press through XTEST.
            RunWhilePumping("timeout 10 xdotool windowfocus --sync " + box + " key Return",
                            [&] { return done.load(); });
        } else {
            DestroyWindow(owner);
            PumpUntil([&] { return done.load(); });
        }
        EXPECT_TRUE(done.load());
        if (!done) {
            DestroyWindow(owner); // ends a box left open, so the worker can be joined
        }
        worker.join();
        EXPECT_TRUE(shown);
        EXPECT_EQ(RunWhilePumping("xdotool search --name '^ERROR$'"), "");
        if (answered) {
            EXPECT_TRUE(IsWindowEnabled(owner));
        }
    }
}

class BothBackendsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_screen = std::make_unique<testing_support::VirtualDisplay>(1024, 768);
        ASSERT_TRUE(g_screen->IsUp());
    }
    static void TearDownTestSuite() { g_screen.reset(); }
};

constexpr uint32_t kBlue = 0x2060C0;
constexpr uint32_t kButtonHover = 0xE5F1FB;

// Draws a small dialog (a group box, a painted bar, a button under the pointer) on the backend
// and returns the frame it presented, also saved as png.
std::unique_ptr<Bitmap> DrawSmallDialog(WindowBackendKind kind, const std::string& png) {
    if (!InitWindowSystem(kind)) {
        return nullptr;
    }
    DialogTemplate t;
    t.width = 180;
    t.height = 100;
    t.inPixels = true;
    t.title = L"Kelto both backends";
    t.controls = {
        ControlTemplate{ControlKind::GroupBox, -1, 6, 4, 168, 50, L"Info :", kControlVisible},
        ControlTemplate{ControlKind::Button, 1, 100, 60, 70, 28, L"OK", kControlVisible}};
    DialogProc proc = [](WindowHandle w, uint32_t m, WParam, LParam) -> LResult {
        if (m == kWmPaint) {
            GetDC(w)->FillSolidRect(Rect{10, 60, 90, 90}, Rgb(0x20, 0x60, 0xC0));
            return 1;
        }
        return 0;
    };
    WindowHandle w = CreateDialog(t, nullptr, proc);
    if (w == nullptr) {
        ShutdownWindowSystem();
        return nullptr;
    }
    MoveWindow(w, 20, 20, 180, 100, false);
    ShowWindow(w, kSwShow);
    PushMouseEventForTesting(w, MouseAction::Move, 120, 70);
    std::unique_ptr<Bitmap> frame;
    for (int i = 0; i < 300; ++i) { // three seconds at most
        PumpMessages(10);
        frame = LastPresentedFrame(w);
        if (frame && frame->Pixel(50, 75) == kBlue && frame->Pixel(102, 62) == kButtonHover) {
            break;
        }
    }
    SaveWindowFrameAsPng(w, png.c_str());
    DestroyWindow(w);
    ShutdownWindowSystem();
    return frame;
}

TEST_F(BothBackendsTest, TheSameDialogPresentsTheSamePixelsOnBoth) {
    std::unique_ptr<Bitmap> display = DrawSmallDialog(WindowBackendKind::Display, "both-x11.png");
    std::unique_ptr<Bitmap> headless =
        DrawSmallDialog(WindowBackendKind::Headless, "both-headless.png");
    ASSERT_NE(display, nullptr);
    ASSERT_NE(headless, nullptr);
    // Both show what the dialog painted and the button under the pointer.
    EXPECT_EQ(display->Pixel(50, 75), kBlue);
    EXPECT_EQ(display->Pixel(102, 62), kButtonHover);
    ASSERT_EQ(display->Width(), headless->Width());
    ASSERT_EQ(display->Height(), headless->Height());
    int differing = 0;
    for (int32_t y = 0; y < display->Height(); ++y) {
        for (int32_t x = 0; x < display->Width(); ++x) {
            differing += display->Pixel(x, y) != headless->Pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
}

} // namespace
} // namespace platform
