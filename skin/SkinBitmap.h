// Skin bitmaps and geometry: bitmap handles loaded by resource id, BMData (a bitmap read back into
// plain 0x00RRGGBB pixels for the software compositor) and CommonRect (a rectangle that keeps its
// width and height).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>

#include "platform/Gdi.h"
#include "platform/Window.h"

namespace skin {

// A bitmap handle. Null draws nothing.
using BitmapHandle = const platform::Bitmap*;

// The bitmap resource with this id from the program's own resources, or null for an unknown id.
// Handles are never deleted: the resource stays loaded for the life of the process, and every
// load of the same id returns the same immutable bitmap, so any thread may draw it.
BitmapHandle LoadSkinBitmap(int id);

// Where resource bytes come from: FindBitmapResource of the embedded resources, unless a test
// installs its own bytes. A null finder restores the embedded resources. Handles loaded before
// stay valid.
using BitmapResourceFinder = std::function<bool(int id, const unsigned char** data, size_t* size)>;
void SetBitmapResourceFinderForTesting(BitmapResourceFinder finder);

// Sets the window's icon (large and small) from icon resource id; false for an unknown id.
bool SetSkinWindowIcon(platform::WindowHandle window, int iconId);

// LoadBitmapW: a fresh, owned copy of the bitmap resource (what BMData holds).
std::unique_ptr<platform::Bitmap> LoadBitmapResource(int id);

class BMData {
public:
    BMData() = default;
    virtual ~BMData();
    BMData(const BMData&) = delete;
    BMData& operator=(const BMData&) = delete;

    // Replaces the content with bitmap resource id. On a missing resource the bitmap is already
    // released while width, height and the old pixels stay; returns true when both the bitmap and
    // the pixel array are present.
    bool Load(int id);

    const platform::Bitmap* Bitmap() const { return m_bitmap.get(); }
    int32_t Width() const { return m_width; }
    int32_t Height() const { return m_height; }
    // width × height pixel values 0x00RRGGBB, row by row from the top; null until loaded.
    const uint32_t* Pixels() const { return m_pixels.get(); }
    uint32_t* Pixels() { return m_pixels.get(); }

private:
    std::unique_ptr<platform::Bitmap> m_bitmap;
    int32_t m_width = 0;
    int32_t m_height = 0;
    std::unique_ptr<uint32_t[]> m_pixels;
};

// A colour-keyed pixel is "white" only when its whole stored word is 0x00FFFFFF.
inline constexpr uint32_t kWhitePixel = 0x00FFFFFF;
inline bool IsWhitePixel(uint32_t word) {
    return word == kWhitePixel;
}

class CommonRect {
public:
    CommonRect() = default;
    CommonRect(int32_t l, int32_t t, int32_t r, int32_t b) : left(l), top(t), right(r), bottom(b) {
        Recalc();
    }
    virtual ~CommonRect() = default;
    CommonRect(const CommonRect&) = default;
    CommonRect& operator=(const CommonRect&) = default;

    void Recalc() {
        width = right - left;
        height = bottom - top;
    }
    // Moves every edge n pixels inwards; left and top never go below 0, so at the window's edge
    // the inner rectangle is narrower by n, not by 2 × n.
    void Deflate(int32_t n);
    platform::Rect ToRect() const { return platform::Rect{left, top, right, bottom}; }

    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    int32_t width = 0;
    int32_t height = 0;
};

} // namespace skin
