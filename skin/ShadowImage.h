// The drop shadow's picture: a soft, premultiplied 0xAARRGGBB halo around the setup window's
// shape, transparent under the window itself, which the shadow's layered window shows below its
// parent. Pure arithmetic, rendered only when the parent is shown, grows or ends a move or size.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace skin {

struct ShadowParams {
    uint8_t darkness = 30;  // alpha of the solid part
    uint8_t sharpness = 30; // width of the fading edge in pixels
    int8_t size = 30;       // how far the picture reaches beyond the parent on every side
    int8_t xOffset = 0;     // shift of the shadow relative to the parent
    int8_t yOffset = 0;
    uint32_t color = 0x323232; // drawing colour 0x00BBGGRR
};

// Whether the parent-relative point (x, y) lies inside the parent's window region. A parent
// without a region is its whole rectangle.
using ShadowShape = std::function<bool(int32_t x, int32_t y)>;

struct ShadowImage {
    int32_t width = 0;
    int32_t height = 0;
    // width × height premultiplied pixels 0xAARRGGBB, rows from the top.
    std::vector<uint32_t> pixels;
    uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Renders the shadow of a parent of parentWidth × parentHeight pixels with the given shape (null:
// the full rectangle). The picture is (parentWidth + 2 size) × (parentHeight + 2 size); the
// parent's top-left corner lies at (size − x offset, size − y offset) in it.
ShadowImage RenderShadowImage(const ShadowParams& params, int32_t parentWidth, int32_t parentHeight,
                              const ShadowShape& shape);

} // namespace skin
