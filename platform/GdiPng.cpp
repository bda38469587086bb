// PNG files of bitmaps, through libpng. libpng reports errors by a long jump back to the caller's
// setjmp; every call that may jump runs in a function that holds nothing with a destructor, so
// that a jump skips no C++ destructor, and every buffer is owned outside those functions, so that
// a bad file leaks nothing.
#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <png.h>

#include "platform/Descriptor.h"
#include "platform/Gdi.h"

namespace platform {
namespace {

// The most pixels a decoded image may have (64 MiB of pixels).
constexpr int64_t kMaxPngPixels = 16 * 1024 * 1024;

// libpng's reports: a damaged file is an ordinary outcome (null, false), not a message.
void OnPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

// A libpng read or write structure with its info structure.
template <bool kWriting>
class PngStructs {
public:
    PngStructs() {
        m_png =
            kWriting
                ? png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning)
                : png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
        m_info = m_png ? png_create_info_struct(m_png) : nullptr;
    }
    ~PngStructs() {
        if constexpr (kWriting) {
            png_destroy_write_struct(&m_png, &m_info);
        } else {
            png_destroy_read_struct(&m_png, &m_info, nullptr);
        }
    }
    PngStructs(const PngStructs&) = delete;
    PngStructs& operator=(const PngStructs&) = delete;
    bool Ok() const { return m_png != nullptr && m_info != nullptr; }
    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};
using PngRead = PngStructs<false>;
using PngWrite = PngStructs<true>;

struct PngSource {
    const uint8_t* data;
    size_t size;
    size_t offset;
};

void ReadPngBytes(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    if (source->size - source->offset < count) {
        png_error(png, "truncated");
    }
    std::memcpy(out, source->data + source->offset, count);
    source->offset += count;
}

// Reads the header and sets the transforms to 8-bit RGBA; false on a libpng error or a row
// layout other than four bytes a pixel. Holds nothing with a destructor (see above).
bool ReadPngHeader(png_structp png, png_infop info, PngSource* source, uint32_t* width,
                   uint32_t* height) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_read_fn(png, source, ReadPngBytes);
    png_read_info(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xFF, PNG_FILLER_AFTER);
    png_read_update_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    return png_get_rowbytes(png, info) == static_cast<size_t>(*width) * 4;
}

// Reads height rows of width RGBA pixels into rgba; false on a libpng error (a truncated or
// damaged file). Holds nothing with a destructor.
bool ReadPngRows(png_structp png, uint8_t* rgba, uint32_t width, uint32_t height) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    for (uint32_t y = 0; y < height; ++y) {
        png_read_row(png, rgba + static_cast<size_t>(y) * width * 4, nullptr);
    }
    return true;
}

void AppendPngBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void FlushNothing(png_structp) {}

// Writes the image's rows as PNG bytes appended to out; false on a libpng error. Holds nothing
// with a destructor.
bool WritePngRows(png_structp png, png_infop info, const PngPixels& image, int level,
                  std::vector<uint8_t>* out) {
    if (setjmp(png_jmpbuf(png)) != 0) {
        return false;
    }
    png_set_write_fn(png, out, AppendPngBytes, FlushNothing);
    png_set_IHDR(png, info, image.width, image.height, 8,
                 image.channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (level >= 0) {
        png_set_compression_level(png, level);
    }
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(image.width) * image.channels;
    for (int32_t y = 0; y < image.height; ++y) {
        png_write_row(png, image.pixels + y * stride);
    }
    png_write_end(png, info);
    return true;
}

} // namespace

std::vector<uint8_t> EncodePng(const PngPixels& image, int level) {
    if (image.pixels == nullptr || image.width <= 0 || image.height <= 0 ||
        (image.channels != 3 && image.channels != 4)) {
        return {};
    }
    PngWrite writer;
    std::vector<uint8_t> out;
    if (!writer.Ok() || !WritePngRows(writer.Png(), writer.Info(), image, level, &out)) {
        return {};
    }
    return out;
}

bool SaveBitmapAsPng(const Bitmap& bitmap, const char* path) {
    std::vector<uint8_t> rgb(static_cast<size_t>(std::max(bitmap.Width(), 0)) *
                             std::max(bitmap.Height(), 0) * 3);
    uint8_t* q = rgb.data();
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        for (int32_t x = 0; x < bitmap.Width(); ++x, q += 3) {
            const uint32_t p = bitmap.Pixel(x, y);
            q[0] = static_cast<uint8_t>(p >> 16);
            q[1] = static_cast<uint8_t>(p >> 8);
            q[2] = static_cast<uint8_t>(p);
        }
    }
    const std::vector<uint8_t> bytes = EncodePng({rgb.data(), bitmap.Width(), bitmap.Height(), 3});
    FilePtr file(bytes.empty() ? nullptr : std::fopen(path, "wbe"));
    if (file == nullptr) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

std::unique_ptr<Bitmap> DecodePng(const uint8_t* data, size_t size, std::vector<uint8_t>* alpha) {
    if (data == nullptr || size < 8 || png_sig_cmp(data, 0, 8) != 0) {
        return nullptr;
    }
    PngRead reader;
    PngSource source{data, size, 0};
    uint32_t w = 0;
    uint32_t h = 0;
    if (!reader.Ok() || !ReadPngHeader(reader.Png(), reader.Info(), &source, &w, &h) || w == 0 ||
        h == 0 || static_cast<int64_t>(w) * h > kMaxPngPixels) {
        return nullptr;
    }
    std::vector<uint8_t> rgba(static_cast<size_t>(w) * h * 4);
    if (!ReadPngRows(reader.Png(), rgba.data(), w, h)) {
        return nullptr;
    }
    auto bitmap = std::make_unique<Bitmap>(static_cast<int32_t>(w), static_cast<int32_t>(h));
    if (alpha != nullptr) {
        alpha->assign(static_cast<size_t>(w) * h, 0xFF);
    }
    for (uint32_t y = 0; y < h; ++y) {
        for (uint32_t x = 0; x < w; ++x) {
            size_t at = static_cast<size_t>(y) * w + x;
            const uint8_t* p = rgba.data() + at * 4;
            bitmap->SetPixel(static_cast<int32_t>(x), static_cast<int32_t>(y),
                             (static_cast<uint32_t>(p[0]) << 16) |
                                 (static_cast<uint32_t>(p[1]) << 8) | p[2]);
            if (alpha != nullptr) {
                (*alpha)[at] = p[3];
            }
        }
    }
    return bitmap;
}

std::unique_ptr<Bitmap> LoadPng(const char* path) {
    FilePtr file(std::fopen(path, "rbe"));
    if (file == nullptr) {
        return nullptr;
    }
    std::vector<uint8_t> bytes;
    uint8_t buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return DecodePng(bytes.data(), bytes.size());
}

} // namespace platform
