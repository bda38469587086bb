#include "platform/Window.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <chrono>
#include <cstring>
#include <deque>
#include <future>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include <SDL.h>

#include "platform/Font.h"
#include "platform/Text.h"
#include "platform/WindowInternal.h"

namespace platform {
namespace {

// The face colour of plain dialogs, erased under their controls.
constexpr ColorRef kDialogFaceColor = 0xF0F0F0;
constexpr int kLoopSliceMs = 10;

struct WindowImpl {
    WindowHandle handle = nullptr;
    WindowHandle parent = nullptr; // controls only
    WindowHandle owner = nullptr;
    SDL_Window* sdl = nullptr;
    uint32_t sdlId = 0;
    DialogProc proc;
    bool isDialog = false;
    bool modal = false;
    bool ended = false;
    LResult endResult = 0;
    Rect rect; // screen pixels; a control's is in its parent's client pixels
    bool visible = false;
    bool enabled = true;
    bool minimized = false;
    std::wstring title;
    int id = -1;
    const Font* font = nullptr;
    std::unique_ptr<Font> dialogFont; // the template's font, owned by the dialog
    std::shared_ptr<WindowSurface> surface;
    std::unique_ptr<Bitmap> presented;
    std::unique_ptr<detail::NativeControl> control;
    std::vector<WindowHandle> children;
    bool needsPaint = false;
    bool needsErase = false;
    bool needsPresent = false; // controls or exposure changed what the frame shows
};

struct DragState {
    WindowHandle window = nullptr;
    Point startScreen;
    Point startPosition;
};

// Everything the window system shares. Fields of WindowImpl that other threads read (geometry,
// visibility, text, the surface and the presented frame) are written under lock; SDL objects and
// dialog procedures are touched on the window thread only.
struct System {
    std::mutex lock;
    std::map<uintptr_t, std::shared_ptr<WindowImpl>> windows;
    uintptr_t nextHandle = 0x10;
    std::atomic<bool> running{false};
    std::thread::id windowThread;
    std::deque<std::function<void()>> tasks;
    uint32_t wakeEvent = 0;
    std::string driver;
    // Window thread only:
    WindowHandle capture = nullptr;
    WindowHandle mouseControl = nullptr; // the control that took the current press
    WindowHandle focus = nullptr;
    DragState drag;
    std::vector<WindowHandle> modalStack;
    uint32_t buttons = 0; // kMk* bits of the buttons held
    bool quitPending = false;
    std::set<WindowHandle> quitSent;
};

System& Sys() {
    static System* system = new System;
    return *system;
}

std::shared_ptr<WindowImpl> Find(WindowHandle handle) {
    System& s = Sys();
    std::lock_guard<std::mutex> lock(s.lock);
    auto it = s.windows.find(reinterpret_cast<uintptr_t>(handle));
    return it == s.windows.end() ? nullptr : it->second;
}

std::shared_ptr<WindowImpl> FindBySdlId(uint32_t id) {
    System& s = Sys();
    std::lock_guard<std::mutex> lock(s.lock);
    for (auto& [key, impl] : s.windows) {
        if (impl->sdl != nullptr && impl->sdlId == id) {
            return impl;
        }
    }
    return nullptr;
}

std::shared_ptr<WindowImpl> TopLevelOf(std::shared_ptr<WindowImpl> impl) {
    while (impl != nullptr && impl->parent != nullptr) {
        impl = Find(impl->parent);
    }
    return impl;
}

void Wake() {
    System& s = Sys();
    if (!s.running.load() || s.wakeEvent == 0) {
        return;
    }
    SDL_Event event{};
    event.type = s.wakeEvent;
    SDL_PushEvent(&event);
}

// Runs fn on the window thread and waits for it. From the window thread it runs at once; with no
// window system running it does not run and the default result is returned.
template <typename T>
T RunOnWindowThread(std::function<T()> fn, T fallback) {
    System& s = Sys();
    if (!s.running.load()) {
        return fallback;
    }
    if (std::this_thread::get_id() == s.windowThread) {
        return fn();
    }
    auto task = std::make_shared<std::packaged_task<T()>>(std::move(fn));
    std::future<T> result = task->get_future();
    {
        std::lock_guard<std::mutex> lock(s.lock);
        if (!s.running.load()) {
            return fallback;
        }
        s.tasks.push_back([task] { (*task)(); });
    }
    Wake();
    return result.get();
}

// Stops early once done() holds, so that a modal loop that ended leaves the rest to the loop
// outside it, the way a message loop ends after the message that ended it.
void RunPendingTasks(const std::function<bool()>& done = nullptr) {
    System& s = Sys();
    for (;;) {
        if (done && done()) {
            return;
        }
        std::function<void()> task;
        {
            std::lock_guard<std::mutex> lock(s.lock);
            if (s.tasks.empty()) {
                return;
            }
            task = std::move(s.tasks.front());
            s.tasks.pop_front();
        }
        task();
    }
}

LResult Deliver(WindowHandle handle, uint32_t message, WParam wParam, LParam lParam);

void StartDrag(const std::shared_ptr<WindowImpl>& impl, Point screen) {
    System& s = Sys();
    s.drag.window = impl->handle;
    s.drag.startScreen = screen;
    {
        std::lock_guard<std::mutex> lock(s.lock);
        s.drag.startPosition = Point{impl->rect.left, impl->rect.top};
    }
    if (s.driver != "offscreen" && s.driver != "dummy") {
        SDL_CaptureMouse(SDL_TRUE);
    }
}

// The dialog's default handling of messages its procedure left alone.
LResult DefaultDialogHandling(const std::shared_ptr<WindowImpl>& impl, uint32_t message,
                              WParam wParam, LParam lParam) {
    switch (message) {
    case kWmClose:
        // A close request is the Cancel command.
        return Deliver(impl->handle, kWmCommand, static_cast<WParam>(kIdCancel), 0);
    case kWmNcLButtonDown:
        if (wParam == kHtCaption) {
            Point screen{static_cast<int16_t>(LowWord(static_cast<uintptr_t>(lParam))),
                         static_cast<int16_t>(HighWord(static_cast<uintptr_t>(lParam)))};
            StartDrag(impl, screen);
        }
        return 0;
    case kWmEraseBkgnd: {
        auto surface = impl->surface;
        if (surface != nullptr) {
            auto dc = DeviceContext::ForSurface(surface);
            dc->FillSolidRect(Rect{0, 0, dc->Width(), dc->Height()}, kDialogFaceColor);
        }
        return 1;
    }
    default:
        return 0;
    }
}

LResult Deliver(WindowHandle handle, uint32_t message, WParam wParam, LParam lParam) {
    std::shared_ptr<WindowImpl> impl = Find(handle);
    if (impl == nullptr) {
        return 0;
    }
    if (impl->control != nullptr) {
        if (message == kWmSetFont) {
            std::lock_guard<std::mutex> lock(Sys().lock);
            impl->font = reinterpret_cast<const Font*>(wParam);
            impl->needsPresent = true;
        }
        return 0;
    }
    // A copy: the procedure may destroy its own window.
    DialogProc proc = impl->proc;
    LResult result = proc ? proc(handle, message, wParam, lParam) : 0;
    if (result == 0 && impl->isDialog) {
        return DefaultDialogHandling(impl, message, wParam, lParam);
    }
    return result;
}

void MarkPresent(const std::shared_ptr<WindowImpl>& impl) {
    std::shared_ptr<WindowImpl> top = TopLevelOf(impl);
    if (top != nullptr) {
        std::lock_guard<std::mutex> lock(Sys().lock);
        top->needsPresent = true;
    }
}

void PaintChildren(const std::shared_ptr<WindowImpl>& top, Bitmap& frame) {
    std::vector<WindowHandle> children;
    {
        std::lock_guard<std::mutex> lock(Sys().lock);
        children = top->children;
    }
    for (WindowHandle child : children) {
        std::shared_ptr<WindowImpl> c = Find(child);
        if (c == nullptr || c->control == nullptr || !c->visible) {
            continue;
        }
        Rect clip = IntersectRects(c->rect, Rect{0, 0, frame.Width(), frame.Height()});
        detail::ControlState state{c->title,        c->font ? c->font : DefaultGuiFont(),
                                   c->enabled,      Sys().focus == child,
                                   c->rect.Width(), c->rect.Height()};
        c->control->Paint(frame, c->rect.left, c->rect.top, clip, state);
    }
}

void Present(const std::shared_ptr<WindowImpl>& impl) {
    if (impl->sdl == nullptr || impl->surface == nullptr) {
        return;
    }
    bool force = false;
    {
        std::lock_guard<std::mutex> lock(Sys().lock);
        force = impl->needsPresent;
        impl->needsPresent = false;
    }
    auto frame = std::make_unique<Bitmap>(0, 0);
    {
        std::lock_guard<std::recursive_mutex> surfaceLock(impl->surface->Lock());
        bool ready = impl->surface->TakeFrameReady();
        if (!ready && !force && impl->presented != nullptr) {
            return;
        }
        frame = impl->surface->Canvas().Clone();
    }
    PaintChildren(impl, *frame);
    if (impl->visible && !impl->minimized) {
        if (SDL_Surface* target = SDL_GetWindowSurface(impl->sdl); target != nullptr) {
            int w = std::min(target->w, frame->Width());
            int h = std::min(target->h, frame->Height());
            if (w > 0 && h > 0) {
                SDL_LockSurface(target);
                SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, frame->Pixels(), frame->Width() * 4,
                                  target->format->format, target->pixels, target->pitch);
                SDL_UnlockSurface(target);
                SDL_UpdateWindowSurface(impl->sdl);
            }
        }
    }
    std::lock_guard<std::mutex> lock(Sys().lock);
    impl->presented = std::move(frame);
}

std::vector<std::shared_ptr<WindowImpl>> TopLevels() {
    System& s = Sys();
    std::vector<std::shared_ptr<WindowImpl>> result;
    std::lock_guard<std::mutex> lock(s.lock);
    for (auto& [key, impl] : s.windows) {
        if (impl->parent == nullptr) {
            result.push_back(impl);
        }
    }
    return result;
}

void DeliverPaintsAndPresent() {
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

void HandleQuit() {
    System& s = Sys();
    if (!s.quitPending) {
        return;
    }
    // The innermost modal dialog gets the close request first; when it has ended, the next one
    // out gets its own, so a quit closes every loop in turn.
    std::vector<WindowHandle> targets;
    if (!s.modalStack.empty()) {
        targets.push_back(s.modalStack.back());
    } else {
        for (const auto& impl : TopLevels()) {
            if (impl->visible) {
                targets.push_back(impl->handle);
            }
        }
    }
    for (WindowHandle target : targets) {
        if (s.quitSent.insert(target).second) {
            Deliver(target, kWmClose, 0, 0);
        }
    }
}

Point ScreenPointOf(const std::shared_ptr<WindowImpl>& window, int32_t x, int32_t y) {
    System& s = Sys();
    if (s.driver != "offscreen" && s.driver != "dummy") {
        int gx = 0;
        int gy = 0;
        SDL_GetGlobalMouseState(&gx, &gy);
        return Point{gx, gy};
    }
    std::lock_guard<std::mutex> lock(s.lock);
    return Point{window->rect.left + x, window->rect.top + y};
}

WindowHandle ControlAt(const std::shared_ptr<WindowImpl>& top, int32_t x, int32_t y) {
    std::vector<WindowHandle> children;
    {
        std::lock_guard<std::mutex> lock(Sys().lock);
        children = top->children;
    }
    // The last created control lies on top.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        std::shared_ptr<WindowImpl> c = Find(*it);
        if (c != nullptr && c->visible && c->control != nullptr && c->rect.Contains(x, y)) {
            return c->handle;
        }
    }
    return nullptr;
}

void NotifyParent(const std::shared_ptr<WindowImpl>& control, int code) {
    if (control->parent == nullptr) {
        return;
    }
    WParam wParam = (static_cast<WParam>(code & 0xFFFF) << 16) | (control->id & 0xFFFF);
    Deliver(control->parent, kWmCommand, wParam, reinterpret_cast<LParam>(control->handle));
}

void ApplyControlResult(const std::shared_ptr<WindowImpl>& control,
                        const detail::ControlResult& result) {
    if (result.changed || result.notifyCode >= 0) {
        MarkPresent(control);
    }
    if (result.notifyCode >= 0) {
        NotifyParent(control, result.notifyCode);
    }
}

void SetFocusControl(WindowHandle handle) {
    System& s = Sys();
    if (s.focus == handle) {
        return;
    }
    if (auto old = Find(s.focus); old != nullptr && old->control != nullptr) {
        detail::ControlState state{old->title, old->font,         old->enabled,
                                   false,      old->rect.Width(), old->rect.Height()};
        old->control->OnFocus(false, state);
        MarkPresent(old);
    }
    s.focus = handle;
    if (auto now = Find(handle); now != nullptr && now->control != nullptr) {
        detail::ControlState state{now->title, now->font,         now->enabled,
                                   true,       now->rect.Width(), now->rect.Height()};
        now->control->OnFocus(true, state);
        MarkPresent(now);
    }
}

detail::ControlResult SendToControl(
    const std::shared_ptr<WindowImpl>& c,
    const std::function<detail::ControlResult(detail::NativeControl&, detail::ControlState&)>& fn) {
    detail::ControlResult result;
    {
        std::lock_guard<std::mutex> lock(Sys().lock);
        detail::ControlState state{c->title,        c->font ? c->font : DefaultGuiFont(),
                                   c->enabled,      Sys().focus == c->handle,
                                   c->rect.Width(), c->rect.Height()};
        result = fn(*c->control, state);
    }
    ApplyControlResult(c, result);
    return result;
}

void HandleMouse(const SDL_Event& event) {
    System& s = Sys();
    uint32_t windowId = 0;
    int32_t x = 0;
    int32_t y = 0;
    MouseAction action = MouseAction::Move;
    int wheel = 0;
    if (event.type == SDL_MOUSEMOTION) {
        windowId = event.motion.windowID;
        x = event.motion.x;
        y = event.motion.y;
    } else if (event.type == SDL_MOUSEBUTTONDOWN || event.type == SDL_MOUSEBUTTONUP) {
        windowId = event.button.windowID;
        x = event.button.x;
        y = event.button.y;
        bool down = event.type == SDL_MOUSEBUTTONDOWN;
        uint32_t bit = event.button.button == SDL_BUTTON_LEFT    ? kMkLButton
                       : event.button.button == SDL_BUTTON_RIGHT ? kMkRButton
                                                                 : kMkMButton;
        s.buttons = down ? (s.buttons | bit) : (s.buttons & ~bit);
        if (event.button.button != SDL_BUTTON_LEFT) {
            return; // the program reacts to the left button only
        }
        action = down ? MouseAction::LeftDown : MouseAction::LeftUp;
    } else if (event.type == SDL_MOUSEWHEEL) {
        windowId = event.wheel.windowID;
        action = MouseAction::Wheel;
        wheel = event.wheel.y;
        SDL_GetMouseState(&x, &y);
    } else {
        return;
    }
    std::shared_ptr<WindowImpl> source = FindBySdlId(windowId);
    if (source == nullptr) {
        return;
    }
    // A drag by the caption moves the window until the button is released and eats the mouse.
    if (s.drag.window != nullptr) {
        std::shared_ptr<WindowImpl> dragged = Find(s.drag.window);
        if (dragged == nullptr) {
            s.drag.window = nullptr;
            return;
        }
        Point screen = ScreenPointOf(source, x, y);
        int32_t nx = s.drag.startPosition.x + screen.x - s.drag.startScreen.x;
        int32_t ny = s.drag.startPosition.y + screen.y - s.drag.startScreen.y;
        Rect r;
        GetWindowRect(dragged->handle, &r);
        if (nx != r.left || ny != r.top) {
            MoveWindow(dragged->handle, nx, ny, r.Width(), r.Height(), false);
        }
        if (action == MouseAction::LeftUp) {
            s.drag.window = nullptr;
            if (s.driver != "offscreen" && s.driver != "dummy") {
                SDL_CaptureMouse(SDL_FALSE);
            }
        }
        return;
    }
    // With the mouse captured, every mouse message goes to the capturing window, in its client
    // coordinates (which may lie outside it).
    std::shared_ptr<WindowImpl> target = source;
    if (std::shared_ptr<WindowImpl> captured = TopLevelOf(Find(s.capture)); captured != nullptr) {
        if (captured != source) {
            Point screen = ScreenPointOf(source, x, y);
            std::lock_guard<std::mutex> lock(s.lock);
            x = screen.x - captured->rect.left;
            y = screen.y - captured->rect.top;
        }
        target = captured;
    }
    if (!target->enabled || !target->visible) {
        return;
    }
    // Own-drawn controls take the presses that land on them and keep the mouse until release.
    WindowHandle controlHandle = s.mouseControl;
    if (controlHandle == nullptr && s.capture == nullptr) {
        controlHandle = ControlAt(target, x, y);
    }
    if (std::shared_ptr<WindowImpl> c = Find(controlHandle); c != nullptr) {
        int32_t cx = x - c->rect.left;
        int32_t cy = y - c->rect.top;
        if (!c->enabled) {
            return;
        }
        switch (action) {
        case MouseAction::LeftDown:
            s.mouseControl = c->handle;
            if (c->control->TakesFocus()) {
                SetFocusControl(c->handle);
            }
            SendToControl(
                c, [&](auto& control, auto& state) { return control.OnMouseDown(cx, cy, state); });
            return;
        case MouseAction::LeftUp:
            s.mouseControl = nullptr;
            SendToControl(
                c, [&](auto& control, auto& state) { return control.OnMouseUp(cx, cy, state); });
            return;
        case MouseAction::Move:
            SendToControl(c, [&](auto& control, auto& state) {
                return control.OnMouseMove(cx, cy, (s.buttons & kMkLButton) != 0, state);
            });
            if (s.mouseControl != nullptr) {
                return;
            }
            break; // the dialog sees moves over its controls too
        case MouseAction::Wheel:
            SendToControl(
                c, [&](auto& control, auto& state) { return control.OnWheel(wheel, state); });
            return;
        }
    }
    LParam lParam = MakeLParam(x, y);
    switch (action) {
    case MouseAction::Move:
        Deliver(target->handle, kWmMouseMove, s.buttons, lParam);
        break;
    case MouseAction::LeftDown:
        Deliver(target->handle, kWmLButtonDown, s.buttons, lParam);
        break;
    case MouseAction::LeftUp:
        Deliver(target->handle, kWmLButtonUp, s.buttons, lParam);
        break;
    case MouseAction::Wheel:
        break;
    }
}

void HandleKeyboard(const SDL_Event& event) {
    System& s = Sys();
    // Escape in a dialog is its Cancel command, as the dialog manager makes it.
    if (event.type == SDL_KEYDOWN && event.key.keysym.sym == SDLK_ESCAPE) {
        std::shared_ptr<WindowImpl> dialog = FindBySdlId(event.key.windowID);
        if (dialog != nullptr && dialog->isDialog && dialog->enabled && dialog->visible) {
            Deliver(dialog->handle, kWmCommand, static_cast<WParam>(kIdCancel), 0);
        }
        return;
    }
    std::shared_ptr<WindowImpl> c = Find(s.focus);
    if (c == nullptr || c->control == nullptr || !c->enabled || !c->visible) {
        return;
    }
    std::shared_ptr<WindowImpl> top = TopLevelOf(c);
    if (top == nullptr || !top->enabled) {
        return;
    }
    if (event.type == SDL_KEYDOWN) {
        uint32_t modifiers = ((event.key.keysym.mod & KMOD_CTRL) ? detail::kKeyCtrl : 0) |
                             ((event.key.keysym.mod & KMOD_SHIFT) ? detail::kKeyShift : 0);
        int key = event.key.keysym.sym;
        SendToControl(
            c, [&](auto& control, auto& state) { return control.OnKey(key, modifiers, state); });
    } else if (event.type == SDL_TEXTINPUT) {
        std::wstring text = NarrowToWide(event.text.text);
        SendToControl(c,
                      [&](auto& control, auto& state) { return control.OnTextInput(text, state); });
    }
}

void HandleWindowEvent(const SDL_Event& event) {
    std::shared_ptr<WindowImpl> impl = FindBySdlId(event.window.windowID);
    if (impl == nullptr) {
        return;
    }
    System& s = Sys();
    switch (event.window.event) {
    case SDL_WINDOWEVENT_CLOSE:
        if (impl->enabled) {
            Deliver(impl->handle, kWmClose, 0, 0);
        }
        break;
    case SDL_WINDOWEVENT_EXPOSED: {
        std::lock_guard<std::mutex> lock(s.lock);
        impl->needsPresent = true;
        break;
    }
    case SDL_WINDOWEVENT_MOVED:
        if (s.drag.window != impl->handle) {
            bool moved = false;
            {
                std::lock_guard<std::mutex> lock(s.lock);
                int32_t w = impl->rect.Width();
                int32_t h = impl->rect.Height();
                moved =
                    impl->rect.left != event.window.data1 || impl->rect.top != event.window.data2;
                impl->rect = Rect{event.window.data1, event.window.data2, event.window.data1 + w,
                                  event.window.data2 + h};
            }
            if (moved) {
                Deliver(impl->handle, kWmMove, 0,
                        MakeLParam(event.window.data1, event.window.data2));
            }
        }
        break;
    case SDL_WINDOWEVENT_MINIMIZED: {
        std::lock_guard<std::mutex> lock(s.lock);
        impl->minimized = true;
        break;
    }
    case SDL_WINDOWEVENT_RESTORED: {
        std::lock_guard<std::mutex> lock(s.lock);
        impl->minimized = false;
        impl->needsPresent = true;
        break;
    }
    default:
        break;
    }
}

void HandleEvent(const SDL_Event& event) {
    System& s = Sys();
    switch (event.type) {
    case SDL_QUIT:
        // Every signal is a new close request, also to a window that refused the last one.
        s.quitPending = true;
        s.quitSent.clear();
        break;
    case SDL_WINDOWEVENT:
        HandleWindowEvent(event);
        break;
    case SDL_MOUSEMOTION:
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
    case SDL_MOUSEWHEEL:
        HandleMouse(event);
        break;
    case SDL_KEYDOWN:
    case SDL_TEXTINPUT:
        HandleKeyboard(event);
        break;
    default:
        break;
    }
}

// One round of the window thread's loop: waits up to waitMs for an event, then handles every
// queued event, marshalled send and close request, delivers paint requests and presents frames.
void LoopOnce(int waitMs, const std::function<bool()>& done = nullptr) {
    SDL_Event event;
    if (SDL_WaitEventTimeout(&event, waitMs) != 0) {
        HandleEvent(event);
        while ((!done || !done()) && SDL_PollEvent(&event) != 0) {
            HandleEvent(event);
        }
    }
    RunPendingTasks(done);
    if (done && done()) {
        return;
    }
    HandleQuit();
    DeliverPaintsAndPresent();
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

WindowHandle Register(std::shared_ptr<WindowImpl> impl) {
    System& s = Sys();
    std::lock_guard<std::mutex> lock(s.lock);
    WindowHandle handle = reinterpret_cast<WindowHandle>(s.nextHandle);
    s.nextHandle += 4;
    impl->handle = handle;
    s.windows[reinterpret_cast<uintptr_t>(handle)] = std::move(impl);
    return handle;
}

// Dialog units to pixels: a horizontal unit is a quarter of the font's average character width,
// a vertical unit an eighth of its line height.
Point DialogBaseUnits(const Font* font) {
    if (font == nullptr) {
        return Point{6, 13};
    }
    static constexpr std::wstring_view kAlphabet =
        L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    int32_t width = MeasureTextWidth(*font, kAlphabet);
    return Point{(width / 26 + 1) / 2, font->LineHeight()};
}

WindowHandle CreateDialogWindow(const DialogTemplate& dialogTemplate, WindowHandle owner,
                                DialogProc proc, LParam initParam, bool modal) {
    if (!InitWindowSystem() || !IsWindowThread()) {
        return nullptr;
    }
    auto impl = std::make_shared<WindowImpl>();
    LogFont fontDescription;
    fontDescription.height = -MulDiv(dialogTemplate.fontPoints, GetDisplayDpi(), 72);
    fontDescription.faceName = dialogTemplate.fontFace;
    impl->dialogFont = CreateFont(fontDescription);
    Point units = DialogBaseUnits(impl->dialogFont.get());
    auto toPixelsX = [&](int v) { return dialogTemplate.inPixels ? v : MulDiv(v, units.x, 4); };
    auto toPixelsY = [&](int v) { return dialogTemplate.inPixels ? v : MulDiv(v, units.y, 8); };
    int32_t width = std::max(1, toPixelsX(dialogTemplate.width));
    int32_t height = std::max(1, toPixelsY(dialogTemplate.height));
    uint32_t flags = SDL_WINDOW_HIDDEN | (dialogTemplate.caption ? 0 : SDL_WINDOW_BORDERLESS);
    SDL_Window* sdl =
        SDL_CreateWindow(WideToNarrow(dialogTemplate.title).c_str(), SDL_WINDOWPOS_CENTERED,
                         SDL_WINDOWPOS_CENTERED, width, height, flags);
    if (sdl == nullptr) {
        return nullptr;
    }
    int x = 0;
    int y = 0;
    SDL_GetWindowPosition(sdl, &x, &y);
    impl->sdl = sdl;
    impl->sdlId = SDL_GetWindowID(sdl);
    impl->proc = std::move(proc);
    impl->isDialog = true;
    impl->modal = modal;
    impl->owner = owner;
    impl->rect = Rect{x, y, x + width, y + height};
    impl->title = dialogTemplate.title;
    impl->font = impl->dialogFont.get();
    impl->surface = std::make_shared<WindowSurface>(width, height);
    {
        auto& canvas = impl->surface->Canvas();
        std::fill(canvas.Pixels(), canvas.Pixels() + static_cast<size_t>(width) * height,
                  PixelFromColorRef(kDialogFaceColor));
    }
    WindowHandle handle = Register(impl);
    WindowHandle firstControl = nullptr;
    for (const ControlTemplate& c : dialogTemplate.controls) {
        Rect r{toPixelsX(c.x), toPixelsY(c.y), toPixelsX(c.x + c.width), toPixelsY(c.y + c.height)};
        WindowHandle control = CreateControl(handle, c.kind, c.id, r, c.text, c.style);
        SetWindowFont(control, impl->dialogFont.get());
        if (firstControl == nullptr) {
            firstControl = control;
        }
    }
    Deliver(handle, kWmInitDialog, reinterpret_cast<WParam>(firstControl), initParam);
    return Find(handle) != nullptr ? handle : nullptr;
}

} // namespace

namespace detail {

bool WithControl(WindowHandle window,
                 const std::function<void(NativeControl&, ControlState&)>& fn) {
    return RunOnWindowThread<bool>(
        [&]() {
            std::shared_ptr<WindowImpl> c = Find(window);
            if (c == nullptr || c->control == nullptr) {
                return false;
            }
            SendToControl(c, [&](NativeControl& control, ControlState& state) {
                fn(control, state);
                return ControlResult{true, -1};
            });
            return true;
        },
        false);
}

} // namespace detail

bool InitWindowSystem() {
    System& s = Sys();
    if (s.running.load()) {
        return std::this_thread::get_id() == s.windowThread;
    }
    // Quit arrives as SDL_QUIT from SIGTERM and SIGINT; keep SDL's handlers for that.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // Frames are plain pixel copies: the driver's own window framebuffer serves them, without
    // bringing up a GL renderer (and its drivers) for a texture framebuffer.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        // No display: the off-screen driver still runs every window.
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
            return false;
        }
    }
    s.windowThread = std::this_thread::get_id();
    s.wakeEvent = SDL_RegisterEvents(1);
    const char* driver = SDL_GetCurrentVideoDriver();
    s.driver = driver ? driver : "";
    s.running.store(true);
    return true;
}

