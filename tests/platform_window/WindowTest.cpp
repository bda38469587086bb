// The window system on the headless backend: dialogs modal and modeless, the message set, sends
// from other threads, close and quit requests, mouse input with capture and caption drags, frames
// handed over by painting threads, and the own-drawn native controls. Input is injected into the
// backend's queue, so it takes the same road as a user's.
#include "platform/Window.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "tests/common/PumpUntil.h"

#include "platform/Font.h"
#include "platform/Text.h"
#include "tests/common/ScopedRoot.h"

namespace platform {
namespace {

struct Message {
    uint32_t message;
    WParam wParam;
    LParam lParam;
};

DialogTemplate PixelTemplate(int width, int height) {
    DialogTemplate t;
    t.width = width;
    t.height = height;
    t.inPixels = true;
    t.title = L"Window test";
    return t;
}

// Records every message; handlers may answer some of them.
struct Recorder {
    std::vector<Message> messages;
    std::function<LResult(WindowHandle, uint32_t, WParam, LParam)> handler;
    DialogProc Proc() {
        return [this](WindowHandle w, uint32_t m, WParam wp, LParam lp) -> LResult {
            messages.push_back(Message{m, wp, lp});
            return handler ? handler(w, m, wp, lp) : 0;
        };
    }
    std::vector<Message> Of(uint32_t message) const {
        std::vector<Message> out;
        for (const Message& m : messages) {
            if (m.message == message) {
                out.push_back(m);
            }
        }
        return out;
    }
};

using testing_support::PumpUntil;

// Pumps until everything queued before the call was handled: a message posted now is handled
// after the input injected before it. False when it did not arrive within two seconds.
bool Drain(WindowHandle window, const Recorder& recorder) {
    constexpr uint32_t kMarker = kWmUser + 99;
    size_t before = recorder.Of(kMarker).size();
    PostMessage(window, kMarker, 0, 0);
    return PumpUntil([&] { return recorder.Of(kMarker).size() > before; });
}

// A press starts a caption drag, the way a skinned window is moved.
LResult PressStartsCaptionDrag(WindowHandle w, uint32_t m, WParam, LParam lp) {
    if (m == kWmLButtonDown) {
        Point p{LowWord(static_cast<uintptr_t>(lp)), HighWord(static_cast<uintptr_t>(lp))};
        ClientToScreen(w, &p);
        SendMessage(w, kWmNcLButtonDown, kHtCaption, MakeLParam(p.x, p.y));
    }
    return 0;
}

class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_root = new testing_support::ScopedRoot();
        ASSERT_TRUE(InitWindowSystem(WindowBackendKind::Headless));
    }
    static void TearDownTestSuite() {
        ShutdownWindowSystem();
        delete s_root;
    }
    void TearDown() override {
        for (WindowHandle w : m_windows) {
            DestroyWindow(w);
        }
        PumpMessages(0);
    }
    WindowHandle Modeless(Recorder& recorder, int width = 200, int height = 100) {
        WindowHandle w = CreateDialog(PixelTemplate(width, height), nullptr, recorder.Proc(), 77);
        EXPECT_NE(w, nullptr);
        m_windows.push_back(w);
        return w;
    }
    // Recorders outlive the windows, which TearDown destroys.
    Recorder& NewRecorder() { return m_recorders.emplace_back(); }
    // A window of 120 x 80 at (100, 100) that a press drags by its caption.
    WindowHandle CaptionDragWindow(Recorder& r) {
        r.handler = PressStartsCaptionDrag;
        WindowHandle w = Modeless(r, 120, 80);
        MoveWindow(w, 100, 100, 120, 80, false);
        return w;
    }
    std::deque<Recorder> m_recorders;
    std::vector<WindowHandle> m_windows;
    // The debugger output switch is read from the root's settings.
    static inline testing_support::ScopedRoot* s_root = nullptr;
};

TEST_F(WindowTest, RunsOnTheHeadlessBackendWithAScreen) {
    EXPECT_EQ(VideoDriverName(), "headless");
    EXPECT_FALSE(HasDisplay());
    EXPECT_TRUE(IsWindowThread());
    EXPECT_GT(GetSystemMetrics(kSmCxScreen), 0);
    EXPECT_GT(GetSystemMetrics(kSmCyScreen), 0);
}

