// The skin message box on a real window: its colours as pixels of the presented frame, and 1628
// however it closes (its button, its close button, the platform's close request), with its own
// repaint thread ended before it goes.
#include "SetupFixture.h"

#include "skin/SkinMessageBox.h"

namespace setup_testing {
namespace {

using platform::PixelFromColorRef;

class MessageBoxTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::Headless));
    }
    static void TearDownTestSuite() { platform::ShutdownWindowSystem(); }
};

// Closes the next box with one action once it has been presented, from a thread of its own.
class BoxCloser {
public:
    enum class How { Button, CloseButton, CloseRequest, ReleaseOutside };
    explicit BoxCloser(How how) : m_thread([this, how] { Run(how); }) {}
    ~BoxCloser() { m_thread.join(); }
    std::unique_ptr<platform::Bitmap> frame;

private:
    void Run(How how) {
        platform::WindowHandle window = nullptr;
        for (int i = 0; i < 1000 && frame == nullptr; ++i) {
            skin::SkinMessageBox* box = skin::CurrentSkinMessageBoxForTesting();
            window = box ? box->ShownWindow() : nullptr;
            std::unique_ptr<platform::Bitmap> presented =
                window ? platform::LastPresentedFrame(window) : nullptr;
            if (presented &&
                presented->Pixel(395, 30) == PixelFromColorRef(skin::kMessageTitleColor)) {
                frame = std::move(presented);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (frame == nullptr) {
            return;
        }
        using platform::MouseAction;
        switch (how) {
        case How::Button:
            Click(window, 210, 183, 210, 183);
            break;
        case How::CloseButton:
            Click(window, 410, 10, 410, 10);
            break;
        case How::CloseRequest:
            platform::PushCloseRequestForTesting(window);
            break;
        case How::ReleaseOutside:
            // Pressed on the button, released beside it: the box stays; then a close request.
            Click(window, 210, 183, 300, 100);
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            stillOpenAfterRelease = skin::CurrentSkinMessageBoxForTesting() != nullptr;
            platform::PushCloseRequestForTesting(window);
            break;
        }
    }
    static void Click(platform::WindowHandle window, int x, int y, int releaseX, int releaseY) {
        using platform::MouseAction;
        platform::PushMouseEventForTesting(window, MouseAction::Move, x, y);
        platform::PushMouseEventForTesting(window, MouseAction::LeftDown, x, y);
        platform::PushMouseEventForTesting(window, MouseAction::Move, releaseX, releaseY);
        platform::PushMouseEventForTesting(window, MouseAction::LeftUp, releaseX, releaseY);
    }

public:
    std::atomic<bool> stillOpenAfterRelease{false};

private:
    std::thread m_thread;
};

TEST_F(MessageBoxTest, ReturnsTheSameHoweverItCloses) {
    for (BoxCloser::How how : {BoxCloser::How::Button, BoxCloser::How::CloseButton,
                               BoxCloser::How::CloseRequest, BoxCloser::How::ReleaseOutside}) {
        const auto start = std::chrono::steady_clock::now();
        int result = 0;
        bool stillOpen = false;
        {
            BoxCloser closer(how);
            result = skin::ShowSkinMessageBox(nullptr, L"Plenix", L"Message", L"OK");
            stillOpen = closer.stillOpenAfterRelease;
        }
        EXPECT_EQ(result, 1628) << static_cast<int>(how);
        EXPECT_EQ(skin::CurrentSkinMessageBoxForTesting(), nullptr);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        if (how == BoxCloser::How::ReleaseOutside) {
            EXPECT_TRUE(stillOpen);
        }
    }
}

TEST_F(MessageBoxTest, PaintsTheTitleBandTheBottomBandAndWhiteBetween) {
    BoxCloser closer(BoxCloser::How::Button);
    skin::ShowSkinMessageBox(nullptr, L"", L"", L"");
    ASSERT_NE(closer.frame, nullptr);
    const platform::Bitmap& frame = *closer.frame;
    EXPECT_EQ(frame.Width(), 420);
    EXPECT_EQ(frame.Height(), 210);
    const uint32_t title = PixelFromColorRef(skin::kMessageTitleColor);
    const uint32_t band = PixelFromColorRef(skin::kMessageBandColor);
    for (const auto& [x, y, pixel] : {std::tuple<int, int, uint32_t>{0, 0, title},
                                      {395, 35, title},
                                      {5, 36, 0xFFFFFFu},
                                      {20, 60, 0xFFFFFFu},
                                      {20, 155, 0xFFFFFFu},
                                      {5, 156, band},
                                      {419, 209, band},
                                      {100, 180, band}}) {
        EXPECT_EQ(frame.Pixel(x, y), pixel) << x << "," << y;
    }
    // The warning symbol and the purple button are pictures over the white and the band.
    EXPECT_NE(frame.Pixel(47, 105), 0xFFFFFFu);
    EXPECT_NE(frame.Pixel(210, 183), band);
}

} // namespace
} // namespace setup_testing
