// The Installing and Failed pages of the real setup window: the painter selection hands the
// download screen, the retry screen and the frame thread's reveal to the window, driven only
// through the controller's own phase and progress fields. The screens are saved under
// <build>/artifacts/.
#include "SetupFixture.h"

#include <mutex>

#include "download/IDownloader.h"
#include "skin/SkinBitmap.h"

namespace setup_testing {
namespace {

using platform::PixelFromColorRef;

constexpr uint32_t kWhitePixel = 0xFFFFFF;
constexpr int kEmblemX = 156;
constexpr int kEmblemY = 22;
constexpr int kCentreX = 311;
constexpr int kCentreY = 355;

// Named fake: a real engine's byte counts cannot be held at a chosen value. It only answers the
// snapshot the download screen reads.
class SnapshotOnlyDownloaderFake : public IDownloader {
public:
    SnapshotOnlyDownloaderFake(uint32_t size, uint32_t downloaded) {
        m_info.size = size;
        m_info.downloaded = downloaded;
    }
    long DownloadCfg(const char*, const char*) override { return 0; }
    long ParseCfg(const std::wstring&, const char*) override { return 0; }
    long BeginDownload(const DownloadItem&) override { return 0; }
    long Stop() override { return 0; }
    bool IsDownloading() override { return true; }
    long SetCallback(const ProgressNotify&) override { return 0; }
    long GetDownloadInfo(DownloadInfo* out) override {
        *out = m_info;
        return 0;
    }
    int GetStatus() override { return 0; }
    void SetProxy(const char*) override {}

private:
    DownloadInfo m_info;
};

class AnimationWiringTest : public SetupWindowTest {
protected:
    // A pixel of the window's canvas, read under the window's lock (the repaint thread paints).
    uint32_t CanvasPixel(int x, int y) {
        std::lock_guard<std::recursive_mutex> guard(skin::OwnerLock(m_window));
        return platform::GetDC(m_window)->GetPixel(x, y);
    }
    // Text pixels (neither white nor the band) inside a rectangle of the canvas.
    int InkIn(int left, int top, int right, int bottom) {
        std::lock_guard<std::recursive_mutex> guard(skin::OwnerLock(m_window));
        std::unique_ptr<platform::DeviceContext> dc = platform::GetDC(m_window);
        int ink = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                const uint32_t p = dc->GetPixel(x, y);
                ink += p != kWhitePixel && p != PixelFromColorRef(kBandColor) ? 1 : 0;
            }
        }
        return ink;
    }
    void SaveScreen(const std::string& name) {
        platform::PumpMessages(60);
        EXPECT_TRUE(platform::SaveWindowFrameAsPng(m_window, ArtifactPath(name).c_str())) << name;
    }
    // A point of the emblem's lower half where the ringed logo has its ring (not white) and the
    // plain logo differs.
    static platform::Point RingPoint(bool leftHalf) {
        skin::BitmapHandle plain = skin::LoadSkinBitmap(190);
        skin::BitmapHandle ringed = skin::LoadSkinBitmap(183);
        const int half = ringed->Width() / 2;
        const int from = leftHalf ? 2 : half + 4;
        const int to = leftHalf ? half - 4 : ringed->Width() - 2;
        for (int y = ringed->Height() - 2; y > half; --y) {
            for (int x = from; x < to; ++x) {
                if (plain->Pixel(x, y) != ringed->Pixel(x, y) &&
                    (ringed->Pixel(x, y) & 0xFFFFFF) != kWhitePixel) {
                    return {x, y};
                }
            }
        }
        return {-1, -1};
    }
};