TEST_F(WindowTest, ModelessDialogInitialisesShowsAndPaints) {
    Recorder& r = NewRecorder();
    WindowHandle w = Modeless(r);
    ASSERT_EQ(r.Of(kWmInitDialog).size(), 1u);
    EXPECT_EQ(r.Of(kWmInitDialog)[0].lParam, 77);
    EXPECT_FALSE(IsWindowVisible(w));
    ShowWindow(w, kSwShow);
    EXPECT_TRUE(IsWindowVisible(w));
    ASSERT_TRUE(PumpUntil([&] { return !r.Of(kWmPaint).empty(); }));
    ASSERT_EQ(r.Of(kWmShowWindow).size(), 1u);
    EXPECT_EQ(r.Of(kWmShowWindow)[0].wParam, 1u);
    EXPECT_EQ(r.Of(kWmEraseBkgnd).size(), 1u);
    ShowWindow(w, kSwHide);
    EXPECT_FALSE(IsWindowVisible(w));
    EXPECT_EQ(r.Of(kWmShowWindow).back().wParam, 0u);
}

TEST_F(WindowTest, FramesFromAPaintingThreadArePresentedByTheWindowThread) {
    Recorder& r = NewRecorder();
    WindowHandle w = Modeless(r, 40, 30);
    ShowWindow(w, kSwShow);
    ASSERT_TRUE(PumpUntil([&] { return !r.Of(kWmPaint).empty(); })); // erased and painted once
    std::atomic<bool> painted{false};
    std::thread painter([&] {
        auto dc = GetDC(w);
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(dc->Width(), 40);
        Bitmap frame(40, 30);
        DeviceContext memory(&frame);
        memory.FillSolidRect(Rect{0, 0, 40, 30}, Rgb(0, 0, 255));
        memory.FillSolidRect(Rect{10, 10, 20, 20}, Rgb(255, 0, 0));
        dc->BitBlt(0, 0, 40, 30, memory, 0, 0);
        painted = true;
    });
    painter.join();
    ASSERT_TRUE(PumpUntil([&] {
        auto frame = LastPresentedFrame(w);
        return painted && frame && frame->Pixel(15, 15) == 0xFF0000u;
    }));
    auto frame = LastPresentedFrame(w);
    EXPECT_EQ(frame->Pixel(0, 0), 0x0000FFu);

    auto path = std::filesystem::temp_directory_path() /
                ("kelto-window-" + std::to_string(::getpid()) + ".png");
    ASSERT_TRUE(SaveWindowFrameAsPng(w, path.c_str()));
    auto back = LoadPng(path.c_str());
    std::filesystem::remove(path);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Pixel(15, 15), 0xFF0000u);
}

