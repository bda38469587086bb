// The artwork sheet: every bitmap of the set side by side with its id, small ones also enlarged,
// written as one PNG into the build folder so that people can look at the skin in one place. And
// the guard that keeps the committed images equal to what the generator draws today.

#include "res/Resources.h"

#include "tests/res/BmpImage.h"
#include "tools/skinart/Art.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

namespace {

// 3 × 5 digits for the labels, one bit per pixel, top row first.
const uint16_t kDigits[10] = {0x7B6F, 0x2C97, 0x73E7, 0x73CF, 0x5BC9,
                              0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF};

class Sheet {
public:
    Sheet(int width, int height)
        : m_width(width), m_height(height), m_pixels(width * height, kGround) {}

    void Put(int x, int y, uint32_t v) {
        if (x >= 0 && y >= 0 && x < m_width && y < m_height) {
            m_pixels[x + y * m_width] = v;
        }
    }

    void Draw(const BmpImage& image, int left, int top, int zoom) {
        for (int y = 0; y < image.height * zoom; ++y) {
            for (int x = 0; x < image.width * zoom; ++x) {
                Put(left + x, top + y, image.At(x / zoom, y / zoom));
            }
        }
    }

    void Label(int number, int left, int top) {
        std::string text = std::to_string(number);
        for (size_t i = 0; i < text.size(); ++i) {
            uint16_t glyph = kDigits[text[i] - '0'];
            for (int row = 0; row < 5; ++row) {
                for (int column = 0; column < 3; ++column) {
                    if (glyph & (1 << (14 - row * 3 - column))) {
                        for (int k = 0; k < 4; ++k) {
                            Put(left + static_cast<int>(i) * 8 + column * 2 + k % 2,
                                top + row * 2 + k / 2, 0x303640);
                        }
                    }
                }
            }
        }
    }

    void FillRect(int left, int top, int right, int bottom, uint32_t v) {
        for (int y = top; y < bottom; ++y) {
            for (int x = left; x < right; ++x) {
                Put(x, y, v);
            }
        }
    }

    bool Save(const std::string& path) const { return WritePng(path, m_width, m_height, m_pixels); }

