// Skin bitmaps and geometry without fonts: loading by id, BMData's replacement rules, the colour
// key, CommonRect, and the embedded bitmap set.
#include "skin/SkinBitmap.h"

#include <map>
#include <vector>

#include <gtest/gtest.h>

#include "res/Resources.h"
#include "tests/skin/BmpBuilder.h"

namespace skin {
namespace {

// Bitmap resources made by the test: id -> BMP bytes.
class FakeResources {
public:
    FakeResources() {
        SetBitmapResourceFinderForTesting([this](int id, const unsigned char** data, size_t* size) {
            auto it = m_files.find(id);
            if (it == m_files.end()) {
                return false;
            }
            *data = it->second.data();
            *size = it->second.size();
            return true;
        });
    }
    ~FakeResources() { SetBitmapResourceFinderForTesting(nullptr); }
    void Add(int id, std::vector<uint8_t> bytes) { m_files[id] = std::move(bytes); }

private:
    std::map<int, std::vector<uint8_t>> m_files;
};

TEST(LoadSkinBitmap, LoadsByIdAndReturnsTheSameHandleEveryTime) {
    FakeResources resources;
    resources.Add(500, testing_bmp::SolidBmp(3, 2, 0x4A47B5));
    BitmapHandle a = LoadSkinBitmap(500);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Width(), 3);
    EXPECT_EQ(a->Pixel(2, 1), 0x4A47B5u);
    EXPECT_EQ(LoadSkinBitmap(500), a);
    EXPECT_EQ(LoadSkinBitmap(501), nullptr);
    resources.Add(502, {'B', 'M', 0, 0});
    EXPECT_EQ(LoadSkinBitmap(502), nullptr); // a damaged resource loads as missing
}

TEST(BMData, NeverLoadedHoldsNothing) {
    BMData data;
    EXPECT_EQ(data.Width(), 0);
    EXPECT_EQ(data.Height(), 0);
    EXPECT_EQ(data.Pixels(), nullptr);
    EXPECT_EQ(data.Bitmap(), nullptr);
    // What a compositing loop over it does: nothing.
    int visited = 0;
    for (int y = 0; y < data.Height(); ++y) {
        for (int x = 0; x < data.Width(); ++x) {
            ++visited;
        }
    }
    EXPECT_EQ(visited, 0);
}

TEST(BMData, LoadReadsPixelsTopDownAsRedGreenBlueWords) {
    FakeResources resources;
    // Bottom-up file rows; the array runs from the top.
    resources.Add(600, testing_bmp::MakeBmp(2, 2, 24, [](int x, int y) {
                      return y == 0 ? (x == 0 ? 0x112233u : 0x445566u) : 0x778899u;
                  }));
    BMData data;
    ASSERT_TRUE(data.Load(600));
    EXPECT_EQ(data.Width(), 2);
    EXPECT_EQ(data.Height(), 2);
    EXPECT_EQ(data.Pixels()[0], 0x112233u);
    EXPECT_EQ(data.Pixels()[1], 0x445566u);
    EXPECT_EQ(data.Pixels()[0 + 1 * 2], 0x778899u);
    // Bytes in memory: blue, green, red, unused.
    const auto* bytes = reinterpret_cast<const uint8_t*>(data.Pixels());
    EXPECT_EQ(bytes[0], 0x33);
    EXPECT_EQ(bytes[2], 0x11);
    EXPECT_EQ(bytes[3], 0x00);
}

TEST(BMData, LoadingTwiceKeepsOnlyTheSecondImage) {
    FakeResources resources;
    resources.Add(601, testing_bmp::SolidBmp(4, 3, 0xFF0000));
    resources.Add(602, testing_bmp::SolidBmp(2, 5, 0x0000FF, 32));
    BMData data;
    ASSERT_TRUE(data.Load(601));
    const platform::Bitmap* first = data.Bitmap();
    ASSERT_TRUE(data.Load(602));
    EXPECT_NE(data.Bitmap(), nullptr);
    EXPECT_EQ(data.Width(), 2);
    EXPECT_EQ(data.Height(), 5);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(data.Pixels()[i], 0x0000FFu) << i;
    }
    EXPECT_EQ(data.Bitmap()->Width(), 2);
    (void)first; // released by the second load; AddressSanitizer reports any use of it
}

TEST(BMData, AMissingResourceReleasesTheBitmapButKeepsTheOldPixels) {
    FakeResources resources;
    resources.Add(603, testing_bmp::SolidBmp(2, 2, 0x00FF00));
    BMData data;
    ASSERT_TRUE(data.Load(603));
    EXPECT_FALSE(data.Load(9999));
    EXPECT_EQ(data.Bitmap(), nullptr);
    EXPECT_EQ(data.Width(), 2);
    ASSERT_NE(data.Pixels(), nullptr);
    EXPECT_EQ(data.Pixels()[3], 0x00FF00u);
}