void ShutdownWindowSystem() {
    System& s = Sys();
    if (!s.running.load() || !IsWindowThread()) {
        return;
    }
    for (const auto& impl : TopLevels()) {
        DestroyWindow(impl->handle);
    }
    {
        std::lock_guard<std::mutex> lock(s.lock);
        s.running.store(false);
    }
    RunPendingTasks(); // senders still waiting get their answers from dead windows
    s.modalStack.clear();
    s.quitPending = false;
    s.quitSent.clear();
    s.capture = s.mouseControl = s.focus = nullptr;
    s.drag = DragState{};
    s.buttons = 0;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    s.driver.clear();
}

bool IsWindowThread() {
    System& s = Sys();
    return s.running.load() && std::this_thread::get_id() == s.windowThread;
}

std::string VideoDriverName() {
    return Sys().driver;
}

LResult DialogBox(const DialogTemplate& dialogTemplate, WindowHandle owner, DialogProc proc,
                  LParam initParam) {
    WindowHandle dialog =
        CreateDialogWindow(dialogTemplate, owner, std::move(proc), initParam, true);
    if (dialog == nullptr) {
        return -1;
    }
    System& s = Sys();
    std::shared_ptr<WindowImpl> ownerImpl = TopLevelOf(Find(owner));
    bool ownerWasEnabled = ownerImpl != nullptr && ownerImpl->enabled;
    if (ownerWasEnabled) {
        EnableWindow(ownerImpl->handle, false);
    }
    s.modalStack.push_back(dialog);
    if (std::shared_ptr<WindowImpl> impl = Find(dialog); impl && ownerImpl && ownerImpl->sdl) {
        SDL_SetWindowModalFor(impl->sdl, ownerImpl->sdl); // kept above its owner where possible
    }
    std::shared_ptr<WindowImpl> impl = Find(dialog);
    if (impl != nullptr && !impl->ended) {
        ShowWindow(dialog, kSwShow);
    }
    auto ended = [&] { return impl == nullptr || impl->ended || Find(dialog) == nullptr; };
    while (!ended()) {
        LoopOnce(kLoopSliceMs, ended);
    }
    s.modalStack.erase(std::remove(s.modalStack.begin(), s.modalStack.end(), dialog),
                       s.modalStack.end());
    // The owner comes back before the dialog goes, so that it keeps the activation.
    if (ownerWasEnabled) {
        EnableWindow(ownerImpl->handle, true);
    }
    LResult result = impl ? impl->endResult : -1;
    DestroyWindow(dialog);
    return result;
}

