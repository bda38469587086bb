// Device contexts and bitmaps without fonts: fills, copies and their clipping, the two colour
// encodings, BMP decoding and PNG files.
#include "platform/Gdi.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "tests/skin/BmpBuilder.h"

namespace platform {
namespace {

TEST(ColourEncodings, DrawingColourAndPixelValueSwapRedAndBlue) {
    EXPECT_EQ(Rgb(25, 140, 229), 0xE58C19u);
    EXPECT_EQ(PixelFromColorRef(0xE58C19), 0x198CE5u);
    EXPECT_EQ(ColorRefFromPixel(0x198CE5), 0xE58C19u);
}

TEST(DeviceContext, FillUsesTheDrawingColourAndClipsToTheSurface) {
    Bitmap canvas(8, 6);
    DeviceContext dc(&canvas);
    dc.FillSolidRect(Rect{-3, 2, 4, 100}, Rgb(255, 0, 0));
    EXPECT_EQ(canvas.Pixel(0, 2), 0xFF0000u);
    EXPECT_EQ(canvas.Pixel(3, 5), 0xFF0000u);
    EXPECT_EQ(canvas.Pixel(4, 2), 0u); // right edge is outside
    EXPECT_EQ(canvas.Pixel(0, 1), 0u); // above the top edge
}

TEST(DeviceContext, BitBltCopiesAndClipsAgainstBothSurfaces) {
    Bitmap source(4, 4);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            source.SetPixel(x, y, static_cast<uint32_t>(0x100 * y + x + 1));
        }
    }
    DeviceContext sourceDc(&source);
    Bitmap target(5, 5);
    DeviceContext dc(&target);
    dc.FillSolidRect(Rect{0, 0, 5, 5}, 0xFFFFFF);
    // A copy larger than the source, partly off the target's left edge.
    EXPECT_TRUE(dc.BitBlt(-1, 2, 10, 10, sourceDc, 0, 0));
    EXPECT_EQ(target.Pixel(0, 2), 0x002u);    // source (1, 0)
    EXPECT_EQ(target.Pixel(2, 4), 0x204u);    // source (3, 2)
    EXPECT_EQ(target.Pixel(3, 2), 0xFFFFFFu); // beyond the source's width: untouched
    EXPECT_EQ(target.Pixel(0, 1), 0xFFFFFFu);

    DeviceContext empty;
    EXPECT_FALSE(dc.BitBlt(0, 0, 1, 1, empty, 0, 0));
    EXPECT_FALSE(empty.BitBlt(0, 0, 1, 1, dc, 0, 0));
}

TEST(DeviceContext, SelectingReturnsThePreviousObject) {
    Bitmap a(1, 1);
    Bitmap b(1, 1);
    DeviceContext dc(&a);
    EXPECT_EQ(dc.SelectBitmap(&b), &a);
    EXPECT_EQ(dc.SelectBitmap(nullptr), &b);
    EXPECT_EQ(dc.Width(), 0);
    dc.FillSolidRect(Rect{0, 0, 1, 1}, 0xFFFFFF); // no surface: nothing happens
    EXPECT_EQ(dc.SetTextColor(0x123456), 0u);
    EXPECT_EQ(dc.SetTextColor(0), 0x123456u);
    EXPECT_EQ(dc.SetBkMode(kTransparent), kOpaque);
    EXPECT_EQ(dc.SetBkMode(99), kTransparent); // unknown modes are ignored
    EXPECT_EQ(dc.SetBkMode(kOpaque), kTransparent);
}

TEST(Bitmap, GetBitsYieldsBlueGreenRedUnusedPerPixel) {
    Bitmap bitmap(2, 1);
    bitmap.SetPixel(0, 0, 0x112233);
    bitmap.SetPixel(1, 0, 0xAABBCC);
    uint8_t bytes[8] = {};
    EXPECT_EQ(bitmap.GetBits(bytes, sizeof bytes), 8u);
    EXPECT_EQ(bytes[0], 0x33);
    EXPECT_EQ(bytes[1], 0x22);
    EXPECT_EQ(bytes[2], 0x11);
    EXPECT_EQ(bytes[3], 0x00);
    EXPECT_EQ(bytes[4], 0xCC);
    EXPECT_EQ(bitmap.GetBits(bytes, 3), 3u);
}

TEST(DecodeBmp, ReadsBottomUpAndTopDownRowsOfBothDepths) {
    auto pattern = [](int x, int y) {
        return static_cast<uint32_t>(0x010203 * (x + 1) + y * 0x10);
    };
    for (int bits : {24, 32}) {
        for (bool topDown : {false, true}) {
            // Width 3 gives 24-bit rows with padding.
            auto bytes = testing_bmp::MakeBmp(3, 2, bits, pattern, topDown);
            auto bitmap = DecodeBmp(bytes.data(), bytes.size());
            ASSERT_NE(bitmap, nullptr) << bits << " " << topDown;
            ASSERT_EQ(bitmap->Width(), 3);
            ASSERT_EQ(bitmap->Height(), 2);
            for (int y = 0; y < 2; ++y) {
                for (int x = 0; x < 3; ++x) {
                    // The unused byte is 0 even where the file carries alpha.
                    EXPECT_EQ(bitmap->Pixel(x, y), pattern(x, y)) << bits << " " << x << "," << y;
                }
            }
        }
    }
}