TEST(ColourKey, OnlyTheExactWhiteWordIsKeyed) {
    FakeResources resources;
    const uint32_t row[] = {0xFFFFFF, 0xFEFFFF, 0xFFFFFE, 0xFFFEFF, 0x000000};
    resources.Add(604, testing_bmp::MakeBmp(5, 1, 24, [&](int x, int) { return row[x]; }));
    BMData logo;
    ASSERT_TRUE(logo.Load(604));
    // Compose the logo over a grey frame the way the animations do: white is skipped.
    std::vector<uint32_t> frame(5, 0x808080);
    for (int x = 0; x < logo.Width(); ++x) {
        uint32_t word = logo.Pixels()[x];
        if (!IsWhitePixel(word)) {
            frame[x] = word & 0xFFFFFF;
        }
    }
    EXPECT_EQ(frame[0], 0x808080u); // exactly white: keyed out
    EXPECT_EQ(frame[1], 0xFEFFFFu); // near-white: copied
    EXPECT_EQ(frame[2], 0xFFFFFEu);
    EXPECT_EQ(frame[3], 0xFFFEFFu);
    EXPECT_EQ(frame[4], 0x000000u);
}

TEST(CommonRect, ConstructorAndRecalcKeepWidthAndHeight) {
    CommonRect r(161, 354, 461, 389);
    EXPECT_EQ(r.width, 300);
    EXPECT_EQ(r.height, 35);
    r.left = 322;
    r.right = 592;
    EXPECT_EQ(r.width, 300); // until Recalc
    r.Recalc();
    EXPECT_EQ(r.width, 270);
}

TEST(CommonRect, DeflateMovesEveryEdgeInwardsButNotPastTheWindowsEdge) {
    struct Case {
        CommonRect in;
        int n;
        int left, top, right, bottom, width, height;
    };
    const Case cases[] = {
        {CommonRect(10, 20, 110, 60), 2, 12, 22, 108, 58, 96, 36},
        // At the window's edge left and top stay 0, so the inner rectangle is narrower by n.
        {CommonRect(0, 0, 100, 40), 3, 0, 0, 97, 37, 97, 37},
        {CommonRect(0, 10, 100, 40), 1, 0, 11, 99, 39, 99, 28},
        {CommonRect(5, 5, 50, 50), 0, 5, 5, 50, 50, 45, 45},
        // Growing outwards stops at the window's edge.
        {CommonRect(3, 3, 50, 50), -5, 0, 0, 55, 55, 55, 55},
    };
    for (const Case& c : cases) {
        CommonRect r = c.in;
        r.Deflate(c.n);
        EXPECT_EQ(r.left, c.left) << c.in.left << " " << c.n;
        EXPECT_EQ(r.top, c.top);
        EXPECT_EQ(r.right, c.right);
        EXPECT_EQ(r.bottom, c.bottom);
        EXPECT_EQ(r.width, c.width);
        EXPECT_EQ(r.height, c.height);
    }
}

TEST(EmbeddedBitmaps, EveryIdOfTheSetLoadsAtItsSizeAndDepth) {
    struct Entry {
        std::vector<int> ids;
        int width, height, bits;
    };
    const Entry set[] = {
        {{190, 132, 183, 182}, 311, 311, 24},
        {{185}, 622, 405, 24},
        {{138, 139}, 224, 38, 24},
        {{187, 188}, 259, 38, 24},
        {{140, 143, 142, 148, 144, 147, 146, 149, 151, 150, 179, 178, 180}, 17, 21, 24},
        {{157, 158, 159, 160}, 14, 14, 24},
        {{165, 166, 167, 168}, 13, 7, 24},
        {{169, 170, 171}, 26, 26, 32},
        {{176, 174, 177, 161, 163, 162}, 100, 32, 24},
        {{175}, 30, 30, 24},
        {{184}, 9, 9, 24},
        {{135, 153}, 622, 1, 24},
        {{154}, 342, 228, 32},
        {{155, 156}, 602, 10, 24},
    };
    for (const Entry& e : set) {
        for (int id : e.ids) {
            BitmapHandle b = LoadSkinBitmap(id);
            ASSERT_NE(b, nullptr) << id;
            EXPECT_EQ(b->Width(), e.width) << id;
            EXPECT_EQ(b->Height(), e.height) << id;
            const unsigned char* data = nullptr;
            size_t size = 0;
            ASSERT_TRUE(FindBitmapResource(id, &data, &size));
            EXPECT_EQ(data[28] | (data[29] << 8), e.bits) << id;
        }
    }
    EXPECT_EQ(LoadSkinBitmap(131), nullptr);
}

} // namespace
} // namespace skin
