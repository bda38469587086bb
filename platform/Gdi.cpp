#include "platform/Gdi.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace platform {

Rect IntersectRects(const Rect& a, const Rect& b) {
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.IsEmpty()) {
        return Rect{};
    }
    return r;
}

Bitmap::Bitmap(int32_t width, int32_t height) {
    Resize(width, height);
}

void Bitmap::Resize(int32_t width, int32_t height) {
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_pixels.assign(static_cast<size_t>(m_width) * static_cast<size_t>(m_height), 0);
}

size_t Bitmap::GetBits(void* out, size_t byteCount) const {
    size_t bytes = std::min(byteCount, m_pixels.size() * sizeof(uint32_t));
    std::memcpy(out, m_pixels.data(), bytes);
    return bytes;
}

std::unique_ptr<Bitmap> Bitmap::Clone() const {
    auto copy = std::make_unique<Bitmap>(m_width, m_height);
    copy->m_pixels = m_pixels;
    return copy;
}

namespace {

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
uint16_t ReadU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
// No skin image comes near this; it bounds what a damaged header can make us allocate.
constexpr int64_t kMaxBmpPixels = 16 * 1024 * 1024;

// Uncompressed 24- or 32-bit pixels only; 32-bit images may carry the standard masks
// (BI_BITFIELDS) right after the info header.
bool IsSupportedEncoding(const uint8_t* info, uint32_t infoSize, size_t size, uint16_t planes,
                         uint16_t bitCount, uint32_t compression) {
    constexpr uint32_t kBiRgb = 0;
    constexpr uint32_t kBiBitfields = 3;
    if (planes != 1 || (bitCount != 24 && bitCount != 32)) {
        return false;
    }
    if (compression == kBiRgb) {
        return true;
    }
    if (compression != kBiBitfields || bitCount != 32 || infoSize + kFileHeaderSize + 12 > size) {
        return false;
    }
    const uint8_t* masks = info + kInfoHeaderSize;
    return ReadU32(masks) == 0x00FF0000 && ReadU32(masks + 4) == 0x0000FF00 &&
           ReadU32(masks + 8) == 0x000000FF;
}

// Where the pixels are and how they are laid out, as the headers say.
struct BmpLayout {
    int32_t width = 0;
    int32_t height = 0;
    bool topDown = false;
    size_t bytesPerPixel = 0;
    size_t stride = 0;
    uint32_t pixelOffset = 0;
};

// False for anything this decoder does not read, and for pixels that lie beyond the data.
bool ReadBmpLayout(const uint8_t* data, size_t size, BmpLayout* layout) {
    if (data == nullptr || size < kFileHeaderSize + kInfoHeaderSize || data[0] != 'B' ||
        data[1] != 'M') {
        return false;
    }
    const uint8_t* info = data + kFileHeaderSize;
    const uint32_t infoSize = ReadU32(info);
    if (infoSize < kInfoHeaderSize || infoSize > size - kFileHeaderSize) {
        return false;
    }
    const int32_t width = static_cast<int32_t>(ReadU32(info + 4));
    const int32_t rawHeight = static_cast<int32_t>(ReadU32(info + 8));
    const uint16_t bitCount = ReadU16(info + 14);
    if (!IsSupportedEncoding(info, infoSize, size, ReadU16(info + 12), bitCount,
                             ReadU32(info + 16))) {
        return false;
    }
    if (width <= 0 || rawHeight == 0 || rawHeight == std::numeric_limits<int32_t>::min()) {
        return false;
    }
    layout->width = width;
    layout->topDown = rawHeight < 0;
    layout->height = layout->topDown ? -rawHeight : rawHeight;
    if (static_cast<int64_t>(width) * layout->height > kMaxBmpPixels) {
        return false;
    }
    layout->bytesPerPixel = bitCount / 8;
    layout->stride = ((static_cast<size_t>(width) * bitCount + 31) / 32) * 4;
    layout->pixelOffset = ReadU32(data + 10);
    const size_t needed = layout->stride * static_cast<size_t>(layout->height);
    return layout->pixelOffset >= kFileHeaderSize + kInfoHeaderSize &&
           layout->pixelOffset <= size && size - layout->pixelOffset >= needed;
}

} // namespace

std::unique_ptr<Bitmap> DecodeBmp(const uint8_t* data, size_t size) {
    BmpLayout layout;
    if (!ReadBmpLayout(data, size, &layout)) {
        return nullptr;
    }
    auto bitmap = std::make_unique<Bitmap>(layout.width, layout.height);
    for (int32_t y = 0; y < layout.height; ++y) {
        const int32_t sourceRow = layout.topDown ? y : layout.height - 1 - y;
        const uint8_t* row =
            data + layout.pixelOffset + layout.stride * static_cast<size_t>(sourceRow);
        uint32_t* out = bitmap->Pixels() + static_cast<size_t>(y) * layout.width;
        for (int32_t x = 0; x < layout.width; ++x) {
            const uint8_t* p = row + static_cast<size_t>(x) * layout.bytesPerPixel;
            out[x] = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                     (static_cast<uint32_t>(p[2]) << 16);
        }
    }
    return bitmap;
}

DeviceContext::DeviceContext(Bitmap* target) : m_target(target) {}

DeviceContext::~DeviceContext() {
    if (m_surface != nullptr) {
        std::lock_guard<std::recursive_mutex> lock(m_surface->Lock());
        m_surface->MarkFrameReady();
    }
}

