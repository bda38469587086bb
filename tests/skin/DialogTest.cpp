// The skinned dialog base on real windows (the headless backend): design size and centring,
// the end flags, dragging by free client area, and a demo window with one control of each kind
// whose picture is left in the build folder (artifacts/skin-demo.png).
#include "skin/CommonDlg.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "platform/Font.h"
#include "skin/DialogTemplates.h"
#include "tests/common/PumpUntil.h"

namespace skin {
namespace {

using platform::Rect;

class DialogTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::Headless));
    }
    static void TearDownTestSuite() { platform::ShutdownWindowSystem(); }
    void TearDown() override { platform::SetDisplayDpiForTesting(0); }
};

class SizedDlg : public CommonDlg {
public:
    SizedDlg(int useDesignSize, int width, int height) {
        m_useDesignSize = useDesignSize;
        m_designWidth = width;
        m_designHeight = height;
    }
};

platform::DialogTemplate PixelTemplate(int width, int height) {
    platform::DialogTemplate t;
    t.width = width;
    t.height = height;
    t.inPixels = true;
    return t;
}

TEST_F(DialogTest, DesignSizeIsScaledByTheDisplayResolutionAndCentred) {
    platform::SetDisplayDpiForTesting(120);
    SizedDlg dialog(1, 622, 405);
    EXPECT_EQ(dialog.Scale(622), 777);
    EXPECT_EQ(dialog.Scale(405), 506);
    EXPECT_EQ(dialog.Scale(1), 1); // truncated
    WindowHandle w = platform::CreateDialog(*FindDialogTemplate(kSetupDialogId), nullptr,
                                            BindDialogProc(&dialog));
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(dialog.GetWindow(), w);
    EXPECT_TRUE(SetSkinWindowIcon(w, 107));
    EXPECT_FALSE(SetSkinWindowIcon(w, 108));
    Rect r;
    platform::GetWindowRect(w, &r);
    EXPECT_EQ(r.Width(), 777);
    EXPECT_EQ(r.Height(), 506);
    int screenWidth = platform::GetSystemMetrics(platform::kSmCxScreen);
    int screenHeight = platform::GetSystemMetrics(platform::kSmCyScreen);
    EXPECT_EQ(r.left, (screenWidth - 777) / 2);
    EXPECT_EQ(r.top, (screenHeight - 506) / 2);
    platform::DestroyWindow(w);
}

TEST_F(DialogTest, WithoutDesignSizeTheWindowKeepsItsSizeAndIsCentred) {
    platform::SetDisplayDpiForTesting(120);
    SizedDlg dialog(0, 622, 405);
    WindowHandle w =
        platform::CreateDialog(PixelTemplate(300, 200), nullptr, BindDialogProc(&dialog));
    Rect r;
    platform::GetWindowRect(w, &r);
    EXPECT_EQ(r.Width(), 300);
    EXPECT_EQ(r.Height(), 200);
    EXPECT_EQ(r.left, (platform::GetSystemMetrics(platform::kSmCxScreen) - 300) / 2);
    EXPECT_EQ(r.top, (platform::GetSystemMetrics(platform::kSmCyScreen) - 200) / 2);
    platform::DestroyWindow(w);
}

// Posts one command once the modal loop runs and ends itself with 99 if the command did not.
class EndFlagsDlg : public CommonDlg {
public:
    EndFlagsDlg(uint32_t flags, int command) : m_command(command) { m_endFlags = flags; }
    int OnInitDialog(WindowHandle window) override {
        CommonDlg::OnInitDialog(window);
        platform::PostMessage(window, platform::kWmCommand, static_cast<WParam>(m_command), 0);
        platform::PostMessage(window, platform::kWmUser, 0, 0);
        return 1;
    }
    int OnMessage(uint32_t message, WParam, LParam) override {
        if (message == platform::kWmUser) {
            platform::EndDialog(m_window, 99);
            return 1;
        }
        return 0;
    }
    int OnCommand(WParam p1, LParam) override {
        commands.push_back(static_cast<int>(p1));
        return 1;
    }
    std::vector<int> commands;

private:
    int m_command;
};