WindowHandle CreateDialog(const DialogTemplate& dialogTemplate, WindowHandle owner, DialogProc proc,
                          LParam initParam) {
    return CreateDialogWindow(dialogTemplate, owner, std::move(proc), initParam, false);
}

bool EndDialog(WindowHandle dialog, LResult result) {
    return RunOnWindowThread<bool>(
        [&]() {
            std::shared_ptr<WindowImpl> impl = Find(dialog);
            if (impl == nullptr || !impl->isDialog) {
                return false;
            }
            impl->ended = true;
            impl->endResult = result;
            if (!impl->modal) {
                // A modeless dialog disappears now and goes once the current message is done.
                ShowWindow(dialog, kSwHide);
                std::lock_guard<std::mutex> lock(Sys().lock);
                Sys().tasks.push_back([dialog] { DestroyWindow(dialog); });
            }
            return true;
        },
        false);
}

bool DestroyWindow(WindowHandle window) {
    return RunOnWindowThread<bool>(
        [&]() {
            std::shared_ptr<WindowImpl> impl = Find(window);
            if (impl == nullptr) {
                return false;
            }
            System& s = Sys();
            Deliver(window, kWmDestroy, 0, 0);
            std::vector<WindowHandle> children;
            {
                std::lock_guard<std::mutex> lock(s.lock);
                children = impl->children;
            }
            for (WindowHandle child : children) {
                DestroyWindow(child);
            }
            if (s.capture == window) {
                ReleaseCapture();
            }
            if (s.focus == window) {
                s.focus = nullptr;
            }
            if (s.mouseControl == window) {
                s.mouseControl = nullptr;
            }
            if (s.drag.window == window) {
                s.drag.window = nullptr;
            }
            s.quitSent.erase(window);
            {
                std::lock_guard<std::mutex> lock(s.lock);
                s.windows.erase(reinterpret_cast<uintptr_t>(window));
                if (auto parent = s.windows.find(reinterpret_cast<uintptr_t>(impl->parent));
                    parent != s.windows.end()) {
                    auto& siblings = parent->second->children;
                    siblings.erase(std::remove(siblings.begin(), siblings.end(), window),
                                   siblings.end());
                    parent->second->needsPresent = true;
                }
            }
            if (impl->sdl != nullptr) {
                SDL_DestroyWindow(impl->sdl);
                impl->sdl = nullptr;
            }
            return true;
        },
        false);
}

