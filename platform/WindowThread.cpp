// The window thread: starting and stopping the window system, the tasks other threads hand it
// (sends, posts), and the event loop that handles the backend's events, close requests, paint
// requests and frames.
#include <algorithm>
#include <chrono>

#include "platform/WindowSystem.h"

namespace platform {
namespace detail {
namespace {

constexpr int kLoopSliceMs = 10;

std::unique_ptr<WindowBackend> OpenBackend(WindowBackendKind kind) {
    switch (kind) {
    case WindowBackendKind::Display:
        return OpenDisplayBackend(DisplayChoice::RealDisplayOnly);
    case WindowBackendKind::Headless:
        return OpenHeadlessBackend();
    case WindowBackendKind::Automatic:
        break;
    }
    // The one place that asks whether there is a display.
    if (auto display = OpenDisplayBackend(DisplayChoice::AsConfigured)) {
        return display;
    }
    return OpenHeadlessBackend();
}

void RunPendingTasks(const std::function<bool()>& done) {
    KELTO_ASSERT_WINDOW_THREAD("queued tasks run where the windows live");
    System& s = Sys();
    for (;;) {
        // Stops early once done() holds, so that a modal loop that ended leaves the rest to the
        // loop outside it, the way a message loop ends after the message that ended it.
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

// The window manager moved the window (a drag of ours moves it itself and is not reported).
void HandleMoved(const std::shared_ptr<WindowImpl>& impl, Point position) {
    if (Mouse().drag.window == impl->handle) {
        return;
    }
    bool moved = false;
    {
        std::lock_guard<std::mutex> lock(Sys().lock);
        moved = impl->rect.left != position.x || impl->rect.top != position.y;
        impl->rect = Rect{position.x, position.y, position.x + impl->rect.Width(),
                          position.y + impl->rect.Height()};
    }
    if (moved) {
        Deliver(impl->handle, kWmMove, 0, MakeLParam(position.x, position.y));
    }
}

void HandleWindowEvent(const BackendEvent& event) {
    std::shared_ptr<WindowImpl> impl = FindByNative(event.window);
    if (impl == nullptr) {
        return;
    }
    switch (event.kind) {
    case BackendEventKind::Close:
        if (impl->enabled) {
            Deliver(impl->handle, kWmClose, 0, 0);
        }
        break;
    case BackendEventKind::Moved:
        HandleMoved(impl, event.point);
        break;
    case BackendEventKind::Exposed:
    case BackendEventKind::Minimized:
    case BackendEventKind::Restored: {
        if (event.kind != BackendEventKind::Exposed) {
            SetMinimized(impl, event.kind == BackendEventKind::Minimized);
        }
        std::lock_guard<std::mutex> lock(Sys().lock);
        impl->needsPresent = impl->needsPresent || event.kind != BackendEventKind::Minimized;
        break;
    }
    default:
        break;
    }
}

void HandleEvent(const BackendEvent& event) {
    switch (event.kind) {
    case BackendEventKind::Wake:
        break;
    case BackendEventKind::Quit:
        // Every signal is a new close request, also to a window that refused the last one.
        Sys().quitPending = true;
        Sys().quitSent.clear();
        break;
    case BackendEventKind::Close:
    case BackendEventKind::Exposed:
    case BackendEventKind::Moved:
    case BackendEventKind::Minimized:
    case BackendEventKind::Restored:
        HandleWindowEvent(event);
        break;
    case BackendEventKind::MouseMove:
    case BackendEventKind::MouseDown:
    case BackendEventKind::MouseUp:
    case BackendEventKind::Wheel:
        HandleMouse(event);
        break;
    case BackendEventKind::KeyDown:
    case BackendEventKind::TextInput:
        HandleKeyboard(event);
        break;
    }
}

} // namespace

void WakeWindowThread() {
    System& s = Sys();
    std::lock_guard<std::mutex> lock(s.lock);
    if (s.running.load() && s.backend != nullptr) {
        s.backend->Wake();
    }
}

bool QueueTask(std::function<void()> task) {
    System& s = Sys();
    {
        std::lock_guard<std::mutex> lock(s.lock);
        if (!s.running.load() || !task) {
            return false;
        }
        s.tasks.push_back(std::move(task));
    }
    if (!OnWindowThread()) {
        WakeWindowThread();
    }
    return true;
}

void LoopOnce(int waitMs, const std::function<bool()>& done) {
    KELTO_ASSERT_WINDOW_THREAD("the event loop runs on the thread that owns the windows");
    BackendEvent event;
    if (Backend().WaitEvent(&event, waitMs)) {
        HandleEvent(event);
        while ((!done || !done()) && Backend().PollEvent(&event)) {
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

} // namespace detail

using namespace detail;

bool InitWindowSystem(WindowBackendKind kind) {
    System& s = Sys();
    if (s.running.load()) {
        return std::this_thread::get_id() == s.windowThread;
    }
    std::unique_ptr<WindowBackend> backend = OpenBackend(kind);
    if (backend == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(s.lock);
    s.backend = std::move(backend);
    s.windowThread = std::this_thread::get_id();
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
    RunPendingTasks(nullptr); // senders still waiting get their answers from dead windows
    s.modalStack.clear();
    s.quitPending = false;
    s.quitSent.clear();
    SetMouseState(MouseState{});
    std::unique_ptr<WindowBackend> backend;
    {
        std::lock_guard<std::mutex> lock(s.lock);
        backend = std::move(s.backend);
    }
    backend.reset();
}

bool IsWindowThread() {
    return Sys().running.load() && OnWindowThread();
}

std::string VideoDriverName() {
    System& s = Sys();
    std::lock_guard<std::mutex> lock(s.lock);
    return s.backend != nullptr ? s.backend->Name() : std::string();
}

bool HasDisplay() {
    System& s = Sys();
    std::lock_guard<std::mutex> lock(s.lock);
    return s.backend != nullptr && (s.backend->Capabilities() & kBackendRealDisplay) != 0;
}

LResult SendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) {
    return RunOnWindowThread<LResult>([=]() { return Deliver(window, message, wParam, lParam); },
                                      0);
}

bool PostMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam) {
    if (Find(window) == nullptr) {
        return false;
    }
    return QueueTask([=] { Deliver(window, message, wParam, lParam); });
}

bool PostToWindowThread(std::function<void()> task) {
    return QueueTask(std::move(task));
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

} // namespace platform
