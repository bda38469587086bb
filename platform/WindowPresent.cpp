// Presenting: paint requests, the frames painters hand over through device contexts, the
// controls drawn over them, and the last presented frame that tests save and look at.
#include <algorithm>

#include "platform/WindowSystem.h"

namespace platform {
namespace detail {
namespace {

void PaintChildren(const std::shared_ptr<WindowImpl>& top, Bitmap& frame) {
    for (WindowHandle child : ChildrenOf(*top)) {
        std::shared_ptr<WindowImpl> c = Find(child);
        if (c == nullptr || c->control == nullptr || !c->visible) {
            continue;
        }
        // Only the window thread writes a control's text and state, so it reads them unlocked.
        Rect clip = IntersectRects(c->rect, Rect{0, 0, frame.Width(), frame.Height()});
        ControlState state{c->title,        c->font ? c->font : DefaultGuiFont(),
                           c->enabled,      Mouse().focus == child,
                           c->rect.Width(), c->rect.Height()};
        c->control->Paint(frame, c->rect.left, c->rect.top, clip, state);
    }
}

// The frame to present: the canvas the painters drew, when they handed a new one over or the
// controls changed; null when the last presented frame still holds.
std::unique_ptr<Bitmap> TakeFrame(const std::shared_ptr<WindowImpl>& impl) {
    bool force = false;
    {
        std::lock_guard<std::mutex> lock(Sys().lock);
        force = impl->needsPresent;
        impl->needsPresent = false;
    }
    std::lock_guard<std::recursive_mutex> surfaceLock(impl->surface->Lock());
    bool ready = impl->surface->TakeFrameReady();
    if (!ready && !force && impl->presented != nullptr) {
        return nullptr;
    }
    return impl->surface->Canvas().Clone();
}

void Present(const std::shared_ptr<WindowImpl>& impl) {
    KELTO_ASSERT_WINDOW_THREAD("frames reach the backend's windows from the window thread");
    if (impl->native == 0 || impl->surface == nullptr) {
        return;
    }
    std::unique_ptr<Bitmap> frame = TakeFrame(impl);
    if (frame == nullptr) {
        return;
    }
    PaintChildren(impl, *frame);
    if (impl->visible && !impl->minimized) {
        Backend().Present(impl->native, *frame);
    }
    std::lock_guard<std::mutex> lock(Sys().lock);
    impl->presented = std::move(frame);
}

} // namespace

void DeliverPaintsAndPresent() {
    KELTO_ASSERT_WINDOW_THREAD("paint requests go to the dialog procedures");
    for (const std::shared_ptr<WindowImpl>& impl : TopLevels()) {
        bool paint = false;
        bool erase = false;
        {
            std::lock_guard<std::mutex> lock(Sys().lock);
            paint = impl->needsPaint && impl->visible;
            erase = impl->needsErase;
            if (paint) {
                impl->needsPaint = false;
                impl->needsErase = false;
            }
        }
        if (paint) {
            if (erase) {
                Deliver(impl->handle, kWmEraseBkgnd, 0, 0);
            }
            Deliver(impl->handle, kWmPaint, 0, 0);
        }
        if (Find(impl->handle) != nullptr) {
            Present(impl);
        }
    }
}

void ResizeSurface(const std::shared_ptr<WindowImpl>& impl, int32_t width, int32_t height) {
    if (impl->surface == nullptr) {
        return;
    }
    std::lock_guard<std::recursive_mutex> lock(impl->surface->Lock());
    Bitmap& canvas = impl->surface->Canvas();
    if (canvas.Width() == width && canvas.Height() == height) {
        return;
    }
    auto old = canvas.Clone();
    canvas.Resize(width, height);
    // Keep what was drawn where it still fits; the rest shows the dialog face until repainted.
    std::fill(canvas.Pixels(), canvas.Pixels() + static_cast<size_t>(width) * height,
              PixelFromColorRef(kDialogFaceColor));
    DeviceContext dc(&canvas);
    dc.BitBltFrom(0, 0, old->Width(), old->Height(), *old, 0, 0);
}

} // namespace detail

using namespace detail;

std::unique_ptr<DeviceContext> GetDC(WindowHandle window) {
    std::shared_ptr<WindowImpl> impl = Find(window);
    if (impl == nullptr || impl->surface == nullptr) {
        return nullptr;
    }
    return DeviceContext::ForSurface(impl->surface);
}

std::unique_ptr<Bitmap> LastPresentedFrame(WindowHandle window) {
    std::shared_ptr<WindowImpl> impl = Find(window);
    if (impl == nullptr) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(Sys().lock);
    return impl->presented ? impl->presented->Clone() : nullptr;
}

bool SaveWindowFrameAsPng(WindowHandle window, const char* path) {
    std::unique_ptr<Bitmap> frame = LastPresentedFrame(window);
    return frame != nullptr && SaveBitmapAsPng(*frame, path);
}

} // namespace platform