TEST_F(WindowTest, SendFromAnotherThreadRunsOnTheWindowThreadAndWaits) {
    Recorder& r = NewRecorder();
    std::thread::id handledOn;
    r.handler = [&](WindowHandle, uint32_t m, WParam wp, LParam lp) -> LResult {
        if (m == kWmUser + 1) {
            handledOn = std::this_thread::get_id();
            return static_cast<LResult>(wp) + lp;
        }
        return 0;
    };
    WindowHandle w = Modeless(r);
    std::atomic<LResult> answer{0};
    std::atomic<bool> done{false};
    std::thread sender([&] {
        answer = SendMessage(w, kWmUser + 1, 40, 2);
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    sender.join();
    EXPECT_EQ(answer.load(), 42);
    EXPECT_EQ(handledOn, std::this_thread::get_id());
    // Posted work runs later, in order, on the window thread.
    std::vector<int> order;
    std::thread poster([&] {
        for (int i = 0; i < 3; ++i) {
            PostToWindowThread([&order, i] { order.push_back(i); });
        }
    });
    poster.join();
    ASSERT_TRUE(PumpUntil([&] { return order.size() == 3; }));
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    // Command ids travel in the low word.
    SendMessage(w, kWmCommand, 1614, 0);
    EXPECT_EQ(LowWord(r.Of(kWmCommand).back().wParam), 1614);
}

TEST_F(WindowTest, ADeadWindowAnswersNothing) {
    Recorder& r = NewRecorder();
    WindowHandle w = Modeless(r);
    EXPECT_TRUE(DestroyWindow(w));
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(r.Of(kWmDestroy).size(), 1u);
    size_t before = r.messages.size();
    EXPECT_EQ(SendMessage(w, kWmUser, 0, 0), 0);
    EXPECT_EQ(GetDC(w), nullptr);
    EXPECT_FALSE(MoveWindow(w, 0, 0, 10, 10, true));
    EXPECT_EQ(r.messages.size(), before);
}

TEST_F(WindowTest, ModalDialogRunsItsOwnLoopWithTheOwnerDisabled) {
    Recorder& ownerRecorder = NewRecorder();
    WindowHandle owner = Modeless(ownerRecorder);
    ShowWindow(owner, kSwShow);
    bool ownerEnabledInside = true;
    std::thread ender;
    Recorder& modal = NewRecorder();
    modal.handler = [&](WindowHandle w, uint32_t m, WParam, LParam) -> LResult {
        if (m == kWmInitDialog) {
            // Ended from another thread once the dialog shows (at most two seconds).
            ender = std::thread([w] {
                for (int i = 0; i < 400 && !IsWindowVisible(w); ++i) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
                EndDialog(w, 42);
            });
        }
        if (m == kWmShowWindow) {
            ownerEnabledInside = IsWindowEnabled(owner);
        }
        return 0;
    };
    LResult result = DialogBox(PixelTemplate(100, 50), owner, modal.Proc());
    ender.join();
    EXPECT_EQ(result, 42);
    EXPECT_FALSE(ownerEnabledInside);
    EXPECT_TRUE(IsWindowEnabled(owner));
    EXPECT_EQ(modal.Of(kWmDestroy).size(), 1u);
}

TEST_F(WindowTest, CloseRequestBecomesCancelUnlessTheWindowIsDisabled) {
    Recorder& r = NewRecorder();
    WindowHandle w = Modeless(r);
    ShowWindow(w, kSwShow);
    EnableWindow(w, false);
    ASSERT_TRUE(PushCloseRequestForTesting(w));
    ASSERT_TRUE(Drain(w, r));
    EXPECT_TRUE(r.Of(kWmClose).empty());
    EnableWindow(w, true);
    ASSERT_TRUE(PushCloseRequestForTesting(w));
    ASSERT_TRUE(PumpUntil([&] { return !r.Of(kWmCommand).empty(); }));
    EXPECT_EQ(r.Of(kWmClose).size(), 1u);
    EXPECT_EQ(r.Of(kWmCommand)[0].wParam, static_cast<WParam>(kIdCancel));
    // Escape is the Cancel command too.
    PushKeyEventForTesting(w, kVkEscape);
    ASSERT_TRUE(PumpUntil([&] { return r.Of(kWmCommand).size() == 2; }));
    EXPECT_EQ(r.Of(kWmCommand)[1].wParam, static_cast<WParam>(kIdCancel));
    EXPECT_EQ(r.Of(kWmClose).size(), 1u);
}

TEST_F(WindowTest, SigtermClosesTheInnermostModalDialogFirstThenTheNextOut) {
    std::vector<std::string> order;
    Recorder& inner = NewRecorder();
    inner.handler = [&](WindowHandle w, uint32_t m, WParam, LParam) -> LResult {
        if (m == kWmInitDialog) {
            std::raise(SIGTERM); // arrives as the backend's quit event
        }
        if (m == kWmClose) {
            order.push_back("inner");
            EndDialog(w, 7);
            return 1;
        }
        return 0;
    };
    LResult innerResult = 0;
    Recorder& outer = NewRecorder();
    outer.handler = [&](WindowHandle w, uint32_t m, WParam, LParam) -> LResult {
        if (m == kWmInitDialog) {
            PostMessage(w, kWmUser + 5, 0, 0);
        }
        if (m == kWmUser + 5) {
            innerResult = DialogBox(PixelTemplate(50, 50), w, inner.Proc());
        }
        if (m == kWmClose) {
            order.push_back("outer");
            EndDialog(w, 9);
            return 1;
        }
        return 0;
    };
    EXPECT_EQ(DialogBox(PixelTemplate(80, 80), nullptr, outer.Proc()), 9);
    EXPECT_EQ(innerResult, 7);
    EXPECT_EQ(order, (std::vector<std::string>{"inner", "outer"}));
}

TEST_F(WindowTest, MouseMessagesCarryTheButtonStateAndPackedPoint) {
    Recorder& r = NewRecorder();
    WindowHandle w = Modeless(r);
    ShowWindow(w, kSwShow);
    PushMouseEventForTesting(w, MouseAction::Move, 10, 20);
    PushMouseEventForTesting(w, MouseAction::LeftDown, 5, 6);
    PushMouseEventForTesting(w, MouseAction::Move, 7, 8);
    PushMouseEventForTesting(w, MouseAction::LeftUp, 9, 11);
    ASSERT_TRUE(PumpUntil([&] { return !r.Of(kWmLButtonUp).empty(); }));
    auto moves = r.Of(kWmMouseMove);
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0].wParam, 0u);
    EXPECT_EQ(moves[0].lParam, MakeLParam(10, 20));
    EXPECT_EQ(moves[1].wParam, kMkLButton);
    EXPECT_EQ(r.Of(kWmLButtonDown)[0].wParam, kMkLButton);
    EXPECT_EQ(r.Of(kWmLButtonDown)[0].lParam, MakeLParam(5, 6));
    EXPECT_EQ(r.Of(kWmLButtonUp)[0].wParam, 0u);
    EXPECT_EQ(r.Of(kWmLButtonUp)[0].lParam, (11 << 16) | 9);
}

