#pragma once

#include <cstdint>
#include <vector>

// The installer's skin artwork, drawn from code: every bitmap the skin addresses by id, at the
// exact pixel size and bit depth it is shown in, and the window icon.
namespace skinart {

struct BitmapFormat {
    int id;
    int width;
    int height;
    int bitsPerPixel; // 24 or 32
};

// Every bitmap the generator draws, in a stable order.
const std::vector<BitmapFormat>& BitmapFormats();

// The BMP file of one bitmap; empty for an unknown id or when a font the bitmap needs is missing.
std::vector<uint8_t> RenderBitmap(int id);

// The window icon (resource 107) as a PNG file; empty on failure.
constexpr int kIconId = 107;
std::vector<uint8_t> RenderIcon();

} // namespace skinart
