#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// A strict reader for the BMP files the resources carry, so that the tests check the headers the
// window system will parse and can look at the pixels.
struct BmpImage {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    // Pixel values 0x00RRGGBB, row by row from the top, x fastest.
    std::vector<uint32_t> pixels;

    uint32_t At(int x, int y) const { return pixels[x + y * width]; }
};

// Parses an uncompressed 24- or 32-bit bottom-up BMP file with a BITMAPINFOHEADER. On failure
// returns false and says why in *error.
bool DecodeBmp(const unsigned char* data, size_t size, BmpImage* image, std::string* error);

// Writes an 8-bit RGB PNG of pixel values 0x00RRGGBB; false on failure.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels);
