// Dialogs: creating a dialog from its template with its controls, the modal loop, ending and
// destroying, and message delivery with the dialog's default handling.
#include <algorithm>

#include "platform/Text.h"
#include "platform/WindowSystem.h"

namespace platform {
namespace detail {
namespace {

constexpr int kModalSliceMs = 10;

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

// The dialog's top-level window, hidden, its canvas in the dialog face; null when the backend
// cannot make it.
std::shared_ptr<WindowImpl> NewDialogWindow(const DialogTemplate& dialogTemplate,
                                            std::unique_ptr<Font> font, int32_t width,
                                            int32_t height) {
    BackendWindowParams params{WideToNarrow(dialogTemplate.title), width, height,
                               dialogTemplate.caption};
    Point position;
    BackendWindowId native = Backend().Create(params, &position);
    if (native == 0) {
        return nullptr;
    }
    auto impl = std::make_shared<WindowImpl>();
    impl->native = native;
    impl->isDialog = true;
    impl->rect = Rect{position.x, position.y, position.x + width, position.y + height};
    impl->title = dialogTemplate.title;
    impl->dialogFont = std::move(font);
    impl->font = impl->dialogFont.get();
    impl->surface = std::make_shared<WindowSurface>(width, height);
    auto& canvas = impl->surface->Canvas();
    std::fill(canvas.Pixels(), canvas.Pixels() + static_cast<size_t>(width) * height,
              PixelFromColorRef(kDialogFaceColor));
    return impl;
}

WindowHandle CreateDialogWindow(const DialogTemplate& dialogTemplate, WindowHandle owner,
                                DialogProc proc, LParam initParam, bool modal) {
    if (!InitWindowSystem() || !IsWindowThread()) {
        return nullptr;
    }
    LogFont fontDescription;
    fontDescription.height = -MulDiv(dialogTemplate.fontPoints, GetDisplayDpi(), 72);
    fontDescription.faceName = dialogTemplate.fontFace;
    std::unique_ptr<Font> font = CreateFont(fontDescription);
    Point units = DialogBaseUnits(font.get());
    auto toPixelsX = [&](int v) { return dialogTemplate.inPixels ? v : MulDiv(v, units.x, 4); };
    auto toPixelsY = [&](int v) { return dialogTemplate.inPixels ? v : MulDiv(v, units.y, 8); };
    int32_t width = std::max(1, toPixelsX(dialogTemplate.width));
    int32_t height = std::max(1, toPixelsY(dialogTemplate.height));
    std::shared_ptr<WindowImpl> impl =
        NewDialogWindow(dialogTemplate, std::move(font), width, height);
    if (impl == nullptr) {
        return nullptr;
    }
    impl->proc = std::move(proc);
    impl->modal = modal;
    impl->owner = owner;
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

// The modal loop of dialog: the owner disabled, the dialog kept above it, until EndDialog.
LResult RunModalLoop(WindowHandle dialog, WindowHandle owner) {
    System& s = Sys();
    std::shared_ptr<WindowImpl> ownerImpl = TopLevelOf(Find(owner));
    bool ownerWasEnabled = ownerImpl != nullptr && ownerImpl->enabled;
    if (ownerWasEnabled) {
        EnableWindow(ownerImpl->handle, false);
    }
    s.modalStack.push_back(dialog);
    std::shared_ptr<WindowImpl> impl = Find(dialog);
    if (impl != nullptr && ownerImpl != nullptr && ownerImpl->native != 0) {
        Backend().SetModalFor(impl->native, ownerImpl->native);
    }
    if (impl != nullptr && !impl->ended) {
        ShowWindow(dialog, kSwShow);
    }
    auto ended = [&] { return impl == nullptr || impl->ended || Find(dialog) == nullptr; };
    while (!ended()) {
        LoopOnce(kModalSliceMs, ended);
    }
    s.modalStack.erase(std::remove(s.modalStack.begin(), s.modalStack.end(), dialog),
                       s.modalStack.end());
    // The owner comes back before the dialog goes, so that it keeps the activation.
    if (ownerWasEnabled) {
        EnableWindow(ownerImpl->handle, true);
    }
    return impl ? impl->endResult : -1;
}

} // namespace

LResult Deliver(WindowHandle handle, uint32_t message, WParam wParam, LParam lParam) {
    KELTO_ASSERT_WINDOW_THREAD("dialog procedures run on the window thread only");
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

using namespace detail;

LResult DialogBox(const DialogTemplate& dialogTemplate, WindowHandle owner, DialogProc proc,
                  LParam initParam) {
    WindowHandle dialog =
        CreateDialogWindow(dialogTemplate, owner, std::move(proc), initParam, true);
    if (dialog == nullptr) {
        return -1;
    }
    LResult result = RunModalLoop(dialog, owner);
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
                QueueTask([dialog] { DestroyWindow(dialog); });
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
            Deliver(window, kWmDestroy, 0, 0);
            for (WindowHandle child : ChildrenOf(*impl)) {
                DestroyWindow(child);
            }
            ForgetMouseWindow(window);
            Sys().quitSent.erase(window);
            Unregister(*impl);
            if (impl->native != 0) {
                Backend().Destroy(impl->native);
                impl->native = 0;
            }
            return true;
        },
        false);
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
            impl->control = MakeNativeControl(kind, style);
            return Register(impl);
        },
        nullptr);
}

} // namespace platform
