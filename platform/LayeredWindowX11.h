// A layered, click-through window on X11: a top-level window with a 32-bit ARGB visual whose
// pixels (premultiplied 0xAARRGGBB) a compositing manager blends over whatever lies below, and
// whose input shape is empty, so the mouse goes through it. The drop shadow shows itself in one.
//
// Layered windows exist exactly when a compositing manager runs on the display (the selection
// _NET_WM_CM_S<screen> has an owner): without one, per-pixel alpha would show as black, so
// Create answers null. Everything here runs on the window thread; the window has its own display
// connection, separate from the window system's.
#pragma once

#include <cstdint>
#include <memory>

namespace platform {

// The X display connection, owned: closed when the object goes.
class X11Display {
public:
    // Opens $DISPLAY; null when there is no display.
    static std::unique_ptr<X11Display> Open();
    ~X11Display();
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    void* Handle() const { return m_display; }
    int Screen() const;

    // Whether a compositing manager owns _NET_WM_CM_S<screen> and the Composite extension exists.
    bool HasCompositingManager() const;

private:
    explicit X11Display(void* display) : m_display(display) {}
    void* m_display;
};

// Whether layered windows can be shown now: a display with a compositing manager.
bool IsLayeredWindowSupported();

class LayeredWindowX11 {
public:
    // A hidden layered window; null without a compositing manager or without a 32-bit visual.
    static std::unique_ptr<LayeredWindowX11> Create();
    ~LayeredWindowX11();
    LayeredWindowX11(const LayeredWindowX11&) = delete;
    LayeredWindowX11& operator=(const LayeredWindowX11&) = delete;

    // UpdateLayeredWindow: places the window at (x, y) with the picture's size and shows the
    // picture (width × height premultiplied pixels 0xAARRGGBB, rows from the top). False when the
    // size is empty or the server refused.
    bool Update(int32_t x, int32_t y, int32_t width, int32_t height, const uint32_t* pixels);
    // Moves without changing size or picture.
    bool Move(int32_t x, int32_t y);
    // Shows without taking the focus, or hides.
    bool Show();
    bool Hide();
    // Puts the window directly below the top-level window that contains the given X window
    // (the parent's native id); false when that window does not exist.
    bool RestackBelow(unsigned long windowId);

    // The X id, for tests and logs.
    unsigned long Id() const { return m_window; }
    bool IsShown() const { return m_shown; }

private:
    LayeredWindowX11(std::unique_ptr<X11Display> display, unsigned long window,
                     unsigned long colormap);
    // The child of the root window that holds windowId, or 0.
    unsigned long TopLevelOf(unsigned long windowId) const;

    std::unique_ptr<X11Display> m_display;
    unsigned long m_window = 0;
    unsigned long m_colormap = 0;
    bool m_shown = false;
};

} // namespace platform
