// The skinned controls: drawing rules as pixels in small canvases, the mouse state machine as one
// table of sequences routed through a real dialog, and the few text rules with fonts.
#include "skin/Controls.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Font.h"
#include "skin/CommonDlg.h"

namespace skin {
namespace {

using platform::Bitmap;
using platform::Rect;

std::unique_ptr<Bitmap> Solid(int w, int h, uint32_t pixel) {
    auto b = std::make_unique<Bitmap>(w, h);
    std::fill(b->Pixels(), b->Pixels() + w * h, pixel);
    return b;
}

class Canvas {
public:
    Canvas(int w, int h) : bitmap(w, h), dc(&bitmap) { Clear(); }
    void Clear() { dc.FillSolidRect(Rect{0, 0, bitmap.Width(), bitmap.Height()}, 0xFFFFFF); }
    uint32_t At(int x, int y) const { return bitmap.Pixel(x, y); }
    Bitmap bitmap;
    DeviceContext dc;
};

// Four solid images, one per state.
struct StateImages {
    std::unique_ptr<Bitmap> image[4] = {Solid(40, 40, 0x100000), Solid(40, 40, 0x200000),
                                        Solid(40, 40, 0x300000), Solid(40, 40, 0x400000)};
    BitmapHandle operator[](int i) const { return image[i].get(); }
};

TEST(ButtonCtrlEx, StartsWithTheSkinsStartValues) {
    ButtonCtrlEx button(nullptr, 1, 2, 3, 4);
    EXPECT_EQ(button.GetState(), kStateNormal);
    EXPECT_FALSE(button.IsPressed());
    EXPECT_EQ(button.GetId(), -1);
    EXPECT_EQ(button.GetFormat(), 0x25u);
    EXPECT_TRUE(button.IsVisible());
    EXPECT_TRUE(button.IsEnabled());
    EXPECT_EQ(button.GetDrawBitmap(), 0);
    EXPECT_EQ(button.GetRect().width, 2);
    Canvas canvas(4, 4);
    button.Draw(&canvas.dc);
    EXPECT_EQ(button.GetColor(), 0x333333u); // state colour 0
    ProcessCtrl bar(nullptr, 0, 0, 10, 10);
    EXPECT_EQ(bar.DoneWidth(), 0);
}

TEST(ButtonCtrlEx, DrawsTheImageOfItsStateOverItsRectangle) {
    StateImages images;
    ButtonCtrlEx button(nullptr, 10, 10, 20, 18);
    button.SetStateBitmaps(images[0], images[1], images[2], nullptr);
    button.SetDrawBitmap(1);
    Canvas canvas(30, 30);
    EXPECT_EQ(button.Draw(&canvas.dc), 1);
    EXPECT_EQ(canvas.At(10, 10), 0x100000u);
    EXPECT_EQ(canvas.At(19, 17), 0x100000u);
    EXPECT_EQ(canvas.At(20, 17), 0xFFFFFFu); // right and bottom lie outside the copy
    EXPECT_EQ(canvas.At(19, 18), 0xFFFFFFu);

    button.OnMouseMove(15, 15);
    EXPECT_EQ(button.Draw(&canvas.dc), 1);
    EXPECT_EQ(canvas.At(12, 12), 0x200000u);
    EXPECT_EQ(button.GetColor(), 0x666666u);

    // Disabled has no image here: the old pixels stay.
    button.SetEnabled(false);
    button.Draw(&canvas.dc);
    EXPECT_EQ(canvas.At(12, 12), 0x200000u);
    EXPECT_EQ(button.GetColor(), 0x999999u);

    // No context, hidden, or not drawing images.
    EXPECT_EQ(button.Draw(nullptr), 0);
    button.SetVisible(false);
    canvas.Clear();
    EXPECT_EQ(button.Draw(&canvas.dc), 0);
    EXPECT_EQ(canvas.At(12, 12), 0xFFFFFFu);
    button.SetVisible(true);
    button.SetEnabled(true);
    button.OnMouseMove(15, 15);
    button.SetDrawBitmap(0);
    EXPECT_EQ(button.Draw(&canvas.dc), 1);
    EXPECT_EQ(canvas.At(12, 12), 0xFFFFFFu);
}

TEST(CommonCtrl, DrawBitmapAtReportsNullInputsAndCopiesFromTheTopLeft) {
    auto image = std::make_unique<Bitmap>(3, 3);
    image->SetPixel(0, 0, 0xAA0000);
    image->SetPixel(2, 2, 0x00BB00);
    StaticCtrl picture(nullptr, 0, 0, 10, 10);
    Canvas canvas(10, 10);
    EXPECT_EQ(picture.DrawBitmapAt(nullptr, image.get(), 0, 0, 3, 3), 1);
    EXPECT_EQ(picture.DrawBitmapAt(&canvas.dc, nullptr, 0, 0, 3, 3), 1);
    // A copy larger than the image leaves what lies beyond it as it was.
    EXPECT_EQ(picture.DrawBitmapAt(&canvas.dc, image.get(), 4, 5, 5, 5), 0);
    EXPECT_EQ(canvas.At(4, 5), 0xAA0000u);
    EXPECT_EQ(canvas.At(6, 7), 0x00BB00u);
    EXPECT_EQ(canvas.At(7, 8), 0xFFFFFFu);
}

TEST(CheckButtonCtrl, DrawsTheSetThatMatchesItsCheckedValueAndEntryTwoWhilePressed) {
    StateImages unchecked;
    auto c0 = Solid(20, 20, 0x010101);
    auto c1 = Solid(20, 20, 0x020202);
    auto c2 = Solid(20, 20, 0x030303);
    CheckButtonCtrl box(nullptr, 0, 0, 14, 14);
    box.SetStateBitmaps(unchecked[0], unchecked[1], unchecked[2], unchecked[3]);
    box.SetCheckedBitmaps(c0.get(), c1.get(), c2.get(), nullptr);
    box.SetDrawBitmap(1);
    EXPECT_FALSE(box.GetCheck());
    Canvas canvas(20, 20);
    box.OnLButtonDown(5, 5);
    ASSERT_EQ(box.GetState(), kStatePressed);
    box.Draw(&canvas.dc);
    EXPECT_EQ(canvas.At(5, 5), 0x300000u);
    box.SetCheck(true);
    box.Draw(&canvas.dc);
    EXPECT_EQ(canvas.At(5, 5), 0x030303u);
    box.OnLButtonUp(5, 5); // a release sends the command but never toggles
    EXPECT_TRUE(box.GetCheck());
    box.Draw(&canvas.dc);
    EXPECT_EQ(canvas.At(5, 5), 0x020202u); // hover, checked
}

TEST(CheckButtonCtrlEx, DrawsItsImageInTheBoxRectangle) {
    auto chevron = Solid(13, 7, 0x00FF00);
    CheckButtonCtrlEx custom(nullptr, 474, 359, 609, 385);
    custom.SetStateBitmaps(chevron.get(), chevron.get(), chevron.get(), nullptr);
    custom.SetBoxRect(121, 9, 14, 8);
    custom.SetDrawBitmap(1);
    Canvas canvas(622, 405);
    custom.Draw(&canvas.dc);
    EXPECT_EQ(canvas.At(474 + 121, 359 + 9), 0x00FF00u);
    EXPECT_EQ(canvas.At(474 + 121 + 12, 359 + 9 + 6), 0x00FF00u);
    // The box's extra column and row show the background.
    EXPECT_EQ(canvas.At(474 + 121 + 13, 359 + 9), 0xFFFFFFu);
    EXPECT_EQ(canvas.At(474 + 121, 359 + 9 + 7), 0xFFFFFFu);
    EXPECT_EQ(canvas.At(474, 359), 0xFFFFFFu);
}

TEST(StaticCtrl, DrawsItsFirstImageAndNeedsAContextOrAnOwner) {
    auto logo = Solid(311, 311, 0x123456);
    StaticCtrl emblem(nullptr, 156, 22, 156 + 311, 22 + 311);
    emblem.SetStateBitmaps(logo.get(), nullptr, nullptr, nullptr);
    emblem.SetDrawBitmap(1);
    Canvas canvas(622, 405);
    EXPECT_EQ(emblem.Draw(&canvas.dc), 1);
    EXPECT_EQ(canvas.At(156, 22), 0x123456u);
    EXPECT_EQ(canvas.At(466, 332), 0x123456u);
    EXPECT_EQ(canvas.At(467, 333), 0xFFFFFFu);
    EXPECT_EQ(emblem.Draw(nullptr), 0); // no context and no owner window
}

TEST(ProcessCtrl, DoneWidthFollowsPositionInsideTheBorder) {
    struct Case {
        Rect rect;
        int border;
        int minimum, maximum, position;
        int expected;
    };
    const Case cases[] = {
        {{0, 0, 100, 10}, 0, 0, 100, 50, 50},
        {{0, 0, 100, 10}, 0, 0, 100, 100, 100},
        {{0, 0, 100, 10}, 0, 0, 3, 1, 33},     // 33.33 truncated
        {{0, 0, 100, 10}, 0, 0, 3, 2, 66},     // 66.67 truncated, not rounded
        {{10, 5, 110, 15}, 2, 0, 100, 50, 48}, // inner width 96
        {{0, 0, 100, 10}, 2, 0, 100, 50, 49},  // at the window's edge: inner width 98
        {{0, 0, 100, 10}, 0, 10, 20, 15, 50},
        {{0, 0, 100, 10}, 0, 0, 100, 150, 100}, // beyond the maximum: full, never wider
        {{0, 0, 100, 10}, 0, 0, 100, -20, 0},
        {{0, 0, 100, 10}, 0, 50, 50, 50, 0}, // an empty range
    };
    for (const Case& c : cases) {
        ProcessCtrl bar(nullptr, c.rect.left, c.rect.top, c.rect.right, c.rect.bottom);
        bar.SetBorder(c.border, 0);
        bar.SetRange(c.minimum, c.maximum);
        bar.SetPos(c.position); // draws into the owner window; there is none
        EXPECT_EQ(bar.DoneWidth(), c.expected)
            << c.rect.left << " border " << c.border << " pos " << c.position;
    }
}

TEST(ProcessCtrl, FillsBorderDonePartAndRest) {
    ProcessCtrl bar(nullptr, 2, 2, 22, 8);
    bar.SetBorder(1, platform::Rgb(255, 0, 0));
    bar.SetBarColors(platform::Rgb(0, 0, 255), platform::Rgb(0, 255, 0));
    bar.SetRange(0, 100);
    bar.SetPos(50);
    Canvas canvas(30, 10);
    EXPECT_EQ(bar.Draw(&canvas.dc), 1);
    // Inner rectangle (3, 3)-(21, 7): 18 wide, done 9.
    EXPECT_EQ(canvas.At(2, 2), 0xFF0000u);
    EXPECT_EQ(canvas.At(21, 7), 0xFF0000u);
    EXPECT_EQ(canvas.At(3, 3), 0x0000FFu);
    EXPECT_EQ(canvas.At(11, 6), 0x0000FFu);
    EXPECT_EQ(canvas.At(12, 3), 0x00FF00u);
    EXPECT_EQ(canvas.At(20, 6), 0x00FF00u);
    EXPECT_EQ(canvas.At(22, 5), 0xFFFFFFu);

    // With images: the track over the whole inside, the done image over the done part.
    auto track = Solid(40, 40, 0xD7D7D7);
    auto done = Solid(40, 40, 0x4A47B5);
    bar.SetStateBitmaps(track.get(), done.get(), nullptr, nullptr);
    bar.SetDrawBitmap(1);
    canvas.Clear();
    bar.Draw(&canvas.dc);
    EXPECT_EQ(canvas.At(3, 3), 0x4A47B5u);
    EXPECT_EQ(canvas.At(11, 3), 0x4A47B5u);
    EXPECT_EQ(canvas.At(12, 3), 0xD7D7D7u);
    EXPECT_EQ(canvas.At(20, 6), 0xD7D7D7u);
}

TEST(CommonCtrl, HitTestCountsAllFourEdgesAsInside) {
    ButtonCtrlEx button(nullptr, 10, 20, 30, 40);
    EXPECT_TRUE(button.HitTest(10, 20));
    EXPECT_TRUE(button.HitTest(30, 40));
    EXPECT_FALSE(button.HitTest(31, 40));
    EXPECT_FALSE(button.HitTest(30, 41));
    EXPECT_FALSE(button.HitTest(9, 25));
    button.SetRect(0, 0, 5, 5);
    EXPECT_EQ(button.GetRect().width, 5);
    EXPECT_FALSE(button.HitTest(10, 20));
}

// A dialog hosting two buttons and a check box that records the commands it receives.
class TwoButtonHost : public SkinHostDlg {
public:
    int OnInitDialog(WindowHandle window) override {
        SkinHostDlg::OnInitDialog(window);
        a = AddControl<ButtonCtrlEx>(10, 10, 50, 30);
        a->SetId(100);
        b = AddControl<ButtonCtrlEx>(60, 10, 100, 30);
        b->SetId(200);
        check = AddControl<CheckButtonCtrl>(10, 50, 24, 64);
        check->SetId(300);
        FinishControlLists();
        return 1;
    }
    int OnCommand(WParam p1, LParam) override {
        commands.push_back(static_cast<int>(p1));
        if (onCommand) {
            onCommand(static_cast<int>(p1));
        }
        return 1;
    }
    std::function<void(int)> onCommand;
    ButtonCtrlEx* a = nullptr;
    ButtonCtrlEx* b = nullptr;
    CheckButtonCtrl* check = nullptr;
    std::vector<int> commands;
};

class HostTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::Headless));
    }
    static void TearDownTestSuite() { platform::ShutdownWindowSystem(); }
    void SetUp() override {
        platform::DialogTemplate t;
        t.width = 200;
        t.height = 100;
        t.inPixels = true;
        window = platform::CreateDialog(t, nullptr, BindDialogProc(&host));
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { platform::DestroyWindow(window); }
    void Send(uint32_t message, WParam buttons, int x, int y) {
        platform::SendMessage(window, message, buttons, platform::MakeLParam(x, y));
    }
    TwoButtonHost host;
    WindowHandle window = nullptr;
};

