#include "res/Resources.h"

#include "tests/res/BmpImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace {

struct Expected {
    int id;
    int width;
    int height;
    int bitsPerPixel;
};

// The skin's bitmap set: every id the windows address, at the size and depth it is shown in.
const Expected kBitmapSet[] = {
    {190, 311, 311, 24}, {132, 311, 311, 24}, {183, 311, 311, 24}, {182, 311, 311, 24},
    {185, 622, 405, 24}, {138, 224, 38, 24},  {139, 224, 38, 24},  {187, 259, 38, 24},
    {188, 259, 38, 24},  {140, 17, 21, 24},   {143, 17, 21, 24},   {142, 17, 21, 24},
    {148, 17, 21, 24},   {144, 17, 21, 24},   {147, 17, 21, 24},   {146, 17, 21, 24},
    {149, 17, 21, 24},   {151, 17, 21, 24},   {150, 17, 21, 24},   {157, 14, 14, 24},
    {158, 14, 14, 24},   {159, 14, 14, 24},   {160, 14, 14, 24},   {165, 13, 7, 24},
    {166, 13, 7, 24},    {167, 13, 7, 24},    {168, 13, 7, 24},    {169, 26, 26, 32},
    {170, 26, 26, 32},   {171, 26, 26, 32},   {176, 100, 32, 24},  {174, 100, 32, 24},
    {177, 100, 32, 24},  {179, 17, 21, 24},   {178, 17, 21, 24},   {180, 17, 21, 24},
    {175, 30, 30, 24},   {184, 9, 9, 24},     {135, 622, 1, 24},   {153, 622, 1, 24},
    {154, 342, 228, 32}, {155, 602, 10, 24},  {156, 602, 10, 24},  {161, 100, 32, 24},
    {163, 100, 32, 24},  {162, 100, 32, 24},
};

constexpr uint32_t kWhite = 0x00FFFFFF;

BmpImage Load(int id) {
    const unsigned char* data = nullptr;
    size_t size = 0;
    BmpImage image;
    std::string error;
    if (!FindBitmapResource(id, &data, &size)) {
        ADD_FAILURE() << "bitmap " << id << " missing";
        return image;
    }
    if (!DecodeBmp(data, size, &image, &error)) {
        ADD_FAILURE() << "bitmap " << id << ": " << error;
    }
    return image;
}

int Red(uint32_t v) {
    return (v >> 16) & 0xFF;
}
int Green(uint32_t v) {
    return (v >> 8) & 0xFF;
}
int Blue(uint32_t v) {
    return v & 0xFF;
}

int ChannelDistance(uint32_t a, uint32_t b) {
    return std::max(
        {std::abs(Red(a) - Red(b)), std::abs(Green(a) - Green(b)), std::abs(Blue(a) - Blue(b))});
}

