// Window properties: geometry, visibility, enabling, text and icon, the tree's lookups, mouse
// capture, the clipboard, screen metrics and the native message box.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/HostDialog.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "platform/WindowSystem.h"

namespace platform {
namespace {

using namespace detail;

// Reads a field of a window under the lock; fallback for a dead window.
template <typename T, typename F>
T Read(WindowHandle window, T fallback, F field) {
    std::shared_ptr<WindowImpl> impl = Find(window);
    if (impl == nullptr) {
        return fallback;
    }
    std::lock_guard<std::mutex> lock(Sys().lock);
    return field(*impl);
}

// Capabilities are fixed when the backend opens, so any thread may ask.
bool BackendCan(uint32_t capability) {
    System& s = Sys();
    std::lock_guard<std::mutex> lock(s.lock);
    return s.backend != nullptr && (s.backend->Capabilities() & capability) != 0;
}

// The backend's show for a top-level window; minimised follows what was asked.
void ShowNative(const std::shared_ptr<WindowImpl>& impl, int command) {
    BackendShow how = BackendShow::Show;
    if (command == kSwHide) {
        how = BackendShow::Hide;
    } else if (command == kSwMinimize || command == kSwShowMinimized) {
        how = BackendShow::Minimize;
    } else if (command == kSwRestore) {
        how = BackendShow::Restore;
    }
    Backend().Show(impl->native, how);
    if (how == BackendShow::Minimize || how == BackendShow::Restore) {
        SetMinimized(impl, how == BackendShow::Minimize);
    }
}

} // namespace

void detail::SetMinimized(const std::shared_ptr<WindowImpl>& impl, bool minimized) {
    Rect r;
    {
        std::lock_guard<std::mutex> lock(Sys().lock);
        if (impl->minimized == minimized) {
            return;
        }
        impl->minimized = minimized;
        r = impl->rect;
    }
    if (minimized) {
        Deliver(impl->handle, kWmSize, kSizeMinimized, 0);
    } else {
        Deliver(impl->handle, kWmSize, kSizeRestored, MakeLParam(r.Width(), r.Height()));
    }
}

bool IsWindow(WindowHandle window) {
    return Find(window) != nullptr;
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
            bool moved = old.left != x || old.top != y;
            bool sized = old.Width() != w || old.Height() != h;
            if (impl->native != 0 && sized) {
                Backend().Resize(impl->native, w, h);
                ResizeSurface(impl, w, h);
            }
            if (impl->native != 0 && moved) {
                Backend().Move(impl->native, x, y);
            }
            MarkPresent(impl);
            if (moved) {
                Deliver(window, kWmMove, 0, MakeLParam(x, y));
            }
            if (sized) {
                Deliver(window, kWmSize, 0, MakeLParam(w, h));
            }
            return true;
        },
        false);
}

bool GetWindowRect(WindowHandle window, Rect* rect) {
    if (rect == nullptr) {
        return false;
    }
    std::optional<Rect> r =
        Read<std::optional<Rect>>(window, std::nullopt, [](const WindowImpl& w) { return w.rect; });
    if (r.has_value()) {
        *rect = *r;
    }
    return r.has_value();
}

bool GetClientRect(WindowHandle window, Rect* rect) {
    if (!GetWindowRect(window, rect)) {
        return false;
    }
    *rect = Rect{0, 0, rect->Width(), rect->Height()};
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
            // A window being hidden hears it while still visible; one being shown already
            // counts as visible (a subclass shows its companions with it).
            if (!show && wasVisible) {
                Deliver(window, kWmShowWindow, 0, 0);
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
            if (show && !wasVisible) {
                Deliver(window, kWmShowWindow, 1, 0);
            }
            if (impl->native != 0) {
                ShowNative(impl, command);
            } else {
                MarkPresent(impl);
                if (!show && Mouse().focus == window) {
                    SetFocusControl(nullptr);
                }
            }
            return wasVisible;
        },
        false);
}

bool IsWindowVisible(WindowHandle window) {
    return Read(window, false, [](const WindowImpl& w) { return w.visible; });
}

bool IsIconic(WindowHandle window) {
    return Read(window, false, [](const WindowImpl& w) { return w.minimized; });
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
            if (!enable && Mouse().focus == window) {
                SetFocusControl(nullptr);
            }
            // A disabled window loses the mouse capture, as on Windows: a modal box opened from
            // a button's release must get the clicks that follow.
            if (!enable && Mouse().capture == window) {
                ReleaseCapture();
            }
            MarkPresent(impl);
            return wasDisabled;
        },
        false);
}

