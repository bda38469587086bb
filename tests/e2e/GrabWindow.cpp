// kelto-e2e-grab <window id> <png path>: saves what a window of the display in $DISPLAY shows,
// as the end-to-end scripts' screenshots of the setup window's pages. A test tool: it reads the
// X server's pixels directly, which the program itself never needs.
#include "platform/Gdi.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

struct DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};
struct ImageDestroyer {
    void operator()(XImage* image) const { XDestroyImage(image); }
};

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: kelto-e2e-grab <window id> <png path>\n");
        return 2;
    }
    std::unique_ptr<Display, DisplayCloser> display(XOpenDisplay(nullptr));
    if (!display) {
        std::fprintf(stderr, "kelto-e2e-grab: no display\n");
        return 1;
    }
    const Window window = std::strtoul(argv[1], nullptr, 0);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display.get(), window, &attributes)) {
        std::fprintf(stderr, "kelto-e2e-grab: no window %s\n", argv[1]);
        return 1;
    }
    std::unique_ptr<XImage, ImageDestroyer> image(XGetImage(
        display.get(), window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap));
    if (!image) {
        std::fprintf(stderr, "kelto-e2e-grab: the window's pixels cannot be read\n");
        return 1;
    }
    platform::Bitmap bitmap(attributes.width, attributes.height);
    for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            bitmap.SetPixel(x, y, static_cast<uint32_t>(XGetPixel(image.get(), x, y)) & 0xFFFFFF);
        }
    }
    return platform::SaveBitmapAsPng(bitmap, argv[2]) ? 0 : 1;
}