TEST_F(AnimationWiringTest, DownloadRetryAndRevealScreens) {
    Open();
    SetupState& state = m_dialog->State();
    state.SetInstallState(E_Install_Installing);
    m_dialog->UpdateCtrlStatus(E_Install_Installing);
    SnapshotOnlyDownloaderFake engine(1000000, 420000);
    m_dialog->SetDownloadEngine(&engine);
    state.downloadPercent = 42;
    m_dialog->StartFrameThreadForTesting();
    ASSERT_TRUE(PumpUntil([&] { return state.anim.WorkFrameExists(); }, 3000));

    // Download screen at 42 %: the lower-left quarter of the emblem ringed, the right half plain;
    // speed, "Downloading..." and "42%" in the text row.
    const platform::Point ringedAt = RingPoint(true);
    const platform::Point plainAt = RingPoint(false);
    ASSERT_GE(ringedAt.x, 0);
    ASSERT_GE(plainAt.x, 0);
    skin::BitmapHandle ringed = skin::LoadSkinBitmap(183);
    skin::BitmapHandle plain = skin::LoadSkinBitmap(190);
    ASSERT_TRUE(PumpUntil(
        [&] {
            return CanvasPixel(kEmblemX + ringedAt.x, kEmblemY + ringedAt.y) ==
                   ringed->Pixel(ringedAt.x, ringedAt.y);
        },
        3000));
    const uint32_t plainPixel = plain->Pixel(plainAt.x, plainAt.y);
    EXPECT_EQ(CanvasPixel(kEmblemX + plainAt.x, kEmblemY + plainAt.y),
              (plainPixel & 0xFFFFFF) == kWhitePixel ? kWhitePixel : plainPixel);
    EXPECT_GT(InkIn(20, 358, 120, 378), 20);
    EXPECT_GT(InkIn(261, 358, 361, 378), 20);
    EXPECT_GT(InkIn(502, 358, 602, 378), 20);
    SaveScreen("setup-installing-download-42.png");

    // The download failed: the retry screen with the grey logo, the band and "Try Again".
    m_dialog->SetDownloadEngine(nullptr);
    state.SetInstallState(E_Install_Failed);
    m_dialog->UpdateCtrlStatus(E_Install_Failed);
    skin::BitmapHandle grey = skin::LoadSkinBitmap(182);
    ASSERT_TRUE(PumpUntil(
        [&] { return CanvasPixel(kEmblemX + 150, kEmblemY + 150) == grey->Pixel(150, 150); },
        3000));
    EXPECT_EQ(CanvasPixel(5, 390), PixelFromColorRef(kBandColor));
    EXPECT_GT(InkIn(50, 102, 572, 182), 100);
    SaveScreen("setup-failed-retry.png");

    // Downloaded, unpacking at 50 %: the frame thread's reveal disc (radius 243 once grown by a
    // pixel per frame) shows the background picture under the emblem; outside it the ripples.
    state.SetInstallState(E_Install_Installing);
    m_dialog->UpdateCtrlStatus(E_Install_Installing);
    state.downloadFinished = true;
    state.SetPhase(E_Phase_Unpacking);
    skin::BitmapHandle background = skin::LoadSkinBitmap(185);
    // Both beside the emblem, whose picture the background repeats.
    const platform::Point inside{kCentreX - 200, kCentreY - 100};  // 224 from the centre
    const platform::Point outside{kCentreX - 250, kCentreY - 150}; // 292 from the centre
    ASSERT_TRUE(PumpUntil(
        [&] {
            // The install thread reports the position again and again; the logo frame in flight
            // when the phase changed may have reset it once.
            state.unpackProgress = 500;
            return CanvasPixel(inside.x, inside.y) == background->Pixel(inside.x, inside.y);
        },
        10000));
    EXPECT_NE(CanvasPixel(outside.x, outside.y), background->Pixel(outside.x, outside.y));
    // "50%" in white over the picture.
    int whiteText = 0;
    for (int y = 325; y < 385; ++y) {
        for (int x = 261; x < 361; ++x) {
            whiteText += CanvasPixel(x, y) == kWhitePixel && background->Pixel(x, y) != kWhitePixel;
        }
    }
    EXPECT_GT(whiteText, 20);
    SaveScreen("setup-installing-reveal-50.png");
}

} // namespace
} // namespace setup_testing