TEST_F(HostTest, MouseSequencesDriveTheStateMachine) {
    using platform::kMkLButton;
    using platform::kWmLButtonDown;
    using platform::kWmLButtonUp;
    using platform::kWmMouseMove;
    struct Step {
        uint32_t message;
        WParam buttons;
        int x, y;
    };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        std::vector<int> commands;
        int stateA, stateB;
    };
    const Case cases[] = {
        {"click",
         {{kWmLButtonDown, kMkLButton, 20, 20}, {kWmLButtonUp, 0, 20, 20}},
         {100},
         kStateHover,
         kStateNormal},
        {"press, move off, move back, release",
         {{kWmLButtonDown, kMkLButton, 20, 20},
          {kWmMouseMove, kMkLButton, 150, 80},
          {kWmMouseMove, kMkLButton, 25, 15},
          {kWmLButtonUp, 0, 25, 15}},
         {100},
         kStateHover,
         kStateNormal},
        {"release outside sends nothing and returns to normal",
         {{kWmLButtonDown, kMkLButton, 20, 20},
          {kWmMouseMove, kMkLButton, 150, 80},
          {kWmLButtonUp, 0, 150, 80}},
         {},
         kStateNormal,
         kStateNormal},
        {"slide onto another button and release there",
         {{kWmLButtonDown, kMkLButton, 20, 20},
          {kWmMouseMove, kMkLButton, 55, 20},
          {kWmMouseMove, kMkLButton, 70, 20},
          {kWmLButtonUp, 0, 70, 20}},
         {200},
         kStateNormal,
         kStateHover},
        {"the edge point is a hit",
         {{kWmLButtonDown, kMkLButton, 50, 30}, {kWmLButtonUp, 0, 50, 30}},
         {100},
         kStateHover,
         kStateNormal},
        {"hover without a press", {{kWmMouseMove, 0, 80, 20}}, {}, kStateNormal, kStateHover},
        {"a release without a press sends nothing",
         {{kWmLButtonUp, 0, 20, 20}},
         {},
         kStateNormal,
         kStateNormal},
        {"press on empty area, release on a button",
         {{kWmLButtonDown, kMkLButton, 150, 80}, {kWmLButtonUp, 0, 20, 20}},
         {},
         kStateNormal,
         kStateNormal},
        {"a click on the check box does not toggle it",
         {{kWmLButtonDown, kMkLButton, 12, 52}, {kWmLButtonUp, 0, 12, 52}},
         {300},
         kStateNormal,
         kStateNormal},
    };
    for (const Case& c : cases) {
        // Start from rest: pointer away from every control.
        Send(kWmMouseMove, 0, 190, 90);
        host.commands.clear();
        for (const Step& s : c.steps) {
            Send(s.message, s.buttons, s.x, s.y);
        }
        EXPECT_EQ(host.commands, c.commands) << c.name;
        EXPECT_EQ(host.a->GetState(), c.stateA) << c.name;
        EXPECT_EQ(host.b->GetState(), c.stateB) << c.name;
        EXPECT_FALSE(host.a->IsPressed()) << c.name;
        EXPECT_FALSE(host.IsMouseDown()) << c.name;
    }
    EXPECT_FALSE(host.check->GetCheck());
}