TEST_F(WindowTest, CapturedMouseReportsPointsOutsideTheWindow) {
    Recorder& left = NewRecorder();
    Recorder& right = NewRecorder();
    WindowHandle a = Modeless(left, 100, 100);
    WindowHandle b = Modeless(right, 100, 100);
    MoveWindow(a, 0, 0, 100, 100, false);
    MoveWindow(b, 300, 0, 100, 100, false);
    ShowWindow(a, kSwShow);
    ShowWindow(b, kSwShow);
    SetCapture(b);
    EXPECT_EQ(GetCapture(), b);
    PushMouseEventForTesting(a, MouseAction::Move, 10, 5);
    ASSERT_TRUE(PumpUntil([&] { return !right.Of(kWmMouseMove).empty(); }));
    EXPECT_TRUE(left.Of(kWmMouseMove).empty());
    LParam p = right.Of(kWmMouseMove)[0].lParam;
    EXPECT_EQ(static_cast<int16_t>(LowWord(static_cast<uintptr_t>(p))), -290);
    EXPECT_GT(LowWord(static_cast<uintptr_t>(p)), 32767);
    EXPECT_EQ(HighWord(static_cast<uintptr_t>(p)), 5);
    ReleaseCapture();
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(WindowTest, PressWithTheCaptionHitCodeDragsTheWindowUntilRelease) {
    Recorder& r = NewRecorder();
    WindowHandle w = CaptionDragWindow(r);
    ShowWindow(w, kSwShow);
    PushMouseEventForTesting(w, MouseAction::LeftDown, 50, 40);
    PushMouseEventForTesting(w, MouseAction::Move, 65, 50); // the pointer moves by (15, 10)
    ASSERT_TRUE(PumpUntil([&] {
        Rect rect;
        GetWindowRect(w, &rect);
        return rect.left == 115 && rect.top == 110;
    }));
    // Client coordinates are now relative to the moved window.
    PushMouseEventForTesting(w, MouseAction::Move, 60, 45);   // screen (175, 155)
    PushMouseEventForTesting(w, MouseAction::LeftUp, 50, 40); // the same point, window moved
    PushMouseEventForTesting(w, MouseAction::Move, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return r.Of(kWmMouseMove).size() == 1; }));
    Rect rect;
    GetWindowRect(w, &rect);
    EXPECT_EQ(rect.left, 125);
    EXPECT_EQ(rect.top, 115);
    EXPECT_EQ(rect.Width(), 120);
    // The drag ate the mouse: no move or release reached the dialog while it lasted.
    EXPECT_TRUE(r.Of(kWmLButtonUp).empty());
    EXPECT_FALSE(r.Of(kWmMove).empty());
}

TEST_F(WindowTest, MoveResizeMinimiseTitleAndIcon) {
    Recorder& r = NewRecorder();
    WindowHandle w = Modeless(r);
    ASSERT_TRUE(MoveWindow(w, 30, 40, 150, 90, true));
    Rect rect;
    ASSERT_TRUE(GetWindowRect(w, &rect));
    EXPECT_EQ(rect.left, 30);
    EXPECT_EQ(rect.top, 40);
    EXPECT_EQ(rect.Width(), 150);
    GetClientRect(w, &rect);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.bottom, 90);
    EXPECT_EQ(GetDC(w)->Height(), 90);
    ASSERT_FALSE(r.Of(kWmSize).empty());
    EXPECT_EQ(r.Of(kWmSize).back().lParam, MakeLParam(150, 90));
    ASSERT_FALSE(r.Of(kWmMove).empty());
    Point p{5, 6};
    ClientToScreen(w, &p);
    EXPECT_EQ(p.x, 35);
    EXPECT_EQ(p.y, 46);

    EXPECT_TRUE(SetWindowText(w, L"Kelto Clipwave Converter Pro Installer"));
    EXPECT_EQ(GetWindowText(w), L"Kelto Clipwave Converter Pro Installer");
    Bitmap icon(16, 16);
    EXPECT_TRUE(SetWindowIcon(w, icon));
    EXPECT_FALSE(SetWindowIconFromPng(w, reinterpret_cast<const uint8_t*>("not a png"), 9));
    EXPECT_FALSE(IsDesktopCompositionEnabled());
    // Without a display no box can be shown; the call must come back at once all the same.
    EXPECT_FALSE(ShowNativeMessageBox(w, L"Install Failed!", L"Install Failed!"));
    ShowWindow(w, kSwShow);
    ShowWindow(w, kSwMinimize);
    EXPECT_TRUE(IsIconic(w));
    ShowWindow(w, kSwRestore);
    EXPECT_FALSE(IsIconic(w));
}

