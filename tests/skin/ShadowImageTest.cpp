// The drop shadow's picture as pixels: the start values' 30-pixel linear halo, the clear hole
// under the parent, premultiplied colour, erosion when the edge is wider than the shadow, and a
// parent whose window region is not a rectangle.
#include "skin/ShadowImage.h"

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "platform/Gdi.h"

namespace skin {
namespace {

uint32_t Alpha(uint32_t pixel) {
    return pixel >> 24;
}

// The start colour RGB 50, 50, 50 premultiplied by alpha.
uint32_t GreyPixel(uint32_t alpha) {
    uint32_t c = 50 * alpha / 255;
    return (alpha << 24) | (c << 16) | (c << 8) | c;
}

// Shows the alpha as darkness on white, for a person to look at.
void SaveAlpha(const ShadowImage& image, const char* name) {
    platform::Bitmap bitmap(image.width, image.height);
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            uint32_t v = 255 - std::min<uint32_t>(255, Alpha(image.At(x, y)) * 4);
            bitmap.SetPixel(x, y, v * 0x010101);
        }
    }
    const char* binary = std::getenv("KELTO_BINARY_DIR");
    std::filesystem::path folder = std::filesystem::path(binary ? binary : ".") / "artifacts";
    std::filesystem::create_directories(folder);
    platform::SaveBitmapAsPng(bitmap, (folder / name).string().c_str());
}

TEST(ShadowImage, StartValuesGiveALinearThirtyPixelHaloAndAClearHole) {
    ShadowImage image = RenderShadowImage(ShadowParams{}, 100, 60, nullptr);
    ASSERT_EQ(image.width, 160);
    ASSERT_EQ(image.height, 120);
    // k pixels outside each edge, alpha (1 - k / 31) × 30 truncated: 29 next to the edge, 0 at 30.
    for (int k = 1; k <= 30; ++k) {
        uint32_t alpha = static_cast<uint32_t>((1 - k / 31.0) * 30);
        uint32_t want = alpha == 0 ? 0 : GreyPixel(alpha);
        EXPECT_EQ(image.At(30 - k, 60), want) << k;
        EXPECT_EQ(image.At(129 + k, 60), want) << k;
        EXPECT_EQ(image.At(80, 30 - k), want) << k;
        EXPECT_EQ(image.At(80, 89 + k), want) << k;
    }
    EXPECT_EQ(Alpha(image.At(0, 60)), 0u);    // 30 pixels out
    EXPECT_EQ(image.At(29, 60), 0x1D050505u); // alpha 29, 50 × 29 / 255 = 5 per channel
    // Nothing under the parent, not even at its edge.
    for (int y = 30; y < 90; y += 3) {
        for (int x = 30; x < 130; x += 3) {
            ASSERT_EQ(image.At(x, y), 0u) << x << "," << y;
        }
    }
    ASSERT_EQ(image.At(129, 89), 0u);
    // The corners are round: 22 pixels diagonally out is 31 away from the corner.
    EXPECT_EQ(image.At(8, 8), 0u);
    EXPECT_EQ(Alpha(image.At(15, 15)), static_cast<uint32_t>((1 - std::sqrt(450.0) / 31) * 30));
    SaveAlpha(image, "shadow-start-values.png");
}

TEST(ShadowImage, SharpnessAboveSizeErodesTheShapeFirst) {
    ShadowParams p;
    p.darkness = 60;
    p.sharpness = 40;
    p.size = 20;
    ShadowImage image = RenderShadowImage(p, 100, 60, nullptr);
    ASSERT_EQ(image.width, 140);
    // Eroded by 20, the outline lies 20 pixels inside the parent: k pixels outside its edge the
    // kernel is 20 + k away.
    for (int k = 1; k <= 20; ++k) {
        uint32_t alpha = static_cast<uint32_t>((1 - (20 + k) / 41.0) * 60);
        uint32_t c = 50 * alpha / 255;
        EXPECT_EQ(image.At(20 - k, 50), (alpha << 24) | c * 0x010101) << k;
        EXPECT_EQ(Alpha(image.At(119 + k, 50)), alpha) << k;
    }
    // The clear hole covers the eroded shape; between it and the parent's edge the halo runs on
    // under the (opaque) parent.
    EXPECT_EQ(image.At(70, 50), 0u);
    EXPECT_EQ(image.At(40, 50), 0u);
    EXPECT_EQ(Alpha(image.At(21, 50)), static_cast<uint32_t>((1 - 19 / 41.0) * 60));
    SaveAlpha(image, "shadow-eroded.png");
}

TEST(ShadowImage, ARegionWithACutCornerCastsItsOwnShape) {
    // The parent's region lacks its top-left 20 × 20 corner.
    auto shape = [](int32_t x, int32_t y) { return !(x < 20 && y < 20); };
    ShadowImage image = RenderShadowImage(ShadowParams{}, 100, 60, shape);
    // In the cut corner the shadow shows; 15 pixels from the nearest outline pixel.
    EXPECT_EQ(Alpha(image.At(35, 35)), static_cast<uint32_t>((1 - 15 / 31.0) * 30));
    EXPECT_EQ(Alpha(image.At(30, 30)), static_cast<uint32_t>((1 - 20 / 31.0) * 30));
    EXPECT_EQ(image.At(49, 40), GreyPixel(29)); // right next to the region's inner edge
    EXPECT_EQ(image.At(55, 35), 0u);            // inside the region: clear
    EXPECT_EQ(image.At(35, 55), 0u);
    // A rectangular parent has its hole there instead.
    EXPECT_EQ(RenderShadowImage(ShadowParams{}, 100, 60, nullptr).At(35, 35), 0u);
    SaveAlpha(image, "shadow-cut-corner.png");
}

} // namespace
} // namespace skin
