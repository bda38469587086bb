#include "tests/res/BmpImage.h"

#include "platform/Gdi.h"

namespace {

uint32_t U16(const unsigned char* p) {
    return p[0] | (p[1] << 8);
}

uint32_t U32(const unsigned char* p) {
    return U16(p) | (U16(p + 2) << 16);
}

bool Fail(std::string* error, const std::string& why) {
    *error = why;
    return false;
}

} // namespace

bool DecodeBmp(const unsigned char* data, size_t size, BmpImage* image, std::string* error) {
    if (size < 54) {
        return Fail(error, "shorter than the two headers");
    }
    if (data[0] != 'B' || data[1] != 'M') {
        return Fail(error, "no BM signature");
    }
    if (U32(data + 2) != size) {
        return Fail(error, "file size field " + std::to_string(U32(data + 2)) + " but " +
                               std::to_string(size) + " bytes");
    }
    if (U32(data + 6) != 0) {
        return Fail(error, "reserved words not zero");
    }
    const uint32_t offset = U32(data + 10);
    if (U32(data + 14) != 40) {
        return Fail(error, "info header is not a BITMAPINFOHEADER");
    }
    const int32_t width = static_cast<int32_t>(U32(data + 18));
    const int32_t height = static_cast<int32_t>(U32(data + 22));
    const uint32_t planes = U16(data + 26), bits = U16(data + 28), compression = U32(data + 30);
    if (width <= 0 || height <= 0) {
        return Fail(error, "not a bottom-up image of positive size");
    }
    if (planes != 1) {
        return Fail(error, "planes is not 1");
    }
    if (bits != 24 && bits != 32) {
        return Fail(error, "bit depth " + std::to_string(bits));
    }
    if (compression != 0) {
        return Fail(error, "compressed");
    }
    if (U32(data + 46) != 0) {
        return Fail(error, "has a colour table");
    }
    const uint64_t stride = (static_cast<uint64_t>(width) * (bits / 8) + 3) & ~3ull;
    const uint64_t imageSize = stride * height;
    if (offset < 54 || offset + imageSize > size) {
        return Fail(error, "pixel rows outside the file");
    }
    const uint32_t sizeField = U32(data + 34);
    if (sizeField != 0 && sizeField != imageSize) {
        return Fail(error, "image size field disagrees with the rows");
    }
    image->width = width;
    image->height = height;
    image->bitsPerPixel = static_cast<int>(bits);
    image->pixels.assign(static_cast<size_t>(width) * height, 0);
    for (int32_t y = 0; y < height; ++y) {
        const unsigned char* row = data + offset + stride * (height - 1 - y);
        for (int32_t x = 0; x < width; ++x) {
            const unsigned char* p = row + x * (bits / 8);
            image->pixels[x + static_cast<size_t>(y) * width] = p[0] | (p[1] << 8) | (p[2] << 16);
        }
    }
    return true;
}

bool WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels) {
    if (width <= 0 || height <= 0 || pixels.size() < static_cast<size_t>(width) * height) {
        return false;
    }
    platform::Bitmap bitmap(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bitmap.SetPixel(x, y, pixels[x + static_cast<size_t>(y) * width] & 0xFFFFFF);
        }
    }
    return platform::SaveBitmapAsPng(bitmap, path.c_str());
}
