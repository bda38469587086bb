#include "skin/AnimationPixels.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace skin {

Frame MakeWhiteFrame() {
    return Frame(kFramePixels, kFrameWhite);
}

void FillFrame(uint32_t* frame, uint32_t pixel) {
    std::fill(frame, frame + kFramePixels, pixel);
}

std::string FormatSize(uint32_t n) {
    char text[32];
    if (n > 1048576) {
        std::snprintf(text, sizeof text, "%.2fMB", n / 1048576.0);
    } else if (n > 1024) {
        std::snprintf(text, sizeof text, "%.2fKB", n / 1024.0);
    } else {
        std::snprintf(text, sizeof text, "%dByte", static_cast<int>(n));
    }
    return text;
}

std::wstring FormatSizeWide(uint32_t n) {
    std::string narrow = FormatSize(n);
    return std::wstring(narrow.begin(), narrow.end());
}

uint32_t Blend(uint32_t a, uint32_t b, float t) {
    uint32_t result = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        int channelA = static_cast<int>((a >> shift) & 0xFF);
        int channelB = static_cast<int>((b >> shift) & 0xFF);
        // The weighted a is a single-precision product; the rest is computed in double.
        float weightedA = static_cast<float>(channelA) * t;
        int mixed = static_cast<int>((1.0 - t) * channelB + weightedA);
        result |= (static_cast<uint32_t>(mixed) & 0xFF) << shift;
    }
    return result;
}

namespace {

// Copies image columns [left, right) and rows [top, bottom) to frame (x + column, y + row),
// clipped to both; with keyed, white words are skipped.
void CopyRect(uint32_t* frame, const BMData& image, int32_t x, int32_t y, int32_t left, int32_t top,
              int32_t right, int32_t bottom, bool keyed) {
    const uint32_t* pixels = image.Pixels();
    if (pixels == nullptr) {
        return;
    }
    left = std::max({left, 0, -x});
    top = std::max({top, 0, -y});
    right = std::min({right, image.Width(), kFrameWidth - x});
    bottom = std::min({bottom, image.Height(), kFrameHeight - y});
    for (int32_t row = top; row < bottom; ++row) {
        const uint32_t* source = pixels + static_cast<size_t>(row) * image.Width();
        uint32_t* target = frame + static_cast<size_t>(y + row) * kFrameWidth + x;
        for (int32_t column = left; column < right; ++column) {
            if (!keyed || !IsWhitePixel(source[column])) {
                target[column] = source[column];
            }
        }
    }
}

} // namespace

void CopyImageKeyed(uint32_t* frame, const BMData& image, int32_t x, int32_t y) {
    CopyRect(frame, image, x, y, 0, 0, image.Width(), image.Height(), true);
}

void CopyImage(uint32_t* frame, const BMData& image, int32_t x, int32_t y) {
    CopyRect(frame, image, x, y, 0, 0, image.Width(), image.Height(), false);
}

void CopyImagePart(uint32_t* frame, const BMData& image, int32_t x, int32_t y, int32_t left,
                   int32_t top, int32_t right, int32_t bottom) {
    CopyRect(frame, image, x, y, left, top, right, bottom, false);
}

void DrawLogoSweep(uint32_t* frame, int32_t percent, const BMData& logo, const BMData& ringedLogo) {
    // R is half the ringed logo's height plus one, so 2R reaches one column past the 311-pixel
    // images; that column lies outside them and is skipped.
    constexpr int32_t R = kEmblemSize / 2 + 1;
    constexpr double kPi = 3.14159265;
    const int32_t quarter = percent / 25;
    FillFrame(frame, kFrameWhite);
    CopyImageKeyed(frame, quarter < 2 ? logo : ringedLogo, kEmblemX, kEmblemY);

    double turned = 0;
    switch (quarter) {
    case 0:
        turned = percent;
        break;
    case 1:
        turned = percent - 25;
        break;
    case 2:
        turned = 75 - percent;
        break;
    default:
        turned = 100 - percent;
        break;
    }
    const float theta = static_cast<float>(turned * 2 * kPi / 100);
    const int32_t A = static_cast<int32_t>(std::cos(theta) * static_cast<float>(R));
    const int32_t S = static_cast<int32_t>(std::sin(theta) * static_cast<float>(R));
    const int32_t N = R - A;
    auto copy = [&](const BMData& image, int32_t left, int32_t right, int32_t top, int32_t bottom) {
        CopyImagePart(frame, image, kEmblemX, kEmblemY, left, top, right, bottom);
    };
    switch (quarter) {
    case 0:
        copy(ringedLogo, R - S, R, 2 * R - N - 1, 2 * R - 1);
        break;
    case 1:
        copy(ringedLogo, 0, N, R - S - 1, R - 1);
        copy(ringedLogo, 0, R, R - 1, 2 * R - 1);
        break;
    case 2:
        copy(logo, 2 * R - N, 2 * R, R - S, R);
        copy(logo, R, 2 * R, R - 1, 2 * R - 1);
        break;
    case 3:
        copy(logo, R, R + S, 2 * R - N - 1, 2 * R - 1);
        break;
    default:
        CopyImageKeyed(frame, ringedLogo, kEmblemX, kEmblemY);
        copy(logo, R, R + S, 2 * R - N - 1, 2 * R - 1);
        break;
    }
}

} // namespace skin