// Window subclassing: the hook sees every message first and decides when the window's own
// procedure runs; it hears the size kinds of a minimise and a restore, the end of a caption drag,
// the show while the window already counts as visible, and WM_NCDESTROY after WM_DESTROY.
TEST_F(WindowTest, MessageHookSeesTheWindowsMessagesFirst) {
    Recorder& r = NewRecorder();
    WindowHandle w = CaptionDragWindow(r);
    std::vector<Message> hooked;
    bool visibleAtShow = false;
    size_t procCountAtHook = 0;
    ASSERT_TRUE(SetWindowMessageHook(w,
                                     [&](WindowHandle window, uint32_t m, WParam p1, LParam p2,
                                         const std::function<LResult()>& previous) -> LResult {
                                         hooked.push_back(Message{m, p1, p2});
                                         if (m == kWmShowWindow && p1 == 1) {
                                             visibleAtShow = IsWindowVisible(window);
                                         }
                                         procCountAtHook = r.messages.size();
                                         return m == kWmUser + 5
                                                    ? 42
                                                    : previous(); // the hook may answer on its own
                                     }));
    EXPECT_EQ(SendMessage(w, kWmUser + 5, 0, 0), 42);
    EXPECT_TRUE(r.Of(kWmUser + 5).empty());
    EXPECT_EQ(procCountAtHook, r.messages.size());

    ShowWindow(w, kSwShow);
    EXPECT_TRUE(visibleAtShow);
    ShowWindow(w, kSwMinimize);
    ShowWindow(w, kSwRestore);
    std::vector<WParam> kinds;
    for (const Message& m : hooked) {
        if (m.message == kWmSize) {
            kinds.push_back(m.wParam);
        }
    }
    EXPECT_EQ(kinds, (std::vector<WParam>{kSizeMinimized, kSizeRestored}));
    EXPECT_EQ(r.Of(kWmSize).back().lParam, MakeLParam(120, 80));

    PushMouseEventForTesting(w, MouseAction::LeftDown, 50, 40);
    PushMouseEventForTesting(w, MouseAction::Move, 65, 50);
    PushMouseEventForTesting(w, MouseAction::LeftUp, 65, 50);
    auto count = [&](uint32_t message) {
        return std::count_if(hooked.begin(), hooked.end(),
                             [&](const Message& m) { return m.message == message; });
    };
    ASSERT_TRUE(PumpUntil([&] { return count(kWmExitSizeMove) == 1; }));
    EXPECT_GT(count(kWmMove), 0);

    DestroyWindow(w);
    ASSERT_GE(hooked.size(), 2u);
    EXPECT_EQ(hooked[hooked.size() - 2].message, kWmDestroy);
    EXPECT_EQ(hooked.back().message, kWmNcDestroy);
}

TEST_F(WindowTest, TemplateControlsAreLaidOutInDialogUnits) {
    DialogTemplate t;
    t.width = 200;
    t.height = 100;
    t.caption = true;
    t.controls = {
        ControlTemplate{ControlKind::Button, 1006, 8, 16, 40, 16, L"Info", kControlVisible}};
    Recorder& r = NewRecorder();
    WindowHandle w = CreateDialog(t, nullptr, r.Proc());
    m_windows.push_back(w);
    WindowHandle button = GetDlgItem(w, 1006);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(GetDlgCtrlId(button), 1006);
    EXPECT_EQ(GetParent(button), w);
    EXPECT_EQ(r.Of(kWmInitDialog)[0].wParam, reinterpret_cast<WParam>(button));
    Rect dialogRect;
    Rect buttonRect;
    GetWindowRect(w, &dialogRect);
    GetWindowRect(button, &buttonRect);
    // Horizontal units are a quarter of the average character width, vertical ones an eighth of
    // the line height: the button is a fifth of the dialog's width and sixth of its height.
    EXPECT_NEAR(buttonRect.Width() * 5, dialogRect.Width(), 5);
    EXPECT_NEAR(buttonRect.Height() * 100 / 16, dialogRect.Height(), 8);
    EXPECT_GT(dialogRect.Width(), 200);
}

