// Drawing of the emulated machine: 32-bit bitmaps, device contexts over them, solid fills, bitmap
// copies and text. A device context is an off-screen canvas; a window's device context draws into
// the window's back canvas, and releasing it hands the finished frame to the window thread, which
// presents it. Nothing here calls the host's window system, so any thread may draw.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

namespace platform {

// Drawing colour 0x00BBGGRR (red in the lowest byte).
using ColorRef = uint32_t;
inline constexpr ColorRef Rgb(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<ColorRef>(r) | (static_cast<ColorRef>(g) << 8) |
           (static_cast<ColorRef>(b) << 16);
}
// Pixel value 0x00RRGGBB (blue in the lowest byte, as the bytes lie in memory: B, G, R, unused).
inline constexpr uint32_t PixelFromColorRef(ColorRef c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline constexpr ColorRef ColorRefFromPixel(uint32_t p) {
    return PixelFromColorRef(p);
}

struct Point {
    int32_t x = 0;
    int32_t y = 0;
};

// Left and top inside, right and bottom the first pixel outside.
struct Rect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t Width() const { return right - left; }
    int32_t Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int32_t x, int32_t y) const {
        return x >= left && x < right && y >= top && y < bottom;
    }
};
Rect IntersectRects(const Rect& a, const Rect& b);

// A 32-bit bitmap: pixel values 0x00RRGGBB, rows from the top, no padding. The unused byte is
// always 0. Bitmaps start black.
class Bitmap {
public:
    Bitmap(int32_t width, int32_t height);
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    uint32_t* Pixels() { return m_pixels.data(); }
    const uint32_t* Pixels() const { return m_pixels.data(); }
    uint32_t Pixel(int32_t x, int32_t y) const { return m_pixels[x + y * m_width]; }
    void SetPixel(int32_t x, int32_t y, uint32_t value) { m_pixels[x + y * m_width] = value; }
    // GetBitmapBits: copies up to byteCount bytes of the pixels in the display's format (blue,
    // green, red, unused per pixel; rows top to bottom); returns the bytes copied.
    size_t GetBits(void* out, size_t byteCount) const;
    // Replaces size and content; the new pixels are black.
    void Resize(int32_t width, int32_t height);
    std::unique_ptr<Bitmap> Clone() const;

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    std::vector<uint32_t> m_pixels;
};

// Decodes the bytes of an uncompressed Windows BMP file (file header, info header of 40 bytes or
// more, 24 or 32 bits per pixel, uncompressed or with the standard 32-bit masks, bottom-up or
// top-down rows). Returns null for anything else, including truncated or oversized input.
std::unique_ptr<Bitmap> DecodeBmp(const uint8_t* data, size_t size);

// Rows of 8-bit pixels, top row first: channels 3 (RGB) or 4 (RGBA, alpha not premultiplied).
struct PngPixels {
    const uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int channels = 3;
};
// The PNG file's bytes for the pixels, compressed at zlib level 0 to 9 (-1: libpng's default);
// empty on any failure.
std::vector<uint8_t> EncodePng(const PngPixels& image, int level = -1);
// Writes a bitmap as an 8-bit RGB PNG file; false on any failure.
bool SaveBitmapAsPng(const Bitmap& bitmap, const char* path);
// Decodes PNG bytes (any colour type libpng can expand); null on failure. The bitmap keeps no
// alpha; when alpha is given it receives one coverage byte per pixel (icons need it).
std::unique_ptr<Bitmap> DecodePng(const uint8_t* data, size_t size,
                                  std::vector<uint8_t>* alpha = nullptr);
// Reads a PNG file; null on failure. Used by tests and tools that compare frames.
std::unique_ptr<Bitmap> LoadPng(const char* path);

class Font;
class WindowSurface;

inline constexpr int kTransparent = 1;
inline constexpr int kOpaque = 2;

// Text format flags of DrawText: the set this program uses.
inline constexpr uint32_t kDtLeft = 0x0;
inline constexpr uint32_t kDtCenter = 0x1;
inline constexpr uint32_t kDtRight = 0x2;
inline constexpr uint32_t kDtVCenter = 0x4;
inline constexpr uint32_t kDtBottom = 0x8;
inline constexpr uint32_t kDtWordBreak = 0x10;
inline constexpr uint32_t kDtSingleLine = 0x20;
inline constexpr uint32_t kDtCalcRect = 0x400;
inline constexpr uint32_t kDtEditControl = 0x2000;