std::unique_ptr<DeviceContext> DeviceContext::ForSurface(std::shared_ptr<WindowSurface> surface) {
    auto dc = std::make_unique<DeviceContext>(&surface->Canvas());
    dc->m_surface = std::move(surface);
    return dc;
}

Bitmap* DeviceContext::SelectBitmap(Bitmap* bitmap) {
    if (m_surface != nullptr) {
        return nullptr; // a window's context keeps its surface
    }
    Bitmap* previous = m_target;
    m_target = bitmap;
    return previous;
}

const Font* DeviceContext::SelectFont(const Font* font) {
    const Font* previous = m_font;
    m_font = font;
    return previous;
}

ColorRef DeviceContext::SetTextColor(ColorRef color) {
    ColorRef previous = m_textColor;
    m_textColor = color & 0xFFFFFF;
    return previous;
}

ColorRef DeviceContext::SetBkColor(ColorRef color) {
    ColorRef previous = m_bkColor;
    m_bkColor = color & 0xFFFFFF;
    return previous;
}

int DeviceContext::SetBkMode(int mode) {
    int previous = m_bkMode;
    if (mode == kTransparent || mode == kOpaque) {
        m_bkMode = mode;
    }
    return previous;
}

int DeviceContext::GetDeviceCaps(int index) const {
    if (index == kLogPixelsX || index == kLogPixelsY) {
        return GetDisplayDpi();
    }
    return 0;
}

namespace {
std::atomic<int> g_dpiOverride{0};
} // namespace

int GetDisplayDpi() {
    int forced = g_dpiOverride.load(std::memory_order_relaxed);
    if (forced > 0) {
        return forced;
    }
    // The host says otherwise through $KELTO_DPI (an X resource database is not consulted).
    if (const char* env = std::getenv("KELTO_DPI")) {
        int value = std::atoi(env);
        if (value >= 48 && value <= 480) {
            return value;
        }
    }
    return 96;
}

void SetDisplayDpiForTesting(int dpi) {
    g_dpiOverride.store(dpi, std::memory_order_relaxed);
}

int32_t DeviceContext::Width() const {
    SurfaceGuard guard(*this);
    return m_target ? m_target->Width() : 0;
}

int32_t DeviceContext::Height() const {
    SurfaceGuard guard(*this);
    return m_target ? m_target->Height() : 0;
}

void DeviceContext::FillSolidRect(const Rect& rect, ColorRef color) {
    SurfaceGuard guard(*this);
    if (m_target == nullptr) {
        return;
    }
    Rect r = IntersectRects(rect, Rect{0, 0, m_target->Width(), m_target->Height()});
    uint32_t pixel = PixelFromColorRef(color);
    for (int32_t y = r.top; y < r.bottom; ++y) {
        uint32_t* row = m_target->Pixels() + static_cast<size_t>(y) * m_target->Width();
        std::fill(row + r.left, row + r.right, pixel);
    }
}

namespace {

void CopyPixels(Bitmap& target, int32_t x, int32_t y, int32_t w, int32_t h, const Bitmap& source,
                int32_t sx, int32_t sy) {
    // Clip against the source, then against the target, moving both origins together.
    if (sx < 0) {
        x -= sx;
        w += sx;
        sx = 0;
    }
    if (sy < 0) {
        y -= sy;
        h += sy;
        sy = 0;
    }
    if (x < 0) {
        sx -= x;
        w += x;
        x = 0;
    }
    if (y < 0) {
        sy -= y;
        h += y;
        y = 0;
    }
    w = std::min({w, source.Width() - sx, target.Width() - x});
    h = std::min({h, source.Height() - sy, target.Height() - y});
    if (w <= 0 || h <= 0) {
        return;
    }
    for (int32_t row = 0; row < h; ++row) {
        const uint32_t* from =
            source.Pixels() + static_cast<size_t>(sy + row) * source.Width() + sx;
        uint32_t* to = target.Pixels() + static_cast<size_t>(y + row) * target.Width() + x;
        std::memmove(to, from, static_cast<size_t>(w) * sizeof(uint32_t));
    }
}

} // namespace

bool DeviceContext::BitBlt(int32_t x, int32_t y, int32_t w, int32_t h, const DeviceContext& source,
                           int32_t sx, int32_t sy) {
    if (&source == this) {
        SurfaceGuard guard(*this);
        if (m_target == nullptr) {
            return false;
        }
        auto copy = m_target->Clone();
        CopyPixels(*m_target, x, y, w, h, *copy, sx, sy);
        return true;
    }
    SurfaceGuard sourceGuard(source);
    if (source.m_target == nullptr) {
        return false;
    }
    return BitBltFrom(x, y, w, h, *source.m_target, sx, sy);
}

bool DeviceContext::BitBltFrom(int32_t x, int32_t y, int32_t w, int32_t h, const Bitmap& source,
                               int32_t sx, int32_t sy) {
    SurfaceGuard guard(*this);
    if (m_target == nullptr) {
        return false;
    }
    CopyPixels(*m_target, x, y, w, h, source, sx, sy);
    return true;
}

uint32_t DeviceContext::GetPixel(int32_t x, int32_t y) const {
    SurfaceGuard guard(*this);
    if (m_target == nullptr || x < 0 || y < 0 || x >= m_target->Width() ||
        y >= m_target->Height()) {
        return 0;
    }
    return m_target->Pixel(x, y);
}

} // namespace platform