class NativeControlTest : public WindowTest {
protected:
    void SetUp() override {
        dialog = Modeless(recorder, 300, 220);
        ShowWindow(dialog, kSwShow);
        PumpMessages(0);
    }
    std::vector<Message> Commands() const { return recorder.Of(kWmCommand); }
    Recorder recorder;
    WindowHandle dialog = nullptr;
};

TEST_F(NativeControlTest, EditBoxTakesTypingAndEditingKeys) {
    WindowHandle edit = CreateControl(dialog, ControlKind::Edit, 1500, Rect{10, 10, 200, 36},
                                      L"C:\\Program", kControlVisible | kControlBorder);
    ASSERT_NE(edit, nullptr);
    EditSetFormattingRect(edit, Rect{4, 1, 190, 26});
    PushMouseEventForTesting(dialog, MouseAction::LeftDown, 199, 20); // caret to the end
    PushMouseEventForTesting(dialog, MouseAction::LeftUp, 199, 20);
    PushTextInputForTesting(dialog, " Files");
    PushKeyEventForTesting(dialog, kVkBack);
    PushKeyEventForTesting(dialog, kVkHome);
    PushTextInputForTesting(dialog, "D");
    PushKeyEventForTesting(dialog, kVkDelete); // removes the old drive letter
    PushKeyEventForTesting(dialog, kVkEnd);
    PushKeyEventForTesting(dialog, kVkLeft);
    PushTextInputForTesting(dialog, "é");
    PushKeyEventForTesting(dialog, kVkRight);
    PushKeyEventForTesting(dialog, kVkDelete); // nothing right of the caret
    ASSERT_TRUE(PumpUntil([&] { return GetWindowText(edit) == L"D:\\Program Filée"; }))
        << WideToNarrow(GetWindowText(edit));
    // Every change told the dialog; the press never reached the dialog itself.
    int changes = 0;
    for (const Message& m : Commands()) {
        EXPECT_EQ(LowWord(m.wParam), 1500);
        changes += HighWord(m.wParam) == 0x0300;
    }
    EXPECT_EQ(changes, 5);
    EXPECT_TRUE(recorder.Of(kWmLButtonDown).empty());

    SetClipboardText(L"\\Sub\nignored");
    PushKeyEventForTesting(dialog, 'V', true);
    ASSERT_TRUE(PumpUntil([&] { return GetWindowText(edit) == L"D:\\Program Filée\\Sub"; }));
    // A disabled box takes nothing.
    EnableWindow(edit, false);
    PushTextInputForTesting(dialog, "x");
    ASSERT_TRUE(Drain(dialog, recorder));
    EXPECT_EQ(GetWindowText(edit), L"D:\\Program Filée\\Sub");
}

TEST_F(NativeControlTest, EditBoxSelectsCutsCopiesAndReplaces) {
    WindowHandle edit = CreateControl(dialog, ControlKind::Edit, 1501, Rect{10, 10, 290, 36},
                                      L"C:\\Program Files", kControlVisible | kControlBorder);
    PushMouseEventForTesting(dialog, MouseAction::LeftDown, 280, 20); // focus, caret at the end
    PushMouseEventForTesting(dialog, MouseAction::LeftUp, 280, 20);
    PushKeyEventForTesting(dialog, kVkLeft, false, true); // select "s"
    PushKeyEventForTesting(dialog, kVkLeft, false, true); // and "e"
    PushTextInputForTesting(dialog, "ER");                // typing replaces the selection
    ASSERT_TRUE(PumpUntil([&] { return GetWindowText(edit) == L"C:\\Program FilER"; }))
        << WideToNarrow(GetWindowText(edit));
    PushKeyEventForTesting(dialog, 'A', true);
    PushKeyEventForTesting(dialog, 'X', true);
    ASSERT_TRUE(PumpUntil([&] { return GetWindowText(edit).empty(); }));
    EXPECT_EQ(GetClipboardText(), L"C:\\Program FilER");
    PushKeyEventForTesting(dialog, 'V', true);
    PushKeyEventForTesting(dialog, kVkHome, false, true); // selects back to the start
    PushKeyEventForTesting(dialog, kVkDelete);
    PushTextInputForTesting(dialog, "D:\\Apps");
    ASSERT_TRUE(PumpUntil([&] { return GetWindowText(edit) == L"D:\\Apps"; }));
    // Dragging with the mouse selects, Ctrl+C copies without changing the text.
    PushMouseEventForTesting(dialog, MouseAction::LeftDown, 12, 20);
    PushMouseEventForTesting(dialog, MouseAction::Move, 280, 20);
    PushMouseEventForTesting(dialog, MouseAction::LeftUp, 280, 20);
    PushKeyEventForTesting(dialog, 'C', true);
    PushKeyEventForTesting(dialog, kVkBack);
    ASSERT_TRUE(PumpUntil([&] { return GetWindowText(edit).empty(); }));
    EXPECT_EQ(GetClipboardText(), L"D:\\Apps");
}