inline constexpr int kLogPixelsX = 88;
inline constexpr int kLogPixelsY = 90;

// Dots per inch of the display: 96 unless the host says otherwise ($KELTO_DPI, 48 to 480).
int GetDisplayDpi();
// Forces the dpi for the rest of the process; 0 returns to the host's value.
void SetDisplayDpiForTesting(int dpi);

// A device context: a target bitmap plus the selected font, text colour and background mode.
// A memory context owns nothing: the caller keeps the bitmap and the fonts alive while they are
// selected. A window's context (GetDC in Window.h) draws into the window's back canvas under the
// window's surface lock, and its destruction hands the frame over for presentation.
class DeviceContext {
public:
    // A memory context compatible with the display; selects target (may be null).
    explicit DeviceContext(Bitmap* target = nullptr);
    ~DeviceContext();
    DeviceContext(const DeviceContext&) = delete;
    DeviceContext& operator=(const DeviceContext&) = delete;

    // SelectObject for bitmaps and fonts; each returns the previously selected one.
    Bitmap* SelectBitmap(Bitmap* bitmap);
    const Font* SelectFont(const Font* font);
    const Font* CurrentFont() const { return m_font; }
    ColorRef SetTextColor(ColorRef color);
    ColorRef SetBkColor(ColorRef color);
    int SetBkMode(int mode);
    int GetDeviceCaps(int index) const;

    // Size of the drawing surface (0 × 0 without a target).
    int32_t Width() const;
    int32_t Height() const;

    // FillRect with a solid brush of color; clipped to the surface.
    void FillSolidRect(const Rect& rect, ColorRef color);
    // BitBlt with a plain source copy: w × h pixels from (sx, sy) of source to (x, y). Parts that
    // fall outside either surface are skipped. False when either context has no surface.
    bool BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, const DeviceContext& source, int32_t sx,
                int32_t sy);
    // The same straight from a bitmap (the temporary context of an image copy).
    bool BitBltFrom(int32_t x, int32_t y, int32_t w, int32_t h, const Bitmap& source, int32_t sx,
                    int32_t sy);
    // DrawTextW with the flags above. Returns the height of the text; with kDtCalcRect the
    // rectangle is set to the text's extent and nothing is drawn.
    int DrawText(std::wstring_view text, Rect* rect, uint32_t format);
    // GetTextExtentPoint32 of one line in the selected font.
    Point MeasureText(std::wstring_view text) const;
    // Reads a pixel (0x00RRGGBB); 0 outside the surface.
    uint32_t GetPixel(int32_t x, int32_t y) const;

    // For the window system: a context over a window's surface.
    static std::unique_ptr<DeviceContext> ForSurface(std::shared_ptr<WindowSurface> surface);

private:
    class SurfaceGuard;
    Bitmap* m_target = nullptr;
    std::shared_ptr<WindowSurface> m_surface;
    const Font* m_font = nullptr;
    ColorRef m_textColor = 0;
    ColorRef m_bkColor = 0xFFFFFF;
    int m_bkMode = kOpaque;
};

// The back canvas of a window, shared by the window system and the contexts over it. Drawing and
// presenting lock it; a released context sets the frame-ready flag.
class WindowSurface {
public:
    WindowSurface(int32_t width, int32_t height) : m_canvas(width, height) {}
    std::recursive_mutex& Lock() { return m_lock; }
    Bitmap& Canvas() { return m_canvas; }
    void MarkFrameReady() { m_frameReady = true; }
    // Returns whether a frame was handed over since the last call and clears the flag. Call with
    // the lock held.
    bool TakeFrameReady() {
        bool ready = m_frameReady;
        m_frameReady = false;
        return ready;
    }

private:
    std::recursive_mutex m_lock;
    Bitmap m_canvas;
    bool m_frameReady = false;
};

// Holds a window surface's lock for one drawing operation. Memory contexts have no surface and
// take no lock.
class DeviceContext::SurfaceGuard {
public:
    explicit SurfaceGuard(const DeviceContext& dc) : m_surface(dc.m_surface.get()) {
        if (m_surface != nullptr) {
            m_surface->Lock().lock();
        }
    }
    ~SurfaceGuard() {
        if (m_surface != nullptr) {
            m_surface->Lock().unlock();
        }
    }
    SurfaceGuard(const SurfaceGuard&) = delete;
    SurfaceGuard& operator=(const SurfaceGuard&) = delete;

private:
    WindowSurface* m_surface;
};

} // namespace platform