TEST_F(DialogTest, EndFlagsDecideWhichCommandsEndTheDialog) {
    struct Case {
        uint32_t flags;
        int command;
        bool ends;
    };
    const Case cases[] = {
        {3, platform::kIdOk, true},
        {3, platform::kIdCancel, true},
        {0, platform::kIdOk, false},
        {0, platform::kIdCancel, false},
        {kEndOnOk, platform::kIdOk, true},
        {kEndOnOk, platform::kIdCancel, false},
        {kEndOnCancel, platform::kIdCancel, true},
        {3, 1614, false},
    };
    for (const Case& c : cases) {
        EndFlagsDlg dialog(c.flags, c.command);
        LResult result =
            platform::DialogBox(PixelTemplate(100, 60), nullptr, BindDialogProc(&dialog));
        EXPECT_EQ(result, c.ends ? 0 : 99) << c.flags << " " << c.command;
        EXPECT_EQ(dialog.commands.empty(), c.ends) << c.flags << " " << c.command;
    }
}

// A host whose close request ends it, the way the setup window and the message box do.
class ClosingHost : public SkinHostDlg {
public:
    int OnInitDialog(WindowHandle window) override {
        SkinHostDlg::OnInitDialog(window);
        button = AddControl<ButtonCtrlEx>(20, 20, 80, 50);
        button->SetId(1629);
        FinishControlLists();
        return 1;
    }
    int OnClose() override {
        ++closes;
        return 0; // the platform turns the request into Cancel, which the end flags take
    }
    ButtonCtrlEx* button = nullptr;
    int closes = 0;
};

TEST_F(DialogTest, ACloseRequestReachesOnCloseAndEndsTheDialogThroughCancel) {
    ClosingHost host;
    std::thread closer;
    platform::DialogProc proc = [&](WindowHandle w, uint32_t m, WParam p1, LParam p2) -> LResult {
        if (m == platform::kWmInitDialog) {
            closer = std::thread([w] { platform::PushCloseRequestForTesting(w); });
        }
        return host.DialogProc(w, m, p1, p2);
    };
    EXPECT_EQ(platform::DialogBox(PixelTemplate(200, 100), nullptr, proc), 0);
    closer.join();
    EXPECT_EQ(host.closes, 1);
}

TEST_F(DialogTest, APressOnFreeClientAreaDragsTheWindowAndOnAControlNever) {
    ClosingHost host;
    // A message posted after the input is handled after it: its arrival says all input was.
    constexpr uint32_t kInputHandled = platform::kWmUser + 99;
    int handledMarkers = 0;
    platform::DialogProc hostProc = BindDialogProc(&host);
    WindowHandle w = platform::CreateDialog(
        PixelTemplate(200, 100), nullptr,
        [&](WindowHandle window, uint32_t m, WParam p1, LParam p2) -> LResult {
            handledMarkers += m == kInputHandled ? 1 : 0;
            return hostProc(window, m, p1, p2);
        });
    platform::MoveWindow(w, 100, 100, 200, 100, false);
    platform::ShowWindow(w, platform::kSwShow);
    auto pumpUntil = [](auto done) {
        return testing_support::PumpUntil(done, std::chrono::seconds(1));
    };
    auto allInputHandled = [&] {
        const int before = handledMarkers;
        platform::PostMessage(w, kInputHandled, 0, 0);
        return pumpUntil([&] { return handledMarkers > before; });
    };
    auto position = [&] {
        Rect r;
        platform::GetWindowRect(w, &r);
        return std::make_pair(r.left, r.top);
    };
    using platform::MouseAction;
    // On the button: the button is pressed, the window stays.
    platform::PushMouseEventForTesting(w, MouseAction::LeftDown, 30, 30);
    platform::PushMouseEventForTesting(w, MouseAction::Move, 60, 60);
    platform::PushMouseEventForTesting(w, MouseAction::LeftUp, 60, 60);
    platform::PushMouseEventForTesting(w, MouseAction::Move, 150, 90);
    ASSERT_TRUE(pumpUntil([&] { return host.button->GetState() == kStateNormal; }));
    ASSERT_TRUE(allInputHandled());
    EXPECT_EQ(position(), std::make_pair(100, 100));
    EXPECT_FALSE(host.IsMouseDown());

    // On free area: the window follows the pointer until the release.
    platform::PushMouseEventForTesting(w, MouseAction::LeftDown, 150, 80);
    platform::PushMouseEventForTesting(w, MouseAction::Move, 170, 90);
    ASSERT_TRUE(pumpUntil([&] { return position() == std::make_pair(120, 110); }));
    platform::PushMouseEventForTesting(w, MouseAction::LeftUp, 150, 80);
    platform::PushMouseEventForTesting(w, MouseAction::Move, 30, 30); // over the button again
    ASSERT_TRUE(pumpUntil([&] { return host.button->GetState() == kStateHover; }));
    EXPECT_EQ(position(), std::make_pair(120, 110));
    platform::DestroyWindow(w);
}