uint32_t DominantColour(const BmpImage& image) {
    std::map<uint32_t, int> counts;
    for (uint32_t v : image.pixels) {
        ++counts[v];
    }
    return std::max_element(counts.begin(), counts.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}

TEST(SkinResources, EveryBitmapOfTheSetIsAWellFormedBmpOfItsSizeAndDepth) {
    for (const Expected& expected : kBitmapSet) {
        SCOPED_TRACE("bitmap " + std::to_string(expected.id));
        const unsigned char* data = nullptr;
        size_t size = 0;
        ASSERT_TRUE(FindBitmapResource(expected.id, &data, &size));
        ASSERT_NE(data, nullptr);
        BmpImage image;
        std::string error;
        ASSERT_TRUE(DecodeBmp(data, size, &image, &error)) << error;
        EXPECT_EQ(image.width, expected.width);
        EXPECT_EQ(image.height, expected.height);
        EXPECT_EQ(image.bitsPerPixel, expected.bitsPerPixel);
        // Nothing but the two headers and the padded rows.
        const size_t stride = (expected.width * expected.bitsPerPixel / 8 + 3) & ~size_t{3};
        EXPECT_EQ(size, 54 + stride * expected.height);
    }
}

TEST(SkinResources, IdsOutsideTheSetAreUnknown) {
    for (int id : {0,   -1,  107, 130, 131, 133, 134, 136, 137, 141,
                   145, 152, 164, 172, 173, 181, 186, 189, 191, 1500}) {
        const unsigned char* data = reinterpret_cast<const unsigned char*>("untouched");
        size_t size = 12345;
        EXPECT_FALSE(FindBitmapResource(id, &data, &size)) << id;
        EXPECT_EQ(size, 12345u) << "a failed lookup leaves the outputs alone";
    }
    EXPECT_TRUE(FindBitmapResource(190, nullptr, nullptr)) << "a presence query needs no outputs";
}

TEST(SkinResources, TheIconIsAnRgbaPng) {
    const unsigned char* data = nullptr;
    size_t size = 0;
    ASSERT_TRUE(FindIconResource(107, &data, &size));
    ASSERT_GT(size, 33u);
    const unsigned char signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ASSERT_EQ(std::memcmp(data, signature, 8), 0);
    ASSERT_EQ(std::memcmp(data + 12, "IHDR", 4), 0);
    auto be32 = [](const unsigned char* p) {
        return (uint32_t{p[0]} << 24) | (p[1] << 16) | (p[2] << 8) | p[3];
    };
    EXPECT_GE(be32(data + 16), 32u);
    EXPECT_EQ(be32(data + 16), be32(data + 20)) << "square";
    EXPECT_EQ(data[24], 8) << "8 bits per channel";
    EXPECT_EQ(data[25], 6) << "RGBA";
    EXPECT_FALSE(FindIconResource(108, &data, &size));
    EXPECT_FALSE(FindIconResource(190, &data, &size));
}

TEST(SkinResources, CopiesAreIdenticalToTheirOriginals) {
    const std::pair<int, int> copies[] = {
        {139, 138}, {188, 187}, {161, 177}, {163, 176}, {162, 174}};
    for (auto [copy, original] : copies) {
        EXPECT_EQ(Load(copy).pixels, Load(original).pixels) << copy << " copies " << original;
    }
}

TEST(SkinResources, FlatFacesHaveTheirColours) {
    const std::pair<int, uint32_t> faces[] = {
        {140, 0xFFFFFF}, {143, 0xFF2957}, {142, 0xE00937}, {148, 0xFFFFFF}, {144, 0xFFFFFF},
        {147, 0xF0F0F0}, {146, 0xE2E2E2}, {149, 0xFFFFFF}, {151, 0xF0F0F0}, {150, 0xE2E2E2},
        {159, 0x198CE5}, {160, 0x319DF1}, {176, 0x4A47B5}, {174, 0x5D5AC1}, {177, 0x363395},
        {179, 0x4E4BB6}, {178, 0x4169DD}, {180, 0x2554DE}, {156, 0xD7D7D7}, {153, 0xFFFFFF},
        {165, 0xF7FBFD}, {166, 0xF7FBFD}, {184, 0x4A47B5}, {175, 0xFFFFFF}, {138, 0xFFFFFF},
    };
    for (auto [id, colour] : faces) {
        EXPECT_EQ(DominantColour(Load(id)), colour) << "bitmap " << id;
    }
}

TEST(SkinResources, WindowButtonsCarryTheirGlyphInTheMiddle) {
    // Grey glyphs on light faces: the centre pixel is clearly darker than the face.
    for (int id : {140, 148, 144, 147, 146, 149, 151, 150}) {
        BmpImage image = Load(id);
        uint32_t face = DominantColour(image);
        uint32_t centre = image.At(8, 10);
        EXPECT_LT(Green(centre) + 40, Green(face)) << "bitmap " << id;
        EXPECT_LE(ChannelDistance(centre, (Green(centre) * 0x010101u)), 16) << "grey, " << id;
    }
    // White crosses on coloured faces.
    for (int id : {143, 142, 179, 178, 180}) {
        BmpImage image = Load(id);
        EXPECT_LE(ChannelDistance(image.At(8, 10), kWhite), 12) << "bitmap " << id;
    }
}

TEST(SkinResources, GradientLineRunsFromPurpleToPink) {
    BmpImage image = Load(155);
    for (int y = 0; y < image.height; ++y) {
        EXPECT_LE(ChannelDistance(image.At(0, y), 0x4A47B5), 2);
        EXPECT_LE(ChannelDistance(image.At(image.width - 1, y), 0xFA3DC8), 2);
    }
    BmpImage line = Load(135);
    EXPECT_GT(ChannelDistance(line.At(0, 0), line.At(line.width - 1, 0)), 100)
        << "a multicolour line";
}

// The emblems are composited with white as the colour key: their surroundings must be exactly
// white, and nothing inside the logo may be, or the key would punch holes into it.
TEST(SkinResources, EmblemsAreKeyedOnExactWhiteOnly) {
    for (int id : {190, 132, 183, 182}) {
        SCOPED_TRACE("bitmap " + std::to_string(id));
        BmpImage image = Load(id);
        ASSERT_EQ(image.width, 311);
        for (auto [x, y] : {std::pair{0, 0}, {310, 0}, {0, 310}, {310, 310}, {155, 0}, {0, 155}}) {
            EXPECT_EQ(image.At(x, y), kWhite) << x << ", " << y;
        }
        int inked = 0, holes = 0;
        for (int y = 0; y < 311; ++y) {
            for (int x = 0; x < 311; ++x) {
                uint32_t v = image.At(x, y);
                inked += v != kWhite;
                if (std::hypot(x - 155, y - 155) < 100 && v == kWhite) {
                    ++holes;
                }
            }
        }
        EXPECT_EQ(holes, 0);
        EXPECT_GT(inked, 311 * 311 / 3) << "the logo fills the emblem";
    }
}

TEST(SkinResources, EmblemFormsDifferAsTheirRolesNeed) {
    BmpImage plain = Load(190), bare = Load(132), ringed = Load(183), grey = Load(182);
    int shadowOnly = 0, bareOnly = 0, ringPixels = 0, plainRing = 0;
    for (int y = 0; y < 311; ++y) {
        for (int x = 0; x < 311; ++x) {
            shadowOnly += bare.At(x, y) == kWhite && plain.At(x, y) != kWhite;
            bareOnly += bare.At(x, y) != kWhite && plain.At(x, y) == kWhite;
            auto saturated = [](uint32_t v) {
                return std::max({Red(v), Green(v), Blue(v)}) -
                           std::min({Red(v), Green(v), Blue(v)}) >
                       60;
            };
            if (std::hypot(x - 155, y - 155) > 135) {
                ringPixels += saturated(ringed.At(x, y));
                plainRing += saturated(plain.At(x, y));
            }
            uint32_t g = grey.At(x, y);
            ASSERT_TRUE(Red(g) == Green(g) && Green(g) == Blue(g)) << "grey at " << x << ", " << y;
            ASSERT_GE(Red(g), 0xA0) << "pale at " << x << ", " << y;
        }
    }
    EXPECT_GT(shadowOnly, 1000) << "the plain logo has a shadow the bare one lacks";
    EXPECT_EQ(bareOnly, 0);
    EXPECT_GT(ringPixels, 1500) << "the ringed logo has its ring";
    EXPECT_EQ(plainRing, 0);
}

TEST(SkinResources, BackgroundPictureHandsOverToTheEmblem) {
    BmpImage background = Load(185), emblem = Load(190);
    // The logo sits where the setup window draws its emblem (156, 22), pixel for pixel.
    for (int y = 0; y < 311; ++y) {
        for (int x = 0; x < 311; ++x) {
            if (std::hypot(x - 155, y - 155) < 100) {
                ASSERT_EQ(background.At(156 + x, 22 + y), emblem.At(x, y)) << x << ", " << y;
            }
        }
    }
    // The finish page draws its white close and minimise buttons on the top-right corner.
    for (int y = 0; y < 21; ++y) {
        for (int x = 580; x < 617; ++x) {
            ASSERT_EQ(background.At(x, y), kWhite) << x << ", " << y;
        }
    }
    int tinted = 0;
    for (uint32_t v : background.pixels) {
        tinted += ChannelDistance(v, kWhite) > 12;
    }
    EXPECT_GT(tinted, 622 * 405 / 3) << "soft coloured shapes around the logo";
}

TEST(SkinResources, TitleIsGreyType) {
    BmpImage title = Load(138);
    int ink = 0;
    for (uint32_t v : title.pixels) {
        EXPECT_LE(ChannelDistance(v, Green(v) * 0x010101u), 2) << "grey";
        ink += Green(v) < 0xC0;
    }
    EXPECT_GT(ink, 150);
    BmpImage badged = Load(187);
    int badge = 0;
    for (int y = 0; y < badged.height; ++y) {
        for (int x = 224; x < badged.width; ++x) {
            badge += Green(badged.At(x, y)) < 0xD0;
        }
    }
    EXPECT_GT(badge, 60) << "the x64 badge beyond the plain title's width";
}

TEST(SkinResources, CheckBoxesShowTheirState) {
    auto whites = [](const BmpImage& image) {
        return std::count_if(image.pixels.begin(), image.pixels.end(),
                             [](uint32_t v) { return ChannelDistance(v, kWhite) < 16; });
    };
    for (int id : {157, 158}) {
        BmpImage box = Load(id);
        EXPECT_GT(whites(box), 90) << "empty box " << id;
        uint32_t frame = box.At(0, 7);
        EXPECT_GT(Blue(frame), Red(frame) + 20) << "blue frame " << id;
    }
    EXPECT_GT(Red(Load(157).At(0, 7)), Red(Load(158).At(0, 7))) << "hover frame is stronger";
    for (int id : {159, 160}) {
        BmpImage box = Load(id);
        EXPECT_GE(whites(box), 8) << "tick of " << id;
        EXPECT_LT(whites(box), 60) << "filled box " << id;
    }
}

} // namespace