TEST_F(HostTest, PressOnAControlSetsTheMouseDownFlagAndCapturesTheMouse) {
    Send(platform::kWmLButtonDown, platform::kMkLButton, 20, 20);
    EXPECT_TRUE(host.IsMouseDown());
    EXPECT_EQ(platform::GetCapture(), window);
    // Moves keep pressing whatever lies under the pointer, even without the button bit.
    Send(platform::kWmMouseMove, 0, 70, 20);
    EXPECT_EQ(host.b->GetState(), kStatePressed);
    Send(platform::kWmLButtonUp, 0, 70, 20);
    EXPECT_FALSE(host.IsMouseDown());
    EXPECT_EQ(platform::GetCapture(), nullptr);
    EXPECT_EQ(host.commands, std::vector<int>{200});
}

TEST_F(HostTest, ACapturedPointLeftOfTheWindowHitsNothing) {
    // x = -190 packs to 65346 and is read unsigned.
    Send(platform::kWmLButtonDown, platform::kMkLButton, 20, 20);
    Send(platform::kWmLButtonUp, 0, 20 - 210, 20);
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(host.a->GetState(), kStateNormal);
}

TEST_F(HostTest, DisablingAHoveredButtonShowsTheDisabledColourUntilTheNextMove) {
    Canvas canvas(200, 100);
    Send(platform::kWmMouseMove, 0, 20, 20);
    ASSERT_EQ(host.a->GetState(), kStateHover);
    host.a->SetEnabled(false);
    host.a->Draw(&canvas.dc);
    EXPECT_EQ(host.a->GetColor(), 0x999999u);
    host.a->SetEnabled(true);
    host.a->Draw(&canvas.dc);
    EXPECT_EQ(host.a->GetColor(), 0x999999u); // kept until the mouse moves
    Send(platform::kWmMouseMove, 0, 21, 20);
    host.a->Draw(&canvas.dc);
    EXPECT_EQ(host.a->GetState(), kStateHover);
    EXPECT_EQ(host.a->GetColor(), 0x666666u);
    // While disabled the button ignores the mouse altogether.
    host.a->SetEnabled(false);
    Send(platform::kWmLButtonDown, platform::kMkLButton, 20, 20);
    Send(platform::kWmLButtonUp, 0, 20, 20);
    EXPECT_TRUE(host.commands.empty());
    EXPECT_EQ(host.a->GetState(), kStateDisabled);
}

