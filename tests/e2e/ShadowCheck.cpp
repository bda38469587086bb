// kelto-e2e-shadow <window id> <shadow|none> [png path]: waits up to ten seconds until the
// screen around a top-level window of $DISPLAY shows the drop shadow as its picture says (alpha
// and premultiplied colour over the background measured far from the window, every sample ±2),
// or, with "none", shows the plain background there. Saves the desktop when asked. Exit 0 when
// the screen matched, 1 when it did not (the first wrong sample is printed). A test tool: it reads
// the X server's pixels directly.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/Gdi.h"
#include "skin/ShadowImage.h"
#include "skin/WndShadow.h"

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
struct ImageDestroyer {
    void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDestroyer>;

struct Sample {
    int x;
    int y;
};

// The window's frame on the screen (the top-level window below the root that holds it).
bool WindowRect(Display* display, Window window, int* x, int* y, int* w, int* h) {
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) == 0) {
        return false;
    }
    Window child = 0;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, x, y, &child);
    *w = attributes.width;
    *h = attributes.height;
    return true;
}

uint32_t Channel(uint32_t pixel, int shift) {
    return (pixel >> shift) & 0xFF;
}

// What the screen must show at a sample: the shadow's premultiplied pixel over the background.
uint32_t Expected(uint32_t shadow, uint32_t background) {
    const uint32_t alpha = shadow >> 24;
    uint32_t out = 0;
    for (int shift : {0, 8, 16}) {
        const uint32_t value =
            Channel(shadow, shift) + Channel(background, shift) * (255 - alpha) / 255;
        out |= value << shift;
    }
    return out;
}

bool Near(uint32_t a, uint32_t b) {
    for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>(Channel(a, shift)) - static_cast<int>(Channel(b, shift))) >
            2) {
            return false;
        }
    }
    return true;
}

// Samples on the four sides and the corners, 1 to 29 pixels outside the window.
std::vector<Sample> Samples(int w, int h) {
    std::vector<Sample> samples;
    for (int d = 1; d < 30; d += 2) {
        samples.push_back({-d, h / 2});
        samples.push_back({w - 1 + d, h / 3});
        samples.push_back({w / 2, -d});
        samples.push_back({w / 4, h - 1 + d});
        samples.push_back({-d, -d});
        samples.push_back({w - 1 + d, h - 1 + d});
    }
    return samples;
}

// One comparison of the screen with the expectation; the first wrong sample goes to why.
bool Matches(Display* display, Window window, bool shadowExpected, std::string* why) {
    int x = 0, y = 0, w = 0, h = 0;
    if (!WindowRect(display, window, &x, &y, &w, &h)) {
        *why = "the window is gone";
        return false;
    }
    const Window root = DefaultRootWindow(display);
    XWindowAttributes rootAttributes;
    XGetWindowAttributes(display, root, &rootAttributes);
    ImagePtr screen(XGetImage(display, root, 0, 0, rootAttributes.width, rootAttributes.height,
                              AllPlanes, ZPixmap));
    if (!screen) {
        *why = "no screen image";
        return false;
    }
    // The background far from the window (the screen's corner the window does not reach).
    const uint32_t background = XGetPixel(screen.get(), 2, 2) & 0xFFFFFF;
    const skin::CWndShadow startValues;
    const skin::ShadowParams params = startValues.Params();
    skin::ShadowImage picture = skin::RenderShadowImage(params, w, h, nullptr);
    const int originX = x + params.xOffset - params.size;
    const int originY = y + params.yOffset - params.size;
    for (const Sample& s : Samples(w, h)) {
        const int sx = x + s.x;
        const int sy = y + s.y;
        if (sx < 0 || sy < 0 || sx >= rootAttributes.width || sy >= rootAttributes.height) {
            continue;
        }
        uint32_t expected = background;
        const int px = sx - originX;
        const int py = sy - originY;
        if (shadowExpected && px >= 0 && py >= 0 && px < picture.width && py < picture.height) {
            expected = Expected(picture.At(px, py), background);
        }
        const uint32_t seen = XGetPixel(screen.get(), sx, sy) & 0xFFFFFF;
        if (!Near(seen, expected)) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "at (%d, %d): seen %06X, expected %06X (background %06X, window %d,%d "
                          "%dx%d)",
                          sx, sy, seen, expected, background, x, y, w, h);
            *why = text;
            return false;
        }
    }
    return true;
}

bool SaveDesktop(Display* display, const char* path) {
    const Window root = DefaultRootWindow(display);
    XWindowAttributes attributes;
    XGetWindowAttributes(display, root, &attributes);
    ImagePtr image(
        XGetImage(display, root, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap));
    if (!image) {
        return false;
    }
    platform::Bitmap bitmap(attributes.width, attributes.height);
    for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            bitmap.SetPixel(x, y, XGetPixel(image.get(), x, y) & 0xFFFFFF);
        }
    }
    return platform::SaveBitmapAsPng(bitmap, path);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (std::strcmp(argv[2], "shadow") != 0 && std::strcmp(argv[2], "none") != 0)) {
        std::fprintf(stderr, "usage: kelto-e2e-shadow <window id> <shadow|none> [png path]\n");
        return 2;
    }
    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) {
        std::fprintf(stderr, "kelto-e2e-shadow: no display\n");
        return 2;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const bool shadowExpected = std::strcmp(argv[2], "shadow") == 0;
    std::string why;
    bool matched = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!(matched = Matches(display.get(), window, shadowExpected, &why)) &&
           std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (argc > 3 && !SaveDesktop(display.get(), argv[3])) {
        std::fprintf(stderr, "kelto-e2e-shadow: could not save %s\n", argv[3]);
    }
    if (!matched) {
        std::printf("%s (after the 10 s bound)\n", why.c_str());
        return 1;
    }
    return 0;
}