TEST_F(NativeControlTest, PushButtonClicksOnlyWhenReleasedOverIt) {
    WindowHandle button = CreateControl(dialog, ControlKind::Button, 1006, Rect{10, 10, 60, 30},
                                        L"Info", kControlVisible);
    PushMouseEventForTesting(dialog, MouseAction::LeftDown, 20, 20);
    PushMouseEventForTesting(dialog, MouseAction::Move, 150, 150);
    PushMouseEventForTesting(dialog, MouseAction::LeftUp, 150, 150); // released outside
    PushMouseEventForTesting(dialog, MouseAction::LeftDown, 59, 29);
    PushMouseEventForTesting(dialog, MouseAction::LeftUp, 59, 29);
    ASSERT_TRUE(PumpUntil([&] { return !Commands().empty(); }));
    ASSERT_TRUE(Drain(dialog, recorder));
    ASSERT_EQ(Commands().size(), 1u);
    EXPECT_EQ(Commands()[0].wParam, 1006u); // BN_CLICKED is 0 in the high word
    EXPECT_EQ(Commands()[0].lParam, reinterpret_cast<LParam>(button));
    EXPECT_TRUE(recorder.Of(kWmLButtonUp).empty());
}

std::string HandleText(WindowHandle window) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%#lx",
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window)));
    return buffer;
}

// Every change of who has the mouse goes through one setter, which writes old -> new to the
// debugger output: here a caption drag, then a click on a button.
TEST_F(NativeControlTest, MouseStateChangesAreWrittenToTheDebuggerOutput) {
    recorder.handler = PressStartsCaptionDrag;
    WindowHandle button = CreateControl(dialog, ControlKind::Button, 1006, Rect{10, 10, 60, 30},
                                        L"Info", kControlVisible);
    Rect before;
    GetWindowRect(dialog, &before);
    setenv("KELTO_DEBUG_OUTPUT", "1", 1);
    testing::internal::CaptureStderr();
    PushMouseEventForTesting(dialog, MouseAction::LeftDown, 150, 150); // the dialog drags
    PushMouseEventForTesting(dialog, MouseAction::Move, 160, 155);
    PushMouseEventForTesting(dialog, MouseAction::LeftUp, 160, 155);
    PushMouseEventForTesting(dialog, MouseAction::LeftDown, 20, 20); // the button clicks
    PushMouseEventForTesting(dialog, MouseAction::LeftUp, 20, 20);
    bool clicked = PumpUntil([&] { return !Commands().empty(); });
    std::string output = testing::internal::GetCapturedStderr();
    unsetenv("KELTO_DEBUG_OUTPUT");
    ASSERT_TRUE(clicked);

    std::vector<std::string> lines;
    for (size_t at = output.find("MouseState "); at != std::string::npos;
         at = output.find("MouseState ", at + 1)) {
        lines.push_back(output.substr(at, output.find('\n', at) - at));
    }
    auto state = [](const std::string& buttons, WindowHandle pressed, WindowHandle drag) {
        return "buttons=" + buttons + " capture=0 pressed=" + HandleText(pressed) +
               " focus=0 drag=" + HandleText(drag);
    };
    auto change = [](const std::string& from, const std::string& to) {
        return "MouseState " + from + " -> " + to;
    };
    std::vector<std::string> expected = {
        change(state("-", nullptr, nullptr), state("L", nullptr, nullptr)),
        change(state("L", nullptr, nullptr), state("L", nullptr, dialog)),
        change(state("L", nullptr, dialog), state("-", nullptr, dialog)),
        change(state("-", nullptr, dialog), state("-", nullptr, nullptr)),
        change(state("-", nullptr, nullptr), state("L", nullptr, nullptr)),
        change(state("L", nullptr, nullptr), state("L", button, nullptr)),
        change(state("L", button, nullptr), state("-", button, nullptr)),
        change(state("-", button, nullptr), state("-", nullptr, nullptr)),
    };
    EXPECT_EQ(lines, expected) << output;
    // Client points follow the moving window: the move went (10, 5) on the screen, the release at
    // the same client point another (10, 5).
    Rect after;
    GetWindowRect(dialog, &after);
    EXPECT_EQ(after.left, before.left + 20);
    EXPECT_EQ(after.top, before.top + 10);
}

