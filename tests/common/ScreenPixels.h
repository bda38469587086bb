// Reading a virtual display's screen back: a pixel of the root window, and colours compared with
// the rounding that a compositor's blending leaves. Include it after gtest: Xlib's macros (None,
// Bool, Status) would clash with gtest's templates.
#pragma once

#include <cstdint>
#include <cstdlib>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace testing_support {

// The screen's pixel at (x, y) as 0xRRGGBB.
inline uint32_t RootPixel(Display* display, int x, int y) {
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    const uint32_t pixel = static_cast<uint32_t>(XGetPixel(image, 0, 0)) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

// Whether every channel of got is within 2 of want's.
inline bool NearColour(uint32_t got, uint32_t want) {
    for (int shift = 0; shift <= 16; shift += 8) {
        if (std::abs(static_cast<int>((got >> shift) & 0xFF) -
                     static_cast<int>((want >> shift) & 0xFF)) > 2) {
            return false;
        }
    }
    return true;
}

} // namespace testing_support