bool IsWindow(WindowHandle window) {
    return Find(window) != nullptr;
}

LResult SendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) {
    return RunOnWindowThread<LResult>([=]() { return Deliver(window, message, wParam, lParam); },
                                      0);
}

bool PostMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) {
    System& s = Sys();
    if (!s.running.load() || Find(window) == nullptr) {
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(s.lock);
        s.tasks.push_back([=] { Deliver(window, message, wParam, lParam); });
    }
    if (!IsWindowThread()) {
        Wake();
    }
    return true;
}

bool PostToWindowThread(std::function<void()> task) {
    System& s = Sys();
    {
        std::lock_guard<std::mutex> lock(s.lock);
        if (!s.running.load() || !task) {
            return false;
        }
        s.tasks.push_back(std::move(task));
    }
    if (!IsWindowThread()) {
        Wake();
    }
    return true;
}

void PumpMessages(int timeoutMs) {
    if (!InitWindowSystem()) {
        return;
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline - std::chrono::steady_clock::now())
                        .count();
        LoopOnce(static_cast<int>(std::clamp<long long>(left, 0, kLoopSliceMs)));
    } while (std::chrono::steady_clock::now() < deadline);
}

bool MoveWindow(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height,
                bool repaint) {
    return RunOnWindowThread<bool>(
        [=]() {
            std::shared_ptr<WindowImpl> impl = Find(window);
            if (impl == nullptr) {
                return false;
            }
            int32_t w = std::max(width, 1);
            int32_t h = std::max(height, 1);
            Rect old;
            {
                std::lock_guard<std::mutex> lock(Sys().lock);
                old = impl->rect;
                impl->rect = Rect{x, y, x + w, y + h};
                if (repaint) {
                    impl->needsPaint = true;
                }
            }
            if (impl->sdl != nullptr) {
                if (old.Width() != w || old.Height() != h) {
                    SDL_SetWindowSize(impl->sdl, w, h);
                    ResizeSurface(impl, w, h);
                }
                if (old.left != x || old.top != y) {
                    SDL_SetWindowPosition(impl->sdl, x, y);
                }
                MarkPresent(impl);
            } else {
                MarkPresent(impl);
            }
            if (old.left != x || old.top != y) {
                Deliver(window, kWmMove, 0, MakeLParam(x, y));
            }
            if (old.Width() != w || old.Height() != h) {
                Deliver(window, kWmSize, 0, MakeLParam(w, h));
            }
            return true;
        },
        false);
}