TEST_F(HostTest, ACommandHandlerMayWaitForThePainterAndChangeControls) {
    // The message box's close waits for its repaint thread; the click that asks for it must not
    // hold the window's lock, or the two would wait for each other.
    std::atomic<bool> stop{false};
    std::atomic<bool> painterEnded{false};
    std::atomic<int> rounds{0};
    std::thread painter([&] {
        Canvas canvas(200, 100);
        for (;;) {
            {
                // Each round takes the window's lock before it looks at the stop flag.
                std::lock_guard<std::recursive_mutex> guard(OwnerLock(window));
                if (stop) {
                    break;
                }
                host.DrawControls(&canvas.dc);
            }
            ++rounds;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        painterEnded = true;
    });
    // The click comes while the painter is running: wait for its first rounds (bounded).
    for (int i = 0; i < 2000 && rounds < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_GE(rounds.load(), 3) << "the painter thread did not run within 2 s";
    host.onCommand = [&](int id) {
        if (id == 300) {
            host.check->SetCheck(!host.check->GetCheck());
        }
        stop = true;
        for (int i = 0; i < 2000 && !painterEnded; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    };
    Send(platform::kWmLButtonDown, platform::kMkLButton, 12, 52);
    Send(platform::kWmLButtonUp, 0, 12, 52);
    EXPECT_TRUE(painterEnded.load());
    EXPECT_TRUE(host.check->GetCheck());
    painter.join();
}

TEST_F(HostTest, HiddenButtonsTakeNoClicks) {
    host.a->SetVisible(false);
    Send(platform::kWmLButtonDown, platform::kMkLButton, 20, 20);
    Send(platform::kWmLButtonUp, 0, 20, 20);
    EXPECT_TRUE(host.commands.empty());
    EXPECT_FALSE(host.IsMouseDown());
}

// Text rules, checked by where the ink lies.
struct InkRows {
    int top = -1;
    int bottom = -1;
};

InkRows FindInkRows(const Bitmap& b) {
    InkRows rows;
    for (int y = 0; y < b.Height(); ++y) {
        for (int x = 0; x < b.Width(); ++x) {
            if (b.Pixel(x, y) != 0xFFFFFF) {
                if (rows.top < 0) {
                    rows.top = y;
                }
                rows.bottom = y;
                break;
            }
        }
    }
    return rows;
}

std::unique_ptr<Font> MakeFont(int height) {
    platform::LogFont description;
    description.height = height;
    description.faceName = L"微软雅黑";
    return platform::CreateFont(description);
}

TEST(StaticCtrlText, WrappedBlockWithTheEditFlagIsCentredVertically) {
    auto font = MakeFont(-14);
    Canvas canvas(320, 160);
    StaticCtrl label(nullptr, 10, 10, 310, 150);
    label.SetFont(font.get());
    label.SetText(L"First line\nSecond line\nThird line");
    label.SetFormat(0x2010);
    label.Draw(&canvas.dc);
    InkRows centred = FindInkRows(canvas.bitmap);
    EXPECT_NEAR((centred.top + centred.bottom) / 2, 80, font->LineHeight() / 2 + 2);
    EXPECT_GT(centred.bottom - centred.top, 2 * font->LineHeight());
    EXPECT_EQ(canvas.dc.CurrentFont(), nullptr); // the font was restored

    // Plain word wrap is not measured: the block stays at the top.
    canvas.Clear();
    label.SetFormat(0x0010);
    label.Draw(&canvas.dc);
    InkRows top = FindInkRows(canvas.bitmap);
    EXPECT_LT(top.top, 10 + font->LineHeight());
}

TEST(HyLinkCtrlExText, HoveredWithoutAHoverFontUsesTheContextsFont) {
    auto small = MakeFont(-10);
    auto large = MakeFont(-30);
    Canvas canvas(300, 60);
    HyLinkCtrlEx link(nullptr, 0, 0, 300, 60);
    link.SetFont(small.get());
    link.SetText(L"User License Agreement");
    link.SetFormat(0x24);
    canvas.dc.SelectFont(large.get());
    link.Draw(&canvas.dc);
    InkRows normal = FindInkRows(canvas.bitmap);
    EXPECT_EQ(canvas.dc.CurrentFont(), large.get());
    canvas.Clear();
    link.OnMouseMove(5, 5);
    ASSERT_EQ(link.GetState(), kStateHover);
    link.Draw(&canvas.dc);
    InkRows hovered = FindInkRows(canvas.bitmap);
    EXPECT_GT(hovered.bottom - hovered.top, 2 * (normal.bottom - normal.top));
    // With a hover font the hovered caption uses it.
    link.SetHoverFont(small.get());
    canvas.Clear();
    link.Draw(&canvas.dc);
    InkRows withHoverFont = FindInkRows(canvas.bitmap);
    EXPECT_EQ(withHoverFont.bottom - withHoverFont.top, normal.bottom - normal.top);
}

TEST(ButtonCtrlExText, CaptionUsesTheStateColour) {
    auto font = MakeFont(-20);
    Canvas canvas(200, 40);
    ButtonCtrlEx install(nullptr, 0, 0, 200, 40);
    install.SetFont(font.get());
    install.SetText(L"Click to Install");
    install.SetStateColors(0xBF5300, 0x9300DF, 0xBF5300, 0xD7D7D7);
    install.Draw(&canvas.dc);
    bool found = false;
    for (int i = 0; i < 200 * 40; ++i) {
        found = found || canvas.bitmap.Pixels()[i] == platform::PixelFromColorRef(0xBF5300);
    }
    EXPECT_TRUE(found); // the glyphs' solid cores carry exactly the state colour
}

} // namespace
} // namespace skin