// One skinned control of each kind, plus the native edit box, painted the way the setup window
// paints: everything into an off-screen bitmap, then one copy to the window.
class DemoDlg : public SkinHostDlg {
public:
    DemoDlg() {
        m_useDesignSize = 1;
        m_designWidth = 622;
        m_designHeight = 405;
    }
    int OnInitDialog(WindowHandle window) override {
        SkinHostDlg::OnInitDialog(window);
        platform::LogFont description;
        description.faceName = L"微软雅黑";
        description.height = -platform::MulDiv(14, 96, 96);
        m_normal = platform::CreateFont(description);
        description.underline = true;
        m_underlined = platform::CreateFont(description);
        description.underline = false;
        description.height = -platform::MulDiv(20, 96, 72);
        m_large = platform::CreateFont(description);

        auto* title = AddControl<StaticCtrl>(0, 0, 224, 38);
        title->SetStateBitmaps(LoadSkinBitmap(138), nullptr, nullptr, nullptr);
        title->SetDrawBitmap(1);
        auto* logo = AddControl<StaticCtrl>(20, 24, 20 + 311, 24 + 311);
        logo->SetStateBitmaps(LoadSkinBitmap(190), nullptr, nullptr, nullptr);
        logo->SetDrawBitmap(1);
        auto* message = AddControl<StaticCtrl>(350, 60, 600, 160);
        message->SetFont(m_normal.get());
        message->SetColor(0x373737);
        message->SetFormat(0x2010);
        message->SetText(L"Статический текст переносится по словам и стоит по центру. "
                         L"安装程序 インストール");
        auto* bar = AddControl<ProcessCtrl>(350, 175, 600, 187);
        bar->SetBorder(1, 0xD7D7D7);
        bar->SetBarColors(0xC83DFA, 0xF0F0F0);
        bar->SetPos(62);

        auto* close = AddControl<ButtonCtrlEx>(600, 0, 617, 21);
        close->SetStateBitmaps(LoadSkinBitmap(140), LoadSkinBitmap(143), LoadSkinBitmap(142),
                               nullptr);
        close->SetDrawBitmap(1);
        close->SetId(1612);
        auto* ok = AddControl<ButtonCtrlEx>(350, 200, 450, 232);
        ok->SetStateBitmaps(LoadSkinBitmap(176), LoadSkinBitmap(174), LoadSkinBitmap(177), nullptr);
        ok->SetStateColors(0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF);
        ok->SetDrawBitmap(1);
        ok->SetFont(m_normal.get());
        ok->SetText(L"OK");
        ok->SetId(1629);
        m_hovered = ok;
        auto* check = AddControl<CheckButtonCtrl>(350, 250, 364, 264);
        check->SetStateBitmaps(LoadSkinBitmap(157), LoadSkinBitmap(158), LoadSkinBitmap(159),
                               nullptr);
        check->SetCheckedBitmaps(LoadSkinBitmap(159), LoadSkinBitmap(160), LoadSkinBitmap(157),
                                 nullptr);
        check->SetDrawBitmap(1);
        check->SetCheck(true);
        auto* custom = AddControl<CheckButtonCtrlEx>(474, 359, 609, 385);
        custom->SetStateBitmaps(LoadSkinBitmap(165), LoadSkinBitmap(166), LoadSkinBitmap(166),
                                nullptr);
        custom->SetCheckedBitmaps(LoadSkinBitmap(167), LoadSkinBitmap(168), LoadSkinBitmap(168),
                                  nullptr);
        custom->SetStateColors(0xCEC0A3, 0xE3A378, 0xE3A378, 0xCCCBC2);
        custom->SetBoxRect(121, 9, 14, 8);
        custom->SetTextRect(0, 0, 119, 26);
        custom->SetFormat(0x26);
        custom->SetFont(m_normal.get());
        custom->SetText(L"Custom");
        custom->SetDrawBitmap(1);
        auto* accept = AddControl<CheckButtonCtrlEx>(370, 250, 600, 270);
        accept->SetStateBitmaps(LoadSkinBitmap(157), LoadSkinBitmap(158), LoadSkinBitmap(159),
                                nullptr);
        accept->SetCheckedBitmaps(LoadSkinBitmap(159), LoadSkinBitmap(160), LoadSkinBitmap(157),
                                  nullptr);
        accept->SetStateColors(0x777777, 0x777777, 0x777777, 0x777777);
        accept->SetBoxRect(0, 3, 14, 14);
        accept->SetTextRect(20, 0, 200, 20);
        accept->SetFormat(0x24);
        accept->SetFont(m_normal.get());
        accept->SetText(L"Accept");
        accept->SetDrawBitmap(1);
        auto* link = AddControl<HyLinkCtrlEx>(350, 280, 600, 300);
        link->SetStateColors(0xE58C19, 0xE58C19, 0xE58C19, 0xE58C19);
        link->SetFont(m_normal.get());
        link->SetHoverFont(m_underlined.get());
        link->SetFormat(0x24);
        link->SetText(L"User License Agreement");
        m_link = link;
        auto* install = AddControl<ButtonCtrlEx>(161, 354, 461, 389);
        install->SetStateColors(0xBF5300, 0x9300DF, 0xBF5300, 0xD7D7D7);
        install->SetFont(m_large.get());
        install->SetText(L"Click to Install");
        FinishControlLists();

        m_edit = platform::CreateControl(window, platform::ControlKind::Edit, 1618,
                                         Rect{350, 310, 600, 336}, L"C:\\Program Files\\Kelto",
                                         platform::kControlVisible | platform::kControlBorder);
        platform::SetWindowFont(m_edit, m_normal.get());
        platform::EditSetFormattingRect(m_edit, Rect{4, 1, 250, 26});
        return 1;
    }
    void OnPaint() override {
        std::unique_ptr<DeviceContext> windowDc = platform::GetDC(m_window);
        if (windowDc == nullptr) {
            return;
        }
        std::lock_guard<std::recursive_mutex> guard(OwnerLock(m_window));
        platform::Bitmap frame(622, 405);
        DeviceContext dc(&frame);
        dc.FillSolidRect(Rect{0, 0, 622, 405}, 0xFFFFFF);
        dc.FillSolidRect(Rect{0, 338, 622, 405}, 0xFDFBF7);
        DrawControls(&dc);
        windowDc->BitBlt(0, 0, 622, 405, dc, 0, 0);
    }
    ButtonCtrlEx* m_hovered = nullptr;
    HyLinkCtrlEx* m_link = nullptr;
    WindowHandle m_edit = nullptr;

private:
    std::unique_ptr<Font> m_normal;
    std::unique_ptr<Font> m_underlined;
    std::unique_ptr<Font> m_large;
};

