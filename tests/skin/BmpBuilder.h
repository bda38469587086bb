// Builds Windows BMP files in memory for tests: the bytes a bitmap resource holds.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace testing_bmp {

inline void PutU32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}
inline void PutU16(std::vector<uint8_t>& out, size_t at, uint16_t v) {
    out[at] = static_cast<uint8_t>(v);
    out[at + 1] = static_cast<uint8_t>(v >> 8);
}

// pixel(x, y) gives 0x00RRGGBB for row y counted from the top. 32-bit images store alpha 0xFF.
inline std::vector<uint8_t> MakeBmp(int width, int height, int bitCount,
                                    const std::function<uint32_t(int, int)>& pixel,
                                    bool topDown = false) {
    size_t stride = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
    size_t offset = 14 + 40;
    std::vector<uint8_t> out(offset + stride * height, 0);
    out[0] = 'B';
    out[1] = 'M';
    PutU32(out, 2, static_cast<uint32_t>(out.size()));
    PutU32(out, 10, static_cast<uint32_t>(offset));
    PutU32(out, 14, 40);
    PutU32(out, 18, static_cast<uint32_t>(width));
    PutU32(out, 22, static_cast<uint32_t>(topDown ? -height : height));
    PutU16(out, 26, 1);
    PutU16(out, 28, static_cast<uint16_t>(bitCount));
    PutU32(out, 34, static_cast<uint32_t>(stride * height));
    for (int y = 0; y < height; ++y) {
        int row = topDown ? y : height - 1 - y;
        for (int x = 0; x < width; ++x) {
            uint32_t p = pixel(x, y);
            size_t at = offset + stride * row + static_cast<size_t>(x) * (bitCount / 8);
            out[at] = static_cast<uint8_t>(p);
            out[at + 1] = static_cast<uint8_t>(p >> 8);
            out[at + 2] = static_cast<uint8_t>(p >> 16);
            if (bitCount == 32) {
                out[at + 3] = 0xFF;
            }
        }
    }
    return out;
}

inline std::vector<uint8_t> SolidBmp(int width, int height, uint32_t pixel, int bitCount = 24) {
    return MakeBmp(width, height, bitCount, [pixel](int, int) { return pixel; });
}

} // namespace testing_bmp
