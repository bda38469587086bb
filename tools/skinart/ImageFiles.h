#pragma once

#include "tools/skinart/Canvas.h"

#include <cstdint>
#include <string>
#include <vector>

namespace skinart {

// An uncompressed Windows BMP file of the canvas over white: BITMAPFILEHEADER, BITMAPINFOHEADER,
// 24 or 32 bits per pixel (the fourth byte of a 32-bit pixel is unused and written as 0),
// bottom-up rows padded to 4 bytes.
std::vector<uint8_t> EncodeBmp(const Canvas& canvas, int bitsPerPixel);

// An 8-bit RGBA PNG file of the canvas, alpha kept. Empty on failure.
std::vector<uint8_t> EncodePng(const Canvas& canvas);

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace skinart
