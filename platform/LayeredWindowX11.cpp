#include "platform/LayeredWindowX11.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xcomposite.h>
#include <X11/extensions/shape.h>

#include <cstdio>
#include <string>

namespace platform {
namespace {

Display* Dpy(const X11Display& display) {
    return static_cast<Display*>(display.Handle());
}

int g_trappedErrors = 0;

int CountError(Display*, XErrorEvent*) {
    ++g_trappedErrors;
    return 0;
}

// Catches the X errors of the requests made while it lives (Xlib's default handler would end the
// process), so a window that vanished or a refused request becomes a false result.
class ErrorTrap {
public:
    explicit ErrorTrap(Display* display) : m_display(display) {
        XSync(m_display, False);
        g_trappedErrors = 0;
        m_previous = XSetErrorHandler(&CountError);
    }
    ~ErrorTrap() {
        XSync(m_display, False);
        XSetErrorHandler(m_previous);
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    bool Failed() {
        XSync(m_display, False);
        return g_trappedErrors != 0;
    }

private:
    Display* m_display;
    XErrorHandler m_previous = nullptr;
};

} // namespace

std::unique_ptr<X11Display> X11Display::Open() {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<X11Display>(new X11Display(display));
}

X11Display::~X11Display() {
    XCloseDisplay(static_cast<Display*>(m_display));
}

int X11Display::Screen() const {
    return DefaultScreen(Dpy(*this));
}

bool X11Display::HasCompositingManager() const {
    Display* display = Dpy(*this);
    int eventBase = 0;
    int errorBase = 0;
    if (!XCompositeQueryExtension(display, &eventBase, &errorBase)) {
        return false;
    }
    std::string selection = "_NET_WM_CM_S" + std::to_string(Screen());
    Atom atom = XInternAtom(display, selection.c_str(), False);
    return XGetSelectionOwner(display, atom) != None;
}

bool IsLayeredWindowSupported() {
    std::unique_ptr<X11Display> display = X11Display::Open();
    return display != nullptr && display->HasCompositingManager();
}

std::unique_ptr<LayeredWindowX11> LayeredWindowX11::Create() {
    std::unique_ptr<X11Display> display = X11Display::Open();
    if (display == nullptr || !display->HasCompositingManager()) {
        return nullptr;
    }
    Display* dpy = Dpy(*display);
    XVisualInfo visual;
    if (!XMatchVisualInfo(dpy, display->Screen(), 32, TrueColor, &visual)) {
        return nullptr;
    }
    Window root = RootWindow(dpy, display->Screen());
    ErrorTrap trap(dpy);
    Colormap colormap = XCreateColormap(dpy, root, visual.visual, AllocNone);
    XSetWindowAttributes attributes{};
    attributes.colormap = colormap;
    attributes.border_pixel = 0;
    attributes.background_pixel = 0;
    // Not managed: the shadow never takes the focus and gets no frame.
    attributes.override_redirect = True;
    Window window =
        XCreateWindow(dpy, root, 0, 0, 1, 1, 0, 32, InputOutput, visual.visual,
                      CWColormap | CWBorderPixel | CWBackPixel | CWOverrideRedirect, &attributes);
    // An empty input shape: clicks go to whatever lies below.
    XShapeCombineRectangles(dpy, window, ShapeInput, 0, 0, nullptr, 0, ShapeSet, Unsorted);
    XClassHint hint{const_cast<char*>("CorvelShadowWnd"), const_cast<char*>("CorvelShadowWnd")};
    XSetClassHint(dpy, window, &hint);
    if (trap.Failed()) {
        return nullptr;
    }
    return std::unique_ptr<LayeredWindowX11>(
        new LayeredWindowX11(std::move(display), window, colormap));
}

LayeredWindowX11::LayeredWindowX11(std::unique_ptr<X11Display> display, unsigned long window,
                                   unsigned long colormap)
    : m_display(std::move(display)), m_window(window), m_colormap(colormap) {}

LayeredWindowX11::~LayeredWindowX11() {
    Display* dpy = Dpy(*m_display);
    ErrorTrap trap(dpy);
    XDestroyWindow(dpy, m_window);
    XFreeColormap(dpy, m_colormap);
}

bool LayeredWindowX11::Update(int32_t x, int32_t y, int32_t width, int32_t height,
                              const uint32_t* pixels) {
    if (width <= 0 || height <= 0 || pixels == nullptr) {
        return false;
    }
    Display* dpy = Dpy(*m_display);
    ErrorTrap trap(dpy);
    XWindowAttributes attributes;
    XGetWindowAttributes(dpy, m_window, &attributes);
    XImage* image =
        XCreateImage(dpy, attributes.visual, 32, ZPixmap, 0,
                     reinterpret_cast<char*>(const_cast<uint32_t*>(pixels)),
                     static_cast<unsigned>(width), static_cast<unsigned>(height), 32, width * 4);
    if (image == nullptr) {
        return false;
    }
    Pixmap picture = XCreatePixmap(dpy, m_window, width, height, 32);
    GC gc = XCreateGC(dpy, picture, 0, nullptr);
    XPutImage(dpy, picture, gc, image, 0, 0, 0, 0, width, height);
    XFreeGC(dpy, gc);
    image->data = nullptr; // the caller's pixels; XDestroyImage must not free them
    XDestroyImage(image);
    XMoveResizeWindow(dpy, m_window, x, y, width, height);
    // The server keeps the background itself and repaints exposures from it.
    XSetWindowBackgroundPixmap(dpy, m_window, picture);
    XFreePixmap(dpy, picture);
    XClearWindow(dpy, m_window);
    return !trap.Failed();
}

bool LayeredWindowX11::Move(int32_t x, int32_t y) {
    Display* dpy = Dpy(*m_display);
    ErrorTrap trap(dpy);
    XMoveWindow(dpy, m_window, x, y);
    return !trap.Failed();
}

bool LayeredWindowX11::Show() {
    Display* dpy = Dpy(*m_display);
    ErrorTrap trap(dpy);
    XMapWindow(dpy, m_window);
    m_shown = !trap.Failed();
    return m_shown;
}

bool LayeredWindowX11::Hide() {
    Display* dpy = Dpy(*m_display);
    ErrorTrap trap(dpy);
    XUnmapWindow(dpy, m_window);
    m_shown = false;
    return !trap.Failed();
}

unsigned long LayeredWindowX11::TopLevelOf(unsigned long windowId) const {
    Display* dpy = Dpy(*m_display);
    Window current = windowId;
    for (int depth = 0; depth < 64 && current != None; ++depth) {
        Window root = None;
        Window parent = None;
        Window* children = nullptr;
        unsigned count = 0;
        if (!XQueryTree(dpy, current, &root, &parent, &children, &count)) {
            return 0;
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (parent == root) {
            return current;
        }
        current = parent;
    }
    return 0;
}

bool LayeredWindowX11::RestackBelow(unsigned long windowId) {
    Display* dpy = Dpy(*m_display);
    ErrorTrap trap(dpy);
    Window topLevel = TopLevelOf(windowId);
    if (topLevel == 0 || trap.Failed()) {
        return false;
    }
    XWindowChanges changes{};
    changes.sibling = topLevel;
    changes.stack_mode = Below;
    XConfigureWindow(dpy, m_window, CWSibling | CWStackMode, &changes);
    return !trap.Failed();
}

} // namespace platform