TEST(DecodeBmp, RejectsDamagedAndUnsupportedFiles) {
    auto good = testing_bmp::SolidBmp(4, 4, 0x123456);
    ASSERT_NE(DecodeBmp(good.data(), good.size()), nullptr);
    struct Case {
        const char* name;
        std::function<void(std::vector<uint8_t>&)> damage;
    };
    const Case cases[] = {
        {"truncated pixels", [](auto& b) { b.resize(b.size() - 1); }},
        {"no magic", [](auto& b) { b[0] = 'X'; }},
        {"8 bits per pixel", [](auto& b) { testing_bmp::PutU16(b, 28, 8); }},
        {"run-length compressed", [](auto& b) { testing_bmp::PutU32(b, 30, 1); }},
        {"zero width", [](auto& b) { testing_bmp::PutU32(b, 18, 0); }},
        {"negative width", [](auto& b) { testing_bmp::PutU32(b, 18, 0xFFFFFFF0u); }},
        {"huge height", [](auto& b) { testing_bmp::PutU32(b, 22, 0x7FFFFFFF); }},
        {"pixels beyond the file", [](auto& b) { testing_bmp::PutU32(b, 10, 0xFFFFFF00u); }},
        {"header size beyond the file", [](auto& b) { testing_bmp::PutU32(b, 14, 0x10000); }},
    };
    for (const Case& c : cases) {
        auto bytes = good;
        c.damage(bytes);
        EXPECT_EQ(DecodeBmp(bytes.data(), bytes.size()), nullptr) << c.name;
    }
    EXPECT_EQ(DecodeBmp(nullptr, 0), nullptr);
    EXPECT_EQ(DecodeBmp(good.data(), 20), nullptr);
}

TEST(Png, RoundTripsAFrame) {
    Bitmap bitmap(3, 2);
    bitmap.SetPixel(0, 0, 0xFF0000);
    bitmap.SetPixel(2, 1, 0x00FF7F);
    auto path = std::filesystem::temp_directory_path() /
                ("kelto-gdi-" + std::to_string(::getpid()) + ".png");
    ASSERT_TRUE(SaveBitmapAsPng(bitmap, path.c_str()));
    auto back = LoadPng(path.c_str());
    std::filesystem::remove(path);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Width(), 3);
    EXPECT_EQ(back->Pixel(0, 0), 0xFF0000u);
    EXPECT_EQ(back->Pixel(2, 1), 0x00FF7Fu);
    EXPECT_FALSE(SaveBitmapAsPng(bitmap, "/nonexistent-folder/x.png"));
    // The same bytes from memory, and damaged ones.
    std::vector<uint8_t> bytes;
    {
        SaveBitmapAsPng(bitmap, path.c_str());
        FILE* f = std::fopen(path.c_str(), "rb");
        int c;
        while ((c = std::fgetc(f)) != EOF) {
            bytes.push_back(static_cast<uint8_t>(c));
        }
        std::fclose(f);
        std::filesystem::remove(path);
    }
    std::vector<uint8_t> alpha;
    auto decoded = DecodePng(bytes.data(), bytes.size(), &alpha);
    ASSERT_NE(decoded, nullptr);
    EXPECT_EQ(decoded->Pixel(2, 1), 0x00FF7Fu);
    EXPECT_EQ(alpha, std::vector<uint8_t>(6, 0xFF)); // no alpha channel: opaque
    EXPECT_EQ(DecodePng(bytes.data(), bytes.size() / 2), nullptr);
    bytes[1] = 'X';
    EXPECT_EQ(DecodePng(bytes.data(), bytes.size()), nullptr);
    EXPECT_EQ(LoadPng("/nonexistent-folder/x.png"), nullptr);
}

// A file cut off inside its image data fails to decode and leaves nothing behind (the sanitizer
// pass checks for leaks at exit).
TEST(Png, TruncatedImagesDecodeToNothing) {
    Bitmap noise(256, 256);
    uint32_t seed = 12345;
    for (int32_t y = 0; y < 256; ++y) {
        for (int32_t x = 0; x < 256; ++x) {
            seed = seed * 1103515245u + 12345u;
            noise.SetPixel(x, y, (seed >> 8) & 0xFFFFFF);
        }
    }
    auto path = std::filesystem::temp_directory_path() /
                ("kelto-noise-" + std::to_string(::getpid()) + ".png");
    ASSERT_TRUE(SaveBitmapAsPng(noise, path.c_str()));
    std::vector<uint8_t> bytes;
    {
        FILE* f = std::fopen(path.c_str(), "rb");
        ASSERT_NE(f, nullptr);
        int c;
        while ((c = std::fgetc(f)) != EOF) {
            bytes.push_back(static_cast<uint8_t>(c));
        }
        std::fclose(f);
        std::filesystem::remove(path);
    }
    ASSERT_NE(DecodePng(bytes.data(), bytes.size()), nullptr);
    for (size_t cut : {size_t{40}, bytes.size() / 4, bytes.size() / 2, bytes.size() - 100}) {
        std::vector<uint8_t> alpha;
        EXPECT_EQ(DecodePng(bytes.data(), cut, &alpha), nullptr) << cut;
        EXPECT_TRUE(alpha.empty()) << cut;
    }
}

TEST(Dpi, DefaultsTo96AndCanBeForced) {
    if (std::getenv("KELTO_DPI") == nullptr) {
        EXPECT_EQ(GetDisplayDpi(), 96);
    }
    SetDisplayDpiForTesting(120);
    DeviceContext dc;
    EXPECT_EQ(dc.GetDeviceCaps(kLogPixelsX), 120);
    EXPECT_EQ(dc.GetDeviceCaps(kLogPixelsY), 120);
    SetDisplayDpiForTesting(0);
}

} // namespace
} // namespace platform
