#include "tools/skinart/ImageFiles.h"

#include "platform/Gdi.h"

#include <cstdio>
#include <memory>

namespace skinart {

namespace {

void PutU16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    PutU16(out, v & 0xFFFF);
    PutU16(out, v >> 16);
}

} // namespace

std::vector<uint8_t> EncodeBmp(const Canvas& canvas, int bitsPerPixel) {
    const uint32_t width = canvas.Width(), height = canvas.Height();
    const uint32_t bytesPerPixel = bitsPerPixel / 8;
    const uint32_t stride = (width * bytesPerPixel + 3) & ~3u;
    const uint32_t headerSize = 14 + 40;
    const uint32_t imageSize = stride * height;

    std::vector<uint8_t> out;
    out.reserve(headerSize + imageSize);
    out.push_back('B');
    out.push_back('M');
    PutU32(out, headerSize + imageSize);
    PutU32(out, 0); // two reserved words
    PutU32(out, headerSize);
    PutU32(out, 40);
    PutU32(out, width);
    PutU32(out, height); // positive: rows stored bottom-up
    PutU16(out, 1);
    PutU16(out, bitsPerPixel);
    PutU32(out, 0); // uncompressed
    PutU32(out, imageSize);
    PutU32(out, 2835); // 72 dots per inch, in pixels per metre
    PutU32(out, 2835);
    PutU32(out, 0);
    PutU32(out, 0);
    for (uint32_t row = 0; row < height; ++row) {
        int y = static_cast<int>(height - 1 - row);
        size_t start = out.size();
        for (uint32_t x = 0; x < width; ++x) {
            uint8_t r, g, b;
            canvas.Quantise(static_cast<int>(x), y, &r, &g, &b);
            out.push_back(b);
            out.push_back(g);
            out.push_back(r);
            if (bytesPerPixel == 4) {
                out.push_back(0);
            }
        }
        out.resize(start + stride, 0);
    }
    return out;
}

std::vector<uint8_t> EncodePng(const Canvas& canvas) {
    const int width = canvas.Width(), height = canvas.Height();
    std::vector<uint8_t> rows(static_cast<size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Canvas::Pixel& p = canvas.At(x, y);
            uint8_t* q = &rows[(static_cast<size_t>(y) * width + x) * 4];
            float a = Clamp01(p.a);
            auto level = [](float v) {
                return static_cast<uint8_t>(std::lround(Clamp01(v) * 255.0f));
            };
            q[0] = a > 0 ? level(p.r / a) : 0;
            q[1] = a > 0 ? level(p.g / a) : 0;
            q[2] = a > 0 ? level(p.b / a) : 0;
            q[3] = level(a);
        }
    }
    return platform::EncodePng({rows.data(), width, height, 4}, 9);
}

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) {
        return false;
    }
    return std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size() &&
           std::fflush(file.get()) == 0;
}

} // namespace skinart
