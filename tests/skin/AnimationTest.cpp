// The setup window's animations as pixels: the size texts and the blend, the logo sweep against
// the quarter table, the reveal frame's disc, rim and radial table, the download and retry
// screens' texts compared with a reference drawing, and the frame painter. Pictures of every
// screen are left in the build folder (artifacts/anim-*.png).
#include "skin/AnimationPainters.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "i18n/Language.h"
#include "platform/Font.h"
#include "platform/SystemInfo.h"
#include "skin/SpeedMeter.h"

namespace skin {
namespace {

using platform::Bitmap;
using platform::Rect;

std::string ArtifactPath(const std::string& name) {
    const char* binary = std::getenv("KELTO_BINARY_DIR");
    std::filesystem::path folder = std::filesystem::path(binary ? binary : ".") / "artifacts";
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

void SaveFrame(const uint32_t* frame, const std::string& name) {
    Bitmap bitmap(kFrameWidth, kFrameHeight);
    for (size_t i = 0; i < kFramePixels; ++i) {
        bitmap.Pixels()[i] = frame[i] & 0x00FFFFFF;
    }
    EXPECT_TRUE(platform::SaveBitmapAsPng(bitmap, ArtifactPath(name).c_str()));
}

// The real skin images, loaded once.
struct Images {
    BMData logo, bareLogo, ringedLogo, greyLogo, background;
    Images() {
        EXPECT_TRUE(logo.Load(190));
        EXPECT_TRUE(bareLogo.Load(132));
        EXPECT_TRUE(ringedLogo.Load(183));
        EXPECT_TRUE(greyLogo.Load(182));
        EXPECT_TRUE(background.Load(185));
    }
    AnimationImages View() const {
        return AnimationImages{&logo, &bareLogo, &ringedLogo, &greyLogo, &background};
    }
};
const Images& SkinImages() {
    static const Images* images = new Images;
    return *images;
}

uint32_t ImagePixel(const BMData& image, int x, int y) {
    return image.Pixels()[x + y * image.Width()];
}

TEST(FormatSize, SwitchesUnitsAboveEachBoundary) {
    struct Case {
        uint32_t n;
        const char* text;
    } cases[] = {
        {0, "0Byte"},        {1024, "1024Byte"},  {1025, "1.00KB"},          {1048576, "1024.00KB"},
        {1048577, "1.00MB"}, {3145728, "3.00MB"}, {4294967295u, "4096.00MB"}};
    for (const Case& c : cases) {
        EXPECT_EQ(FormatSize(c.n), c.text) << c.n;
        EXPECT_EQ(FormatSizeWide(c.n), std::wstring(c.text, c.text + strlen(c.text))) << c.n;
    }
}

TEST(Blend, WeighsEachChannelAndClearsTheFourthByte) {
    struct Case {
        uint32_t a, b;
        float t;
        uint32_t expected;
    } cases[] = {
        {0xFF123456, 0x00ABCDEF, 1.0f, 0x00123456},  // t = 1 gives a, fourth byte cleared
        {0x00123456, 0xFFABCDEF, 0.0f, 0x00ABCDEF},  // t = 0 gives b
        {0x00FF0000, 0x000000FF, 0.5f, 0x007F007F},  // 127.5 truncates to 127 in red and blue
        {0x00010203, 0x00000000, 0.5f, 0x00000101},  // 0.5, 1.0, 1.5 per channel
        {0x00FFFFFF, 0x00999999, 0.95f, 0x00F9F9F9}, // the first ripple shade, 249
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Blend(c.a, c.b, c.t), c.expected) << std::hex << c.a << " " << c.b << " " << c.t;
    }
}

// The quarter table, pixel by pixel: which image (190 or 183) the sweep shows at emblem pixel
// (x, y) for percent p, and whether that pixel came through the white key.
struct SweepSource {
    const BMData* image;
    bool keyed;
};

SweepSource ExpectedSweepSource(int p, int x, int y) {
    const Images& im = SkinImages();
    const BMData* P = &im.logo;
    const BMData* Q = &im.ringedLogo;
    const int R = 156;
    const int q = p / 25;
    double turned = q == 0 ? p : q == 1 ? p - 25 : q == 2 ? 75 - p : 100 - p;
    float theta = static_cast<float>(turned * 2 * 3.14159265 / 100);
    int A = static_cast<int>(std::cos(theta) * 156.0f);
    int S = static_cast<int>(std::sin(theta) * 156.0f);
    int N = R - A;
    struct Copy {
        const BMData* image;
        int c0, c1, r0, r1;
    };
    std::vector<Copy> copies;
    if (q == 0) {
        copies = {{Q, R - S, R, 2 * R - N - 1, 2 * R - 1}};
    } else if (q == 1) {
        copies = {{Q, 0, N, R - S - 1, R - 1}, {Q, 0, R, R - 1, 2 * R - 1}};
    } else if (q == 2) {
        copies = {{P, 2 * R - N, 2 * R, R - S, R}, {P, R, 2 * R, R - 1, 2 * R - 1}};
    } else {
        copies = {{P, R, R + S, 2 * R - N - 1, 2 * R - 1}};
    }
    SweepSource source{q < 2 ? P : Q, true};
    for (const Copy& c : copies) {
        if (x >= c.c0 && x < c.c1 && y >= c.r0 && y < c.r1) {
            source = SweepSource{c.image, false};
        }
    }
    return source;
}

TEST(LogoSweep, EveryEmblemPixelComesFromTheImageTheQuarterTableNames) {
    const Images& im = SkinImages();
    Frame frame = MakeWhiteFrame();
    for (int p : {0, 10, 25, 37, 50, 75, 88, 100}) {
        DrawLogoSweep(frame.data(), p, im.logo, im.ringedLogo);
        int wrong = 0;
        for (int y = 0; y < kEmblemSize && wrong < 5; ++y) {
            for (int x = 0; x < kEmblemSize && wrong < 5; ++x) {
                SweepSource s = ExpectedSweepSource(p, x, y);
                uint32_t want = ImagePixel(*s.image, x, y);
                if (s.keyed && IsWhitePixel(want)) {
                    want = kFrameWhite;
                }
                uint32_t got = frame[(kEmblemY + y) * kFrameWidth + kEmblemX + x];
                if (got != want) {
                    ++wrong;
                    ADD_FAILURE() << "p=" << p << " at " << x << "," << y << " got " << std::hex
                                  << got << " want " << want;
                }
            }
        }
        // The column one past the 311-pixel images and everything outside the emblem stay white.
        EXPECT_EQ(frame[(kEmblemY + 200) * kFrameWidth + kEmblemX + 311], kFrameWhite) << p;
        EXPECT_EQ(frame[0], kFrameWhite);
        if (p % 25 == 0) {
            SaveFrame(frame.data(), "anim-sweep-" + std::to_string(p) + ".png");
        }
    }
}

TEST(LogoSweep, QuartersTurnFromThePlainLogoIntoTheRingedOne) {
    const Images& im = SkinImages();
    Frame frame = MakeWhiteFrame();
    auto emblem = [&](int x, int y) { return frame[(kEmblemY + y) * kFrameWidth + kEmblemX + x]; };
    auto keyed = [](uint32_t p) { return IsWhitePixel(p) ? kFrameWhite : p; };
    // 0 %: the plain logo; 100 %: the ringed logo.
    DrawLogoSweep(frame.data(), 0, im.logo, im.ringedLogo);
    for (int i = 0; i < kEmblemSize; i += 7) {
        EXPECT_EQ(emblem(i, i), keyed(ImagePixel(im.logo, i, i)));
    }
    DrawLogoSweep(frame.data(), 100, im.logo, im.ringedLogo);
    for (int i = 0; i < kEmblemSize; i += 7) {
        EXPECT_EQ(emblem(i, 310 - i), keyed(ImagePixel(im.ringedLogo, i, 310 - i)));
    }
    // 25 %: the whole lower-left quarter ringed (copied without key), the rest plain.
    DrawLogoSweep(frame.data(), 25, im.logo, im.ringedLogo);
    EXPECT_EQ(emblem(10, 300), ImagePixel(im.ringedLogo, 10, 300));
    EXPECT_EQ(emblem(150, 160), ImagePixel(im.ringedLogo, 150, 160));
    EXPECT_EQ(emblem(200, 300), keyed(ImagePixel(im.logo, 200, 300)));
    EXPECT_EQ(emblem(10, 10), keyed(ImagePixel(im.logo, 10, 10)));
    // 50 %: ringed except the right half; 75 %: only the lower-right quarter still plain.
    DrawLogoSweep(frame.data(), 50, im.logo, im.ringedLogo);
    EXPECT_EQ(emblem(10, 10), keyed(ImagePixel(im.ringedLogo, 10, 10)));
    EXPECT_EQ(emblem(300, 10), ImagePixel(im.logo, 300, 10));
    EXPECT_EQ(emblem(300, 300), ImagePixel(im.logo, 300, 300));
    DrawLogoSweep(frame.data(), 75, im.logo, im.ringedLogo);
    EXPECT_EQ(emblem(300, 10), keyed(ImagePixel(im.ringedLogo, 300, 10)));
    EXPECT_EQ(emblem(300, 300), ImagePixel(im.logo, 300, 300));
}

TEST(RevealFrame, FullProgressShowsTheWholeDiscOfRadius471WithABlendedRim) {
    const Images& im = SkinImages();
    RevealAnimation reveal;
    Frame frame = MakeWhiteFrame();
    reveal.SetCounter(470);
    reveal.Render(frame.data(), 1000, 50000, im.bareLogo, im.background);
    ASSERT_EQ(reveal.DiscRadius(), 471);
    int wrong = 0;
    for (int y = 0; y < kFrameHeight; ++y) {
        for (int x = 0; x < kFrameWidth; ++x) {
            double d = reveal.Distance(x, y);
            int l = static_cast<int>(d);
            uint32_t ripple = reveal.RadialTable()[l];
            uint32_t picture = ImagePixel(im.background, x, y);
            uint32_t want = l >= 471   ? ripple
                            : l == 470 ? Blend(ripple, picture, static_cast<float>(d - l))
                                       : picture;
            if (frame[y * kFrameWidth + x] != want && ++wrong < 5) {
                ADD_FAILURE() << x << "," << y << " d=" << d;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
    // The corners lie at 471.96 and 471.3: outside the disc, still ripple.
    EXPECT_NEAR(reveal.Distance(0, 0), 471.96, 0.01);
    EXPECT_EQ(frame[0], reveal.RadialTable()[471]);
    EXPECT_EQ(frame[621], reveal.RadialTable()[471]);
    SaveFrame(frame.data(), "anim-reveal-100.png");
}

TEST(RevealFrame, DiscGrowsOnePixelAFrameAndShrinksAtOnce) {
    const Images& im = SkinImages();
    RevealAnimation reveal;
    Frame frame = MakeWhiteFrame();
    struct Step {
        int progress;
        int disc;
    } steps[] = {
        {0, 1},    {0, 2}, {1000, 3}, {0, 4}, // one pixel a frame, whatever the target
        {1000, 5},
    };
    reveal.SetCounter(0);
    for (const Step& s : steps) {
        reveal.Render(frame.data(), s.progress, 1000, im.bareLogo, im.background);
        EXPECT_EQ(reveal.DiscRadius(), s.disc) << s.progress;
    }
    // Falling back from a large disc shrinks it at once; outside the new disc the ripples and
    // the bare logo are back.
    reveal.SetCounter(400);
    reveal.Render(frame.data(), 1000, 1000, im.bareLogo, im.background);
    EXPECT_EQ(reveal.DiscRadius(), 401);
    reveal.Render(frame.data(), 0, 1000, im.bareLogo, im.background);
    EXPECT_EQ(reveal.DiscRadius(), 15);
    int rx = 20, ry = 300; // left of the emblem, 296 pixels from the centre
    EXPECT_EQ(frame[ry * kFrameWidth + rx],
              reveal.RadialTable()[static_cast<int>(reveal.Distance(rx, ry))]);
    int lx = 100, ly = 100; // a non-white pixel of the bare logo
    uint32_t logoPixel = ImagePixel(im.bareLogo, lx, ly);
    ASSERT_FALSE(IsWhitePixel(logoPixel));
    EXPECT_EQ(frame[(kEmblemY + ly) * kFrameWidth + kEmblemX + lx], logoPixel);
    // Half way: the picture inside, the ripples outside.
    reveal.SetCounter(1000);
    reveal.Render(frame.data(), 500, 1000, im.bareLogo, im.background);
    EXPECT_EQ(reveal.DiscRadius(), 243);
}

TEST(RevealFrame, PicturesAfterThreeSecondsOfRipples) {
    const Images& im = SkinImages();
    for (int progress : {0, 500}) {
        RevealAnimation reveal;
        Frame frame = MakeWhiteFrame();
        // 300 frames 10 ms apart: five ripples in flight, the disc grown to its target.
        for (uint32_t i = 0; i < 300; ++i) {
            reveal.Render(frame.data(), progress, 1000 + 10 * i, im.bareLogo, im.background);
        }
        EXPECT_EQ(reveal.Waves().size(), 5u);
        SaveFrame(frame.data(), "anim-reveal-" + std::to_string(progress / 10) + ".png");
    }
}

TEST(RevealFrame, RadialTableShadesTheRingsBetweenTwoWaves) {
    RevealAnimation reveal;
    reveal.AdvanceWaves(1000); // the first wave
    reveal.AdvanceWaves(1700); // 700 ms later the second
    reveal.AdvanceWaves(2300);
    ASSERT_EQ(reveal.Waves().size(), 2u);
    EXPECT_EQ(reveal.Waves().front().radius, 231); // 1300 ms at 178 px/s
    EXPECT_EQ(reveal.Waves().back().radius, 106);  // 600 ms
    reveal.BuildRadialTable();
    const uint32_t* table = reveal.RadialTable();
    // Inside the newest wave two shades (239), between the waves one (244), outside white.
    struct Range {
        int from, to;
        uint32_t value;
    } ranges[] = {{0, 106, 0xEFEFEFEF}, {106, 231, 0xF4F4F4F4}, {231, 1024, 0xFFFFFFFF}};
    for (const Range& r : ranges) {
        for (int i = r.from; i < r.to; ++i) {
            ASSERT_EQ(table[i], r.value) << i;
        }
    }
    // A wave fades in its last two seconds and is gone after five.
    reveal.AdvanceWaves(4500);
    EXPECT_NEAR(reveal.Waves().front().alpha, 1500 * 2.5e-5f, 1e-7);
    reveal.AdvanceWaves(6000);
    EXPECT_EQ(reveal.Waves().front().startTick, 1700u);
}

TEST(SpeedMeter, UpdatesOnceASecondAndStaysFiniteAtZeroElapsed) {
    SpeedMeter meter;
    struct Step {
        uint32_t done, now, shown;
    } steps[] = {
        {0, 0, 0},            // elapsed 0 while nothing is shown: stays 0
        {1000, 500, 2000},    // shown 0: computed at once, 1000 bytes in 0.5 s
        {5000, 1200, 2000},   // within a second of the last update: kept
        {5000, 1500, 2000},   // exactly 1000 ms later: still kept
        {7000, 1501, 5994},   // 6000 bytes in 1.001 s
        {7000, 3000, 0},      // nothing arrived: 0
        {7000, 3000, 0},      // 0 ms later: no division, still 0
        {9000, 3010, 200000}, // shown 0 again: every paint recomputes
    };
    for (const Step& s : steps) {
        EXPECT_EQ(meter.Update(s.done, s.now), s.shown) << s.done << " " << s.now;
    }
}

class ScreenTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitLanguage(L"Kelto Clipwave Converter Pro", 0x0409); }
    void SetUp() override {
        platform::LogFont info;
        info.height = -14;
        info.faceName = L"ArialMT";
        infoFont = platform::CreateFont(info);
        platform::LogFont large;
        large.height = -29;
        large.faceName = L"微软雅黑";
        largeFont = platform::CreateFont(large);
        texts.retryMessage = MakeRetryMessage(GetUiText(41));
        texts.downloading = GetUiText(43);
        texts.checking = GetUiText(44);
        texts.gathering = GetUiText(45);
        ProcessSpeedMeter().Reset();
    }
    // A window stand-in: the painters copy their picture into it.
    Bitmap window{kFrameWidth, kFrameHeight};
    DeviceContext windowDc{&window};
    std::unique_ptr<platform::Font> infoFont;
    std::unique_ptr<platform::Font> largeFont;
    AnimationTexts texts;
    AnimationState state;
    DownloadPainter painter;

    void Paint(const DownloadPaintInputs& in) { painter.Paint(&windowDc, in); }

    DownloadPaintInputs Inputs(const DownloadInfo* info) {
        DownloadPaintInputs in;
        in.state = &state;
        in.images = SkinImages().View();
        in.infoFont = infoFont.get();
        in.texts = &texts;
        in.info = info;
        return in;
    }
    // The sweep for percent with the given texts drawn the way the download screen draws them.
    std::unique_ptr<Bitmap> Reference(int percent,
                                      const std::vector<std::pair<std::wstring, Rect>>& lines,
                                      const std::vector<uint32_t>& formats) {
        Frame frame = MakeWhiteFrame();
        DrawLogoSweep(frame.data(), percent, SkinImages().logo, SkinImages().ringedLogo);
        auto reference = std::make_unique<Bitmap>(kFrameWidth, kFrameHeight);
        std::copy(frame.begin(), frame.end(), reference->Pixels());
        DeviceContext dc(reference.get());
        dc.SetBkMode(platform::kTransparent);
        dc.SetTextColor(0xE58C19);
        dc.SelectFont(infoFont.get());
        for (size_t i = 0; i < lines.size(); ++i) {
            Rect r = lines[i].second;
            dc.DrawText(lines[i].first, &r, formats[i]);
        }
        return reference;
    }
    static bool SamePixels(const Bitmap& a, const Bitmap& b) {
        return std::equal(a.Pixels(), a.Pixels() + kFramePixels, b.Pixels());
    }
    // Lets the frame thread's first round make its work frame (phase Finished: no pause).
    void MakeWorkFrame() {
        state.SetPhase(AnimPhase::Finished);
        std::atomic<bool> closing{false};
        ASSERT_TRUE(state.ProduceFrame(SkinImages().View(), nullptr, closing));
    }
};

TEST_F(ScreenTest, DownloadScreenWaitsForTheFrameThreadsWorkFrame) {
    window.Pixels()[0] = 0x123456;
    Paint(Inputs(nullptr));
    EXPECT_EQ(window.Pixels()[0], 0x123456u); // nothing drawn
}

TEST_F(ScreenTest, DownloadScreenTextsFollowSizeAndProgress) {
    MakeWorkFrame();
    const Rect kWide{40, 358, 582, 378};
    struct Case {
        const char* name;
        uint32_t size, downloaded;
        int percent;
        int text; // 45, 44, or 0 for speed + 43 + percentage
        const char* percentText;
    } cases[] = {
        {"gathering", 0, 0, 0, 45, nullptr},
        {"checking", 3145728, 0, 0, 44, nullptr},
        {"progress-0", 1000000, 4000, 0, 0, "0%"},
        {"progress-42", 1000000, 420000, 42, 0, "42%"},
        {"done", 3145728, 3145728, 100, 44, nullptr},
    };
    for (const Case& c : cases) {
        DownloadInfo info;
        info.size = c.size;
        info.downloaded = c.downloaded;
        state.downloadPercent = c.percent;
        Paint(Inputs(&info));
        if (c.text != 0) {
            std::wstring text = c.text == 45 ? texts.gathering : texts.checking;
            EXPECT_TRUE(SamePixels(window, *Reference(c.percent, {{text, kWide}}, {0x25})))
                << c.name;
        } else {
            std::wstring speed = FormatSizeWide(ProcessSpeedMeter().ShownSpeed()) + L"/s";
            std::wstring percent(c.percentText, c.percentText + strlen(c.percentText));
            EXPECT_TRUE(
                SamePixels(window, *Reference(c.percent,
                                              {{speed, Rect{20, 358, 120, 378}},
                                               {texts.downloading, Rect{261, 358, 361, 378}},
                                               {percent, Rect{502, 358, 602, 378}}},
                                              {0x24, 0x25, 0x26})))
                << c.name;
        }
        platform::SaveBitmapAsPng(
            window, ArtifactPath("anim-download-" + std::string(c.name) + ".png").c_str());
    }
    EXPECT_EQ(texts.gathering, L"Gathering download information...");
    EXPECT_EQ(texts.downloading, L"Downloading...");
}

TEST_F(ScreenTest, RetryScreenShowsTheGreyLogoUnkeyedTheMakersHostAndTwoControls) {
    MakeWorkFrame();
    ButtonCtrlEx install(nullptr, 161, 354, 461, 389);
    install.SetText(L"Try Again");
    install.SetStateColors(0xBF5300, 0x9300DF, 0xBF5300, 0xD7D7D7);
    ButtonCtrlEx close(nullptr, 600, 0, 617, 21);
    close.SetDrawBitmap(1);
    close.SetStateBitmaps(LoadSkinBitmap(140), LoadSkinBitmap(143), LoadSkinBitmap(142), nullptr);
    DownloadPaintInputs in = Inputs(nullptr);
    in.installButton = &install;
    in.closeButton = &close;
    Paint(in);
    // The grey logo's white surroundings are copied too (no key): every emblem pixel is 182's.
    const BMData& grey = SkinImages().greyLogo;
    for (int y = 0; y < 60; y += 3) { // above the message
        for (int x = 0; x < kEmblemSize; x += 5) {
            ASSERT_EQ(window.Pixel(kEmblemX + x, kEmblemY + y), ImagePixel(grey, x, y));
        }
    }
    EXPECT_EQ(window.Pixel(10, 340), platform::PixelFromColorRef(0xFDFBF7)); // the band
    EXPECT_EQ(window.Pixel(608, 10), LoadSkinBitmap(140)->Pixel(8, 10));     // close button
    std::wstring message = texts.retryMessage;
    EXPECT_NE(message.find(L"www.kelto.example"), std::wstring::npos);
    EXPECT_EQ(message.find(L"clipwave-family"), std::wstring::npos);
    // Wider than its rectangle, the message wraps: dark text on a second line, none outside.
    auto darkPixels = [&](int top, int bottom, int left, int right) {
        int dark = 0;
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                dark += (window.Pixel(x, y) & 0x808080) == 0;
            }
        }
        return dark;
    };
    EXPECT_GT(darkPixels(120, 136, 50, 572), 20);
    EXPECT_EQ(darkPixels(102, 182, 0, 50) + darkPixels(102, 182, 572, 622), 0);
    // With the install button hidden the download screen (the plain logo) shows instead.
    install.SetVisible(false);
    Paint(in);
    EXPECT_EQ(window.Pixel(kEmblemX + 5, kEmblemY + 5), kFrameWhite);
    install.SetVisible(true);
    Paint(in);
    platform::SaveBitmapAsPng(window, ArtifactPath("anim-retry.png").c_str());
}

TEST_F(ScreenTest, FramePainterPresentsEachFrameOnceWithThePercentWhileUnpacking) {
    int controlsDrawn = 0;
    auto drawControls = [&](DeviceContext*) { ++controlsDrawn; };
    FramePainter painter;
    EXPECT_FALSE(painter.Paint(&windowDc, state, largeFont.get(), drawControls));
    EXPECT_EQ(controlsDrawn, 0); // nothing ready: nothing drawn

    state.SetPhase(AnimPhase::Unpacking);
    state.unpackProgress = 425;
    state.Reveal().SetCounter(1000);
    std::atomic<bool> closing{false};
    ASSERT_TRUE(state.ProduceFrame(SkinImages().View(), nullptr, closing));
    // The logo frame would reset the progress; the reveal frame keeps it.
    EXPECT_EQ(state.unpackProgress.load(), 425);
    ASSERT_TRUE(painter.Paint(&windowDc, state, largeFont.get(), drawControls));
    EXPECT_EQ(controlsDrawn, 1);
    // The presented frame with "42%" in white in the large font, nothing else.
    Bitmap reference(kFrameWidth, kFrameHeight);
    for (size_t i = 0; i < kFramePixels; ++i) {
        reference.Pixels()[i] = state.DisplayFrame()[i] & 0xFFFFFF;
    }
    DeviceContext dc(&reference);
    dc.SelectFont(largeFont.get());
    dc.SetTextColor(0xFFFFFF);
    dc.SetBkMode(platform::kTransparent);
    Rect r{261, 325, 361, 385};
    dc.DrawText(L"42%", &r, 0x25);
    EXPECT_TRUE(SamePixels(window, reference));
    platform::SaveBitmapAsPng(window, ArtifactPath("anim-frame-unpacking.png").c_str());
    // Presented once: the next paint has nothing until the producer publishes again.
    EXPECT_FALSE(painter.Paint(&windowDc, state, largeFont.get(), drawControls));

    state.SetPhase(AnimPhase::Finished);
    ASSERT_TRUE(state.ProduceFrame(SkinImages().View(), nullptr, closing));
    ASSERT_TRUE(painter.Paint(&windowDc, state, largeFont.get(), drawControls));
    EXPECT_EQ(window.Pixel(300, 350), kPurplePixel); // no percentage in the purple frame
    platform::SaveBitmapAsPng(window, ArtifactPath("anim-purple.png").c_str());
}

TEST_F(ScreenTest, LogoFrameShowsTheInstallingPageAndResetsTheUnpacking) {
    int shown = 0;
    state.unpackProgress = 700;
    state.Reveal().SetCounter(300);
    std::atomic<bool> closing{false};
    ASSERT_TRUE(state.ProduceFrame(
        SkinImages().View(), [&] { ++shown; }, closing));
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(state.unpackProgress.load(), 0);
    EXPECT_EQ(state.Reveal().Counter(), 0);
    const BMData& logo = SkinImages().logo;
    EXPECT_EQ(state.WorkFrame()[(kEmblemY + 100) * kFrameWidth + kEmblemX + 100],
              ImagePixel(logo, 100, 100));
    // Both buffers full and nobody presenting: closing ends the producer's wait.
    ASSERT_TRUE(state.ProduceFrame(SkinImages().View(), nullptr, closing));
    closing = true;
    EXPECT_FALSE(state.ProduceFrame(SkinImages().View(), nullptr, closing));
}

} // namespace
} // namespace skin