TEST_F(DialogTest, DemoWindowShowsOneControlOfEachKind) {
    DemoDlg demo;
    WindowHandle w =
        platform::CreateDialog(*FindDialogTemplate(kSetupDialogId), nullptr, BindDialogProc(&demo));
    ASSERT_NE(w, nullptr);
    platform::ShowWindow(w, platform::kSwShow);
    // Hover the purple button the way a user would.
    platform::PushMouseEventForTesting(w, platform::MouseAction::Move, 400, 215);
    testing_support::PumpUntil([&] { return demo.m_hovered->GetState() == kStateHover; },
                               std::chrono::milliseconds(500));
    ASSERT_EQ(demo.m_hovered->GetState(), kStateHover);
    // A repaint thread draws the frame; the window thread presents it.
    std::thread painter([&] { demo.OnPaint(); });
    painter.join();
    const uint32_t hoverImage = LoadSkinBitmap(174)->Pixel(2, 16);
    testing_support::PumpUntil([&] {
        auto shown = platform::LastPresentedFrame(w);
        return shown != nullptr && shown->Width() == 622 && shown->Pixel(352, 216) == hoverImage;
    });
    auto frame = platform::LastPresentedFrame(w);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->Width(), 622);
    // The hovered button shows its hover image, the logo its picture, the edit box its frame.
    EXPECT_EQ(frame->Pixel(352, 216), hoverImage);
    EXPECT_EQ(frame->Pixel(20 + 155, 24 + 155), LoadSkinBitmap(190)->Pixel(155, 155));
    EXPECT_NE(frame->Pixel(350, 320), 0xFFFFFFu);

    const char* binary = std::getenv("KELTO_BINARY_DIR");
    std::filesystem::path folder = std::filesystem::path(binary ? binary : ".") / "artifacts";
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(platform::SaveWindowFrameAsPng(w, (folder / "skin-demo.png").c_str()));
    platform::DestroyWindow(w);
}