bool GetWindowRect(WindowHandle window, Rect* rect) {
    std::shared_ptr<WindowImpl> impl = Find(window);
    if (impl == nullptr || rect == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(Sys().lock);
    *rect = impl->rect;
    return true;
}

bool GetClientRect(WindowHandle window, Rect* rect) {
    std::shared_ptr<WindowImpl> impl = Find(window);
    if (impl == nullptr || rect == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(Sys().lock);
    *rect = Rect{0, 0, impl->rect.Width(), impl->rect.Height()};
    return true;
}

bool ClientToScreen(WindowHandle window, Point* point) {
    std::shared_ptr<WindowImpl> impl = Find(window);
    if (impl == nullptr || point == nullptr) {
        return false;
    }
    while (impl != nullptr) {
        {
            std::lock_guard<std::mutex> lock(Sys().lock);
            point->x += impl->rect.left;
            point->y += impl->rect.top;
        }
        impl = impl->parent ? Find(impl->parent) : nullptr;
    }
    return true;
}

bool ShowWindow(WindowHandle window, int command) {
    return RunOnWindowThread<bool>(
        [=]() {
            std::shared_ptr<WindowImpl> impl = Find(window);
            if (impl == nullptr) {
                return false;
            }
            bool wasVisible = impl->visible;
            bool show = command != kSwHide;
            if (show != wasVisible) {
                Deliver(window, kWmShowWindow, show ? 1 : 0, 0);
            }
            {
                std::lock_guard<std::mutex> lock(Sys().lock);
                impl->visible = show;
                if (show && !wasVisible) {
                    impl->needsPaint = true;
                    impl->needsErase = true;
                }
                impl->needsPresent = true;
            }
            if (impl->sdl != nullptr) {
                if (!show) {
                    SDL_HideWindow(impl->sdl);
                } else if (command == kSwMinimize || command == kSwShowMinimized) {
                    SDL_ShowWindow(impl->sdl);
                    SDL_MinimizeWindow(impl->sdl);
                    std::lock_guard<std::mutex> lock(Sys().lock);
                    impl->minimized = true;
                } else {
                    SDL_ShowWindow(impl->sdl);
                    if (command == kSwRestore) {
                        SDL_RestoreWindow(impl->sdl);
                        std::lock_guard<std::mutex> lock(Sys().lock);
                        impl->minimized = false;
                    }
                }
            } else {
                MarkPresent(impl);
                if (!show && Sys().focus == window) {
                    SetFocusControl(nullptr);
                }
            }
            return wasVisible;
        },
        false);
}

bool IsWindowVisible(WindowHandle window) {
    std::shared_ptr<WindowImpl> impl = Find(window);
    if (impl == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(Sys().lock);
    return impl->visible;
}

bool IsIconic(WindowHandle window) {
    std::shared_ptr<WindowImpl> impl = Find(window);
    if (impl == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(Sys().lock);
    return impl->minimized;
}

bool EnableWindow(WindowHandle window, bool enable) {
    return RunOnWindowThread<bool>(
        [=]() {
            std::shared_ptr<WindowImpl> impl = Find(window);
            if (impl == nullptr) {
                return false;
            }
            bool wasDisabled = false;
            {
                std::lock_guard<std::mutex> lock(Sys().lock);
                wasDisabled = !impl->enabled;
                impl->enabled = enable;
            }
            if (!enable && Sys().focus == window) {
                SetFocusControl(nullptr);
            }
            // A disabled window loses the mouse capture, as on Windows: a modal box opened from
            // a button's release must get the clicks that follow.
            if (!enable && Sys().capture == window) {
                ReleaseCapture();
            }
            MarkPresent(impl);
            return wasDisabled;
        },
        false);
}

bool IsWindowEnabled(WindowHandle window) {
    std::shared_ptr<WindowImpl> impl = Find(window);
    if (impl == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(Sys().lock);
    return impl->enabled;
}

bool SetWindowText(WindowHandle window, const std::wstring& text) {
    return RunOnWindowThread<bool>(
        [&]() {
            std::shared_ptr<WindowImpl> impl = Find(window);
            if (impl == nullptr) {
                return false;
            }
            {
                std::lock_guard<std::mutex> lock(Sys().lock);
                impl->title = text;
            }
            if (impl->sdl != nullptr) {
                SDL_SetWindowTitle(impl->sdl, WideToNarrow(text).c_str());
            }
            MarkPresent(impl);
            return true;
        },
        false);
}

std::wstring GetWindowText(WindowHandle window) {
    std::shared_ptr<WindowImpl> impl = Find(window);
    if (impl == nullptr) {
        return {};
    }
    std::lock_guard<std::mutex> lock(Sys().lock);
    return impl->title;
}

bool SetWindowIcon(WindowHandle window, const Bitmap& icon, const std::vector<uint8_t>* alpha) {
    return RunOnWindowThread<bool>(
        [&]() {
            std::shared_ptr<WindowImpl> impl = Find(window);
            if (impl == nullptr || impl->sdl == nullptr || icon.Width() <= 0) {
                return false;
            }
            size_t count = static_cast<size_t>(icon.Width()) * icon.Height();
            std::vector<uint32_t> argb(icon.Pixels(), icon.Pixels() + count);
            for (size_t i = 0; i < count; ++i) {
                uint32_t a = (alpha != nullptr && alpha->size() == count) ? (*alpha)[i] : 0xFF;
                argb[i] |= a << 24;
            }
            SDL_Surface* surface =
                SDL_CreateRGBSurfaceWithFormatFrom(argb.data(), icon.Width(), icon.Height(), 32,
                                                   icon.Width() * 4, SDL_PIXELFORMAT_ARGB8888);
            if (surface == nullptr) {
                return false;
            }
            SDL_SetWindowIcon(impl->sdl, surface);
            SDL_FreeSurface(surface);
            return true;
        },
        false);
}

bool SetWindowIconFromPng(WindowHandle window, const uint8_t* data, size_t size) {
    std::vector<uint8_t> alpha;
    std::unique_ptr<Bitmap> icon = DecodePng(data, size, &alpha);
    return icon != nullptr && SetWindowIcon(window, *icon, &alpha);
}

bool ShowNativeMessageBox(WindowHandle owner, const std::wstring& caption,
                          const std::wstring& text) {
    if (!InitWindowSystem() && !Sys().running.load()) {
        return false;
    }
    return RunOnWindowThread<bool>(
        [&]() {
            std::shared_ptr<WindowImpl> impl = TopLevelOf(Find(owner));
            SDL_Window* parent = impl ? impl->sdl : nullptr;
            return SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, WideToNarrow(caption).c_str(),
                                            WideToNarrow(text).c_str(), parent) == 0;
        },
        false);
}

bool IsDesktopCompositionEnabled() {
    return false;
}

WindowHandle GetParent(WindowHandle window) {
    std::shared_ptr<WindowImpl> impl = Find(window);
    if (impl == nullptr) {
        return nullptr;
    }
    return impl->parent ? impl->parent : impl->owner;
}

WindowHandle GetDlgItem(WindowHandle dialog, int id) {
    std::shared_ptr<WindowImpl> impl = Find(dialog);
    if (impl == nullptr) {
        return nullptr;
    }
    std::vector<WindowHandle> children;
    {
        std::lock_guard<std::mutex> lock(Sys().lock);
        children = impl->children;
    }
    for (WindowHandle child : children) {
        if (auto c = Find(child); c != nullptr && c->id == id) {
            return child;
        }
    }
    return nullptr;
}

int GetDlgCtrlId(WindowHandle window) {
    std::shared_ptr<WindowImpl> impl = Find(window);
    return impl ? impl->id : 0;
}

void SetWindowFont(WindowHandle window, const Font* font) {
    SendMessage(window, kWmSetFont, reinterpret_cast<WParam>(font), 1);
}

int GetSystemMetrics(int index) {
    return RunOnWindowThread<int>(
        [=]() {
            SDL_DisplayMode mode{};
            if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
                mode.w = 1024;
                mode.h = 768;
            }
            if (index == kSmCxScreen) {
                return mode.w;
            }
            if (index == kSmCyScreen) {
                return mode.h;
            }
            return 0;
        },
        0);
}

WindowHandle SetCapture(WindowHandle window) {
    return RunOnWindowThread<WindowHandle>(
        [=]() -> WindowHandle {
            System& s = Sys();
            WindowHandle previous = s.capture;
            if (Find(window) == nullptr) {
                return previous;
            }
            s.capture = window;
            if (s.driver != "offscreen" && s.driver != "dummy") {
                SDL_CaptureMouse(SDL_TRUE);
            }
            return previous;
        },
        nullptr);
}

bool ReleaseCapture() {
    return RunOnWindowThread<bool>(
        [=]() {
            System& s = Sys();
            WindowHandle previous = s.capture;
            s.capture = nullptr;
            if (previous != nullptr && s.driver != "offscreen" && s.driver != "dummy") {
                SDL_CaptureMouse(SDL_FALSE);
            }
            return true;
        },
        false);
}

WindowHandle GetCapture() {
    return RunOnWindowThread<WindowHandle>([]() { return Sys().capture; }, nullptr);
}

bool InvalidateRect(WindowHandle window, const Rect* rect, bool erase) {
    std::shared_ptr<WindowImpl> impl = TopLevelOf(Find(window));
    if (impl == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(Sys().lock);
    impl->needsPaint = true;
    impl->needsErase = impl->needsErase || erase;
    return true;
}

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

WindowHandle CreateControl(WindowHandle parent, ControlKind kind, int id, const Rect& rect,
                           const std::wstring& text, uint32_t style) {
    return RunOnWindowThread<WindowHandle>(
        [&]() -> WindowHandle {
            std::shared_ptr<WindowImpl> parentImpl = Find(parent);
            if (parentImpl == nullptr || parentImpl->parent != nullptr) {
                return nullptr;
            }
            auto impl = std::make_shared<WindowImpl>();
            impl->parent = parent;
            impl->id = id;
            impl->rect = rect;
            impl->title = text;
            impl->visible = (style & kControlVisible) != 0;
            impl->enabled = (style & kControlDisabled) == 0;
            impl->font = parentImpl->font;
            impl->control = detail::MakeNativeControl(kind, style);
            WindowHandle handle = Register(impl);
            {
                std::lock_guard<std::mutex> lock(Sys().lock);
                parentImpl->children.push_back(handle);
                parentImpl->needsPresent = true;
            }
            return handle;
        },
        nullptr);
}

namespace {

bool PushEvent(SDL_Event& event) {
    if (!Sys().running.load()) {
        return false;
    }
    return SDL_PushEvent(&event) == 1;
}

uint32_t SdlIdOf(WindowHandle window) {
    std::shared_ptr<WindowImpl> impl = TopLevelOf(Find(window));
    return impl && impl->sdl ? impl->sdlId : 0;
}

} // namespace

bool PushMouseEventForTesting(WindowHandle window, MouseAction action, int32_t x, int32_t y,
                              int wheel) {
    uint32_t id = SdlIdOf(window);
    if (id == 0) {
        return false;
    }
    SDL_Event event{};
    switch (action) {
    case MouseAction::Move:
        event.type = SDL_MOUSEMOTION;
        event.motion.windowID = id;
        event.motion.x = x;
        event.motion.y = y;
        break;
    case MouseAction::LeftDown:
    case MouseAction::LeftUp:
        event.type = action == MouseAction::LeftDown ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        event.button.windowID = id;
        event.button.button = SDL_BUTTON_LEFT;
        event.button.state = action == MouseAction::LeftDown ? SDL_PRESSED : SDL_RELEASED;
        event.button.clicks = 1;
        event.button.x = x;
        event.button.y = y;
        break;
    case MouseAction::Wheel:
        event.type = SDL_MOUSEWHEEL;
        event.wheel.windowID = id;
        event.wheel.y = wheel;
        break;
    }
    return PushEvent(event);
}

bool PushKeyEventForTesting(WindowHandle window, int sdlKeycode, bool ctrl, bool shift) {
    uint32_t id = SdlIdOf(window);
    if (id == 0) {
        return false;
    }
    SDL_Event event{};
    event.type = SDL_KEYDOWN;
    event.key.windowID = id;
    event.key.state = SDL_PRESSED;
    event.key.keysym.sym = sdlKeycode;
    event.key.keysym.mod =
        static_cast<uint16_t>((ctrl ? KMOD_LCTRL : 0) | (shift ? KMOD_LSHIFT : 0));
    return PushEvent(event);
}

bool PushTextInputForTesting(WindowHandle window, const std::string& utf8) {
    uint32_t id = SdlIdOf(window);
    if (id == 0 || utf8.size() >= sizeof(SDL_TextInputEvent::text)) {
        return false;
    }
    SDL_Event event{};
    event.type = SDL_TEXTINPUT;
    event.text.windowID = id;
    std::memcpy(event.text.text, utf8.data(), utf8.size());
    return PushEvent(event);
}

bool PushCloseRequestForTesting(WindowHandle window) {
    uint32_t id = SdlIdOf(window);
    if (id == 0) {
        return false;
    }
    SDL_Event event{};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = id;
    event.window.event = SDL_WINDOWEVENT_CLOSE;
    return PushEvent(event);
}

bool PushQuitForTesting() {
    SDL_Event event{};
    event.type = SDL_QUIT;
    return PushEvent(event);
}

} // namespace platform