TEST_F(NativeControlTest, ListViewKeepsColumnsAndRowsAndTakesCallsFromOtherThreads) {
    WindowHandle list = CreateControl(dialog, ControlKind::ListView, 1001, Rect{0, 40, 300, 220},
                                      L"", kControlVisible | kControlBorder);
    std::atomic<bool> done{false};
    std::thread worker([&] {
        EXPECT_TRUE(ListViewInsertColumn(list, 0, L"Num", 60));
        EXPECT_TRUE(ListViewInsertColumn(list, 1, L"Status", 120));
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(ListViewInsertItem(list, i, std::to_wstring(i)), i);
            EXPECT_TRUE(ListViewSetItemText(list, i, 1, L"E_Status_Runing"));
        }
        done = true;
    });
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(ListViewGetItemCount(list), 3);
    EXPECT_EQ(ListViewGetItemText(list, 2, 0), L"2");
    EXPECT_EQ(ListViewGetItemText(list, 1, 1), L"E_Status_Runing");
    EXPECT_EQ(ListViewGetItemText(list, 5, 1), L"");
    EXPECT_FALSE(ListViewSetItemText(list, 9, 0, L"x"));
    EXPECT_TRUE(ListViewDeleteAllItems(list));
    EXPECT_EQ(ListViewGetItemCount(list), 0);
    // Calls on a window of another kind fail.
    EXPECT_EQ(ListBoxAddString(list, L"x"), -1);
    EXPECT_FALSE(ListViewInsertColumn(dialog, 0, L"x", 10));
}

TEST_F(NativeControlTest, ListBoxScrollsByWheelArrowsAndTrack) {
    WindowHandle box = CreateControl(dialog, ControlKind::ListBox, 1005, Rect{0, 0, 300, 120}, L"",
                                     kControlVisible | kControlBorder | kControlVScroll);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(ListBoxAddString(box, L"line " + std::to_wstring(i) + L"\n"), i);
    }
    EXPECT_EQ(ListBoxGetCount(box), 100);
    EXPECT_EQ(ListBoxGetText(box, 7), L"line 7\n");
    EXPECT_EQ(ListBoxGetTopIndex(box), 0);
    PushMouseEventForTesting(dialog, MouseAction::LeftDown, 290, 115); // down arrow
    PushMouseEventForTesting(dialog, MouseAction::LeftUp, 290, 115);
    ASSERT_TRUE(PumpUntil([&] { return ListBoxGetTopIndex(box) == 1; }));
    PushMouseEventForTesting(dialog, MouseAction::Wheel, 100, 50, -2); // three lines a notch
    ASSERT_TRUE(PumpUntil([&] { return ListBoxGetTopIndex(box) == 7; }));
    PushMouseEventForTesting(dialog, MouseAction::LeftDown, 290, 90); // track below the thumb
    PushMouseEventForTesting(dialog, MouseAction::LeftUp, 290, 90);
    ASSERT_TRUE(PumpUntil([&] { return ListBoxGetTopIndex(box) > 7; }));
    PushMouseEventForTesting(dialog, MouseAction::Wheel, 100, 50, 100);
    ASSERT_TRUE(PumpUntil([&] { return ListBoxGetTopIndex(box) == 0; }));
}

TEST_F(NativeControlTest, ControlsAreDrawnOverTheDialogsFrame) {
    CreateControl(dialog, ControlKind::GroupBox, -1, Rect{5, 5, 295, 215}, L"Info :",
                  kControlVisible);
    WindowHandle hidden =
        CreateControl(dialog, ControlKind::Button, 1007, Rect{100, 100, 150, 120}, L"Log", 0);
    ASSERT_TRUE(PumpUntil([&] { return !recorder.Of(kWmPaint).empty(); }));
    {
        auto dc = GetDC(dialog);
        dc->FillSolidRect(Rect{0, 0, 300, 220}, 0xFFFFFF);
    }
    ASSERT_TRUE(PumpUntil([&] {
        auto frame = LastPresentedFrame(dialog);
        return frame && frame->Pixel(150, 150) == 0xFFFFFFu && frame->Pixel(5, 100) != 0xFFFFFFu;
    }));
    auto frame = LastPresentedFrame(dialog);
    EXPECT_EQ(frame->Pixel(120, 110), 0xFFFFFFu); // a hidden control draws nothing
    ShowWindow(hidden, kSwShow);
    ASSERT_TRUE(PumpUntil([&] {
        auto f = LastPresentedFrame(dialog);
        return f && f->Pixel(120, 101) != 0xFFFFFFu;
    }));
}

} // namespace
} // namespace platform