TEST_F(DialogTest, InformationWindowTemplateShowsItsListsAndButtons) {
    CommonDlg dialog;
    WindowHandle w = platform::CreateDialog(*FindDialogTemplate(kInfoViewDialogId), nullptr,
                                            BindDialogProc(&dialog));
    ASSERT_NE(w, nullptr);
    WindowHandle list = platform::GetDlgItem(w, 1001);
    WindowHandle log = platform::GetDlgItem(w, 1005);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(log, nullptr);
    ASSERT_NE(platform::GetDlgItem(w, 1006), nullptr);
    ASSERT_NE(platform::GetDlgItem(w, 1007), nullptr);
    const wchar_t* headers[] = {L"Num",  L"Start", L"End",    L"Current",
                                L"Rate", L"Speed", L"Status", L"Url"};
    const int widths[] = {100, 100, 100, 100, 50, 100, 150, 450};
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(platform::ListViewInsertColumn(list, i, headers[i], widths[i]));
    }
    for (int row = 0; row < 3; ++row) {
        platform::ListViewInsertItem(list, row, std::to_wstring(row));
        platform::ListViewSetItemText(list, row, 1, L"1.00MB");
        platform::ListViewSetItemText(list, row, 6, L"E_Status_Runing");
        platform::ListViewSetItemText(list, row, 7, L"http://127.0.0.2/package.bin");
    }
    platform::ListViewInsertItem(list, 3, L"Total Speed:");
    platform::ListViewSetItemText(list, 3, 1, L"0Byte");
    platform::ShowWindow(log, platform::kSwHide);
    platform::ShowWindow(w, platform::kSwShow);
    testing_support::PumpUntil([&] { return platform::LastPresentedFrame(w) != nullptr; });
    auto frame = platform::LastPresentedFrame(w);
    ASSERT_NE(frame, nullptr);
    const char* binary = std::getenv("KELTO_BINARY_DIR");
    std::filesystem::path folder = std::filesystem::path(binary ? binary : ".") / "artifacts";
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(platform::SaveWindowFrameAsPng(w, (folder / "info-view-demo.png").c_str()));
    platform::DestroyWindow(w);
}

} // namespace
} // namespace skin
