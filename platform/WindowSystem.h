// The window system's shared state and the functions its files call in one another: the window
// registry (WindowRegistry.cpp), the window thread (WindowThread.cpp), input (WindowInput.cpp),
// presenting (WindowPresent.cpp), dialogs (WindowDialogs.cpp), window properties
// (WindowProperties.cpp) and test injection (WindowTesting.cpp). Not for use outside platform/.
#pragma once

#include <atomic>
#include <cassert>
#include <deque>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/Font.h"
#include "platform/Window.h"
#include "platform/WindowBackend.h"
#include "platform/WindowInternal.h"

// Window-thread-only code states it, with the reason (debug builds).
#define KELTO_ASSERT_WINDOW_THREAD(reason) assert(::platform::detail::OnWindowThread() && (reason))

namespace platform::detail {

// The face colour of plain dialogs, erased under their controls.
inline constexpr ColorRef kDialogFaceColor = 0xF0F0F0;

struct WindowImpl {
    WindowHandle handle = nullptr;
    WindowHandle parent = nullptr; // controls only
    WindowHandle owner = nullptr;
    BackendWindowId native = 0; // top-level windows only
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
    std::unique_ptr<NativeControl> control;
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

// Who has the mouse. Changed only through SetMouseState, which writes every change to the
// debugger output.
struct MouseState {
    uint32_t buttons = 0;           // kMk* bits of the buttons held
    WindowHandle capture = nullptr; // SetCapture's window
    WindowHandle pressed = nullptr; // the control that took the current press
    WindowHandle focus = nullptr;   // the control that takes the keys
    DragState drag;                 // a caption drag in progress
};

// Everything the window system shares. Fields of WindowImpl that other threads read (geometry,
// visibility, text, the surface and the presented frame) are written under lock; the backend's
// windows and dialog procedures are touched on the window thread only. Nothing calls out (a
// procedure, a control, the clipboard) while holding lock.
struct System {
    std::mutex lock;
    std::map<uintptr_t, std::shared_ptr<WindowImpl>> windows;
    uintptr_t nextHandle = 0x10;
    std::atomic<bool> running{false};
    std::thread::id windowThread;
    std::deque<std::function<void()>> tasks;
    // Set and reset under lock on the window thread; other threads only Wake and Inject, under
    // lock.
    std::unique_ptr<WindowBackend> backend;
    // Window thread only:
    MouseState mouse;
    std::vector<WindowHandle> modalStack;
    bool quitPending = false;
    std::set<WindowHandle> quitSent;
};

System& Sys();
// Whether the caller is the window system's thread (also while it shuts down).
bool OnWindowThread();
// The backend, for the window thread.
WindowBackend& Backend();

// The registry (WindowRegistry.cpp).
std::shared_ptr<WindowImpl> Find(WindowHandle handle);
std::shared_ptr<WindowImpl> FindByNative(BackendWindowId native);
std::shared_ptr<WindowImpl> TopLevelOf(std::shared_ptr<WindowImpl> impl);
std::vector<std::shared_ptr<WindowImpl>> TopLevels();
std::vector<WindowHandle> ChildrenOf(const WindowImpl& impl);
WindowHandle Register(std::shared_ptr<WindowImpl> impl);
// Removes the window from the registry and from its parent's children.
void Unregister(const WindowImpl& impl);
// The window's top level must present its frame again.
void MarkPresent(const std::shared_ptr<WindowImpl>& impl);

// The window thread (WindowThread.cpp).
void WakeWindowThread();
// Queues task for the window thread; false when the window system is not running.
bool QueueTask(std::function<void()> task);
// One round of the loop: waits up to waitMs for an event, then handles every queued event,
// marshalled send and close request, delivers paint requests and presents frames. Stops early
// once done() holds.
void LoopOnce(int waitMs, const std::function<bool()>& done = nullptr);

// Runs fn on the window thread and waits for it. From the window thread it runs at once; with no
// window system running it does not run and fallback is returned.
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
    if (!QueueTask([task] { (*task)(); })) {
        return fallback;
    }
    return result.get();
}

// Dialogs (WindowDialogs.cpp): the procedure, then the dialog's default handling.
LResult Deliver(WindowHandle handle, uint32_t message, WParam wParam, LParam lParam);

// Input (WindowInput.cpp).
const MouseState& Mouse();
void SetMouseState(const MouseState& next);
void HandleMouse(const BackendEvent& event);
void HandleKeyboard(const BackendEvent& event);
void SetFocusControl(WindowHandle handle);
// Starts a caption drag of impl with the pointer at screen.
void StartDrag(const std::shared_ptr<WindowImpl>& impl, Point screen);
// Forgets a window that goes: it no longer has the capture, the focus, the press or the drag.
void ForgetMouseWindow(WindowHandle window);
// Runs fn with the control and a copy of its state, without the lock; stores the text it changed
// and repaints or notifies as the result asks.
ControlResult SendToControl(const std::shared_ptr<WindowImpl>& c,
                            const std::function<ControlResult(NativeControl&, ControlState&)>& fn);

// Presenting (WindowPresent.cpp).
void DeliverPaintsAndPresent();
// Sizes the window's canvas, keeping what was drawn where it still fits.
void ResizeSurface(const std::shared_ptr<WindowImpl>& impl, int32_t width, int32_t height);

} // namespace platform::detail