bool IsWindowEnabled(WindowHandle window) {
    return Read(window, false, [](const WindowImpl& w) { return w.enabled; });
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
            if (impl->native != 0) {
                Backend().SetTitle(impl->native, WideToNarrow(text));
            }
            MarkPresent(impl);
            return true;
        },
        false);
}

std::wstring GetWindowText(WindowHandle window) {
    return Read(window, std::wstring(), [](const WindowImpl& w) { return w.title; });
}

bool SetWindowIcon(WindowHandle window, const Bitmap& icon, const std::vector<uint8_t>* alpha) {
    return RunOnWindowThread<bool>(
        [&]() {
            std::shared_ptr<WindowImpl> impl = Find(window);
            if (impl == nullptr || impl->native == 0 || icon.Width() <= 0) {
                return false;
            }
            size_t count = static_cast<size_t>(icon.Width()) * icon.Height();
            std::vector<uint32_t> argb(icon.Pixels(), icon.Pixels() + count);
            for (size_t i = 0; i < count; ++i) {
                uint32_t a = (alpha != nullptr && alpha->size() == count) ? (*alpha)[i] : 0xFF;
                argb[i] |= a << 24;
            }
            return Backend().SetIcon(impl->native, argb.data(), icon.Width(), icon.Height());
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
    if (!BackendCan(kBackendMessageBox)) {
        OutputDebugText("ShowNativeMessageBox: this display shows no native message box\n");
        return false;
    }
    std::vector<std::string> arguments = {"--error", "--no-markup", "--modal",
                                          "--title=" + WideToNarrow(caption),
                                          "--text=" + WideToNarrow(text)};
    if (const uintptr_t x11 = owner ? GetNativeX11Window(owner) : 0; x11 != 0) {
        arguments.push_back("--attach=" + std::to_string(x11));
    }
    // Like the system's own box, it keeps the owner from taking input until it is answered, and
    // goes when the owner does.
    const bool disabled = owner != nullptr && IsWindowEnabled(owner);
    if (disabled) {
        EnableWindow(owner, false);
    }
    const HostDialogResult answer = RunHostDialog(arguments, kNativeMessageBoxBoundMs, [owner]() {
        return owner != nullptr && !IsWindow(owner);
    });
    if (disabled) {
        EnableWindow(owner, true);
    }
    return answer.end != HostDialogEnd::NotStarted;
}

bool IsDesktopCompositionEnabled() {
    return BackendCan(kBackendCompositing);
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
    for (WindowHandle child : ChildrenOf(*impl)) {
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
            Point screen = Backend().ScreenSize();
            return index == kSmCxScreen ? screen.x : index == kSmCyScreen ? screen.y : 0;
        },
        0);
}

WindowHandle SetCapture(WindowHandle window) {
    return RunOnWindowThread<WindowHandle>(
        [=]() -> WindowHandle {
            WindowHandle previous = Mouse().capture;
            if (Find(window) == nullptr) {
                return previous;
            }
            MouseState next = Mouse();
            next.capture = window;
            SetMouseState(next);
            Backend().CaptureMouse(true);
            return previous;
        },
        nullptr);
}

bool ReleaseCapture() {
    return RunOnWindowThread<bool>(
        [=]() {
            if (Mouse().capture != nullptr) {
                MouseState next = Mouse();
                next.capture = nullptr;
                SetMouseState(next);
                Backend().CaptureMouse(false);
            }
            return true;
        },
        false);
}

WindowHandle GetCapture() {
    return RunOnWindowThread<WindowHandle>([]() { return Mouse().capture; }, nullptr);
}

std::wstring GetClipboardText() {
    if (!InitWindowSystem() && !Sys().running.load()) {
        return {};
    }
    return RunOnWindowThread<std::wstring>([] { return NarrowToWide(Backend().ClipboardText()); },
                                           std::wstring());
}

bool SetClipboardText(const std::wstring& text) {
    if (!InitWindowSystem() && !Sys().running.load()) {
        return false;
    }
    return RunOnWindowThread<bool>(
        [&] {
            Backend().SetClipboardText(WideToNarrow(text));
            return true;
        },
        false);
}

uintptr_t GetNativeX11Window(WindowHandle window) {
    return RunOnWindowThread<uintptr_t>(
        [=]() -> uintptr_t {
            std::shared_ptr<WindowImpl> impl = TopLevelOf(Find(window));
            return impl && impl->native ? Backend().NativeX11Window(impl->native) : 0;
        },
        0);
}

} // namespace platform