    static constexpr uint32_t kGround = 0xDADDE3;

private:
    int m_width;
    int m_height;
    std::vector<uint32_t> m_pixels;
};

BmpImage LoadBitmap(int id) {
    const unsigned char* data = nullptr;
    size_t size = 0;
    BmpImage image;
    std::string error;
    EXPECT_TRUE(FindBitmapResource(id, &data, &size) && DecodeBmp(data, size, &image, &error))
        << id << " " << error;
    return image;
}

// The bitmaps where the windows put them, on the grounds the painters fill, without any text:
// the Ready page, the Installed page and the message box. Returns the height used.
int DrawWindowMocks(Sheet& sheet, int left, int top) {
    auto put = [&](int id, int x, int y) { sheet.Draw(LoadBitmap(id), left + x, top + y, 1); };
    // Ready page.
    sheet.FillRect(left, top, left + 622, top + 405, 0xFFFFFF);
    sheet.FillRect(left, top + 338, left + 622, top + 405, 0xF7FBFD);
    put(190, 156, 22);
    put(138, 0, 0);
    put(144, 580, 0);
    put(140, 600, 0);
    put(165, 474 + 121, 359 + 9);
    // Installed page.
    left += 622 + 14;
    put(185, 0, 0);
    sheet.FillRect(left, top + 338, left + 622, top + 405, 0xF7FBFD);
    put(149, 580, 0);
    put(148, 600, 0);
    put(159, 26, 349 + 3);
    put(157, 26, 378 + 3);
    // Message box.
    left += 622 + 14;
    sheet.FillRect(left, top, left + 420, top + 210, 0xFFFFFF);
    sheet.FillRect(left, top, left + 420, top + 36, 0x4A47B5);
    sheet.FillRect(left, top + 156, left + 420, top + 210, 0xF7FBFD);
    put(179, 401, 0);
    put(175, 32, 90);
    put(176, 160, 167);
    return 405;
}

TEST(SkinArtSheet, EveryBitmapSideBySideWithItsId) {
    constexpr int kSheetWidth = 1400, kGap = 14, kLabelHeight = 16;
    struct Tile {
        int id;
        BmpImage image;
        int zoom;
    };
    std::vector<Tile> tiles;
    for (const skinart::BitmapFormat& format : skinart::BitmapFormats()) {
        const unsigned char* data = nullptr;
        size_t size = 0;
        ASSERT_TRUE(FindBitmapResource(format.id, &data, &size)) << format.id;
        BmpImage image;
        std::string error;
        ASSERT_TRUE(DecodeBmp(data, size, &image, &error)) << format.id << ": " << error;
        int zoom = std::max(image.width, image.height) <= 40 ? 4 : 1;
        tiles.push_back({format.id, std::move(image), zoom});
    }
    // Flow the tiles into rows; a small bitmap shows at 1:1 and enlarged beside it.
    struct Placed {
        size_t tile;
        int x, y;
    };
    std::vector<Placed> placed;
    int x = kGap, y = kGap, rowHeight = 0;
    for (size_t i = 0; i < tiles.size(); ++i) {
        const Tile& tile = tiles[i];
        int w = tile.image.width + (tile.zoom > 1 ? tile.image.width * tile.zoom + 6 : 0);
        int h = std::max(tile.image.height, tile.image.height * tile.zoom) + kLabelHeight;
        w = std::max(w, 30);
        if (x + w + kGap > kSheetWidth && x > kGap) {
            x = kGap;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        placed.push_back({i, x, y});
        x += w + kGap;
        rowHeight = std::max(rowHeight, h);
    }
    const int mocksTop = y + rowHeight + kGap;
    const int mocksWidth = 622 + 14 + 622 + 14 + 420 + 2 * kGap;
    Sheet sheet(std::max(kSheetWidth, mocksWidth), mocksTop + 405 + kGap);
    DrawWindowMocks(sheet, kGap, mocksTop);
    for (const Placed& p : placed) {
        const Tile& tile = tiles[p.tile];
        sheet.Label(tile.id, p.x, p.y);
        sheet.Draw(tile.image, p.x, p.y + kLabelHeight, 1);
        if (tile.zoom > 1) {
            sheet.Draw(tile.image, p.x + tile.image.width + 6, p.y + kLabelHeight, tile.zoom);
        }
    }
    const char* binary = std::getenv("KELTO_BINARY_DIR");
    ASSERT_NE(binary, nullptr);
    std::filesystem::path folder = std::filesystem::path(binary) / "tests" / "res";
    std::filesystem::create_directories(folder);
    std::string path = (folder / "skin-sheet.png").string();
    ASSERT_TRUE(sheet.Save(path)) << path;
    EXPECT_GT(std::filesystem::file_size(path), 10000u);
}

// The committed files are the generator's output: a change to the drawing code that was not
// followed by a regeneration shows up here. Type is left out, because the glyphs come from the
// host's FreeType and fonts.
TEST(SkinArtSheet, CommittedBitmapsAreWhatTheGeneratorDraws) {
    for (const skinart::BitmapFormat& format : skinart::BitmapFormats()) {
        if (format.id == 138 || format.id == 139 || format.id == 187 || format.id == 188) {
            continue;
        }
        const unsigned char* data = nullptr;
        size_t size = 0;
        ASSERT_TRUE(FindBitmapResource(format.id, &data, &size)) << format.id;
        std::vector<uint8_t> drawn = skinart::RenderBitmap(format.id);
        ASSERT_EQ(drawn.size(), size) << "bitmap " << format.id;
        EXPECT_EQ(std::memcmp(drawn.data(), data, size), 0)
            << "bitmap " << format.id << " differs from the generator's output; run kelto-skinart";
    }
}

} // namespace
