// Input: the mouse state and its one setter, the road of a mouse event (decode, drag, capture,
// routing, delivery), keyboard focus and keys, and the hand-over to the own-drawn controls.
#include <cstdio>
#include <optional>

#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "platform/WindowSystem.h"

namespace platform::detail {
namespace {

std::string HandleText(WindowHandle window) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%#lx",
                  static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window)));
    return buffer;
}

std::string Describe(const MouseState& state) {
    std::string buttons;
    buttons += (state.buttons & kMkLButton) ? "L" : "";
    buttons += (state.buttons & kMkRButton) ? "R" : "";
    buttons += (state.buttons & kMkMButton) ? "M" : "";
    return "buttons=" + (buttons.empty() ? std::string("-") : buttons) +
           " capture=" + HandleText(state.capture) + " pressed=" + HandleText(state.pressed) +
           " focus=" + HandleText(state.focus) + " drag=" + HandleText(state.drag.window);
}

bool SameState(const MouseState& a, const MouseState& b) {
    return a.buttons == b.buttons && a.capture == b.capture && a.pressed == b.pressed &&
           a.focus == b.focus && a.drag.window == b.drag.window &&
           a.drag.startScreen.x == b.drag.startScreen.x &&
           a.drag.startScreen.y == b.drag.startScreen.y &&
           a.drag.startPosition.x == b.drag.startPosition.x &&
           a.drag.startPosition.y == b.drag.startPosition.y;
}

// A mouse event in the window system's terms.
struct MouseInput {
    MouseAction action = MouseAction::Move;
    std::shared_ptr<WindowImpl> source; // the top-level window the backend reported it for
    int32_t x = 0;                      // client pixels of source
    int32_t y = 0;
    Point screen;
    int wheel = 0;
};

// Decode: the backend's event to an input for the window system, with the button state kept.
// Buttons other than the left change the state only; the program reacts to the left one.
std::optional<MouseInput> Decode(const BackendEvent& event) {
    MouseInput input{MouseAction::Move, FindByNative(event.window),
                     event.point.x,     event.point.y,
                     event.screen,      event.wheel};
    if (event.kind == BackendEventKind::MouseDown || event.kind == BackendEventKind::MouseUp) {
        bool down = event.kind == BackendEventKind::MouseDown;
        uint32_t bit = event.button == BackendButton::Left    ? kMkLButton
                       : event.button == BackendButton::Right ? kMkRButton
                                                              : kMkMButton;
        MouseState next = Mouse();
        next.buttons = down ? (next.buttons | bit) : (next.buttons & ~bit);
        SetMouseState(next);
        if (event.button != BackendButton::Left) {
            return std::nullopt;
        }
        input.action = down ? MouseAction::LeftDown : MouseAction::LeftUp;
    } else if (event.kind == BackendEventKind::Wheel) {
        input.action = MouseAction::Wheel;
    }
    if (input.source == nullptr) {
        return std::nullopt;
    }
    return input;
}

// Drag: while a caption drag lasts, the window follows the pointer until the left button is
// released, and nothing else sees the mouse. True when the drag took the event.
bool Drag(const MouseInput& input) {
    const DragState& drag = Mouse().drag;
    if (drag.window == nullptr) {
        return false;
    }
    std::shared_ptr<WindowImpl> dragged = Find(drag.window);
    if (dragged == nullptr) {
        MouseState next = Mouse();
        next.drag = DragState{};
        SetMouseState(next);
        return true;
    }
    int32_t nx = drag.startPosition.x + input.screen.x - drag.startScreen.x;
    int32_t ny = drag.startPosition.y + input.screen.y - drag.startScreen.y;
    Rect r;
    GetWindowRect(dragged->handle, &r);
    if (nx != r.left || ny != r.top) {
        MoveWindow(dragged->handle, nx, ny, r.Width(), r.Height(), false);
    }
    if (input.action == MouseAction::LeftUp) {
        MouseState next = Mouse();
        next.drag = DragState{};
        SetMouseState(next);
        Backend().CaptureMouse(false);
    }
    return true;
}

// Capture: with the mouse captured, the event goes to the capturing window, in its client
// coordinates (which may lie outside it). Returns the window the event is for.
std::shared_ptr<WindowImpl> Capture(MouseInput& input) {
    std::shared_ptr<WindowImpl> captured = TopLevelOf(Find(Mouse().capture));
    if (captured == nullptr) {
        return input.source;
    }
    if (captured != input.source) {
        std::lock_guard<std::mutex> lock(Sys().lock);
        input.x = input.screen.x - captured->rect.left;
        input.y = input.screen.y - captured->rect.top;
    }
    return captured;
}

WindowHandle ControlAt(const std::shared_ptr<WindowImpl>& top, int32_t x, int32_t y) {
    std::vector<WindowHandle> children = ChildrenOf(*top);
    // The last created control lies on top.
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        std::shared_ptr<WindowImpl> c = Find(*it);
        if (c != nullptr && c->visible && c->control != nullptr && c->rect.Contains(x, y)) {
            return c->handle;
        }
    }
    return nullptr;
}

// Routing: the control that takes the event: the one holding the press, else (without capture)
// the one under the pointer.
std::shared_ptr<WindowImpl> Route(const std::shared_ptr<WindowImpl>& target,
                                  const MouseInput& input) {
    WindowHandle handle = Mouse().pressed;
    if (handle == nullptr && Mouse().capture == nullptr) {
        handle = ControlAt(target, input.x, input.y);
    }
    return Find(handle);
}

// Delivery to a control; true when the dialog is not to see the event too.
bool DeliverToControl(const std::shared_ptr<WindowImpl>& c, const MouseInput& input) {
    if (!c->enabled) {
        return true;
    }
    int32_t cx = input.x - c->rect.left;
    int32_t cy = input.y - c->rect.top;
    MouseState next = Mouse();
    switch (input.action) {
    case MouseAction::LeftDown:
        next.pressed = c->handle;
        SetMouseState(next);
        if (c->control->TakesFocus()) {
            SetFocusControl(c->handle);
        }
        SendToControl(
            c, [&](auto& control, auto& state) { return control.OnMouseDown(cx, cy, state); });
        return true;
    case MouseAction::LeftUp:
        next.pressed = nullptr;
        SetMouseState(next);
        SendToControl(c,
                      [&](auto& control, auto& state) { return control.OnMouseUp(cx, cy, state); });
        return true;
    case MouseAction::Move: {
        bool leftDown = (Mouse().buttons & kMkLButton) != 0;
        SendToControl(c, [&](auto& control, auto& state) {
            return control.OnMouseMove(cx, cy, leftDown, state);
        });
        return Mouse().pressed != nullptr; // the dialog sees moves over its controls too
    }
    case MouseAction::Wheel:
        SendToControl(
            c, [&](auto& control, auto& state) { return control.OnWheel(input.wheel, state); });
        return true;
    }
    return true;
}

// Delivery to the dialog: the mouse messages with the button state and the packed point.
void DeliverToWindow(const std::shared_ptr<WindowImpl>& target, const MouseInput& input) {
    LParam lParam = MakeLParam(input.x, input.y);
    WParam buttons = Mouse().buttons;
    switch (input.action) {
    case MouseAction::Move:
        Deliver(target->handle, kWmMouseMove, buttons, lParam);
        break;
    case MouseAction::LeftDown:
        Deliver(target->handle, kWmLButtonDown, buttons, lParam);
        break;
    case MouseAction::LeftUp:
        Deliver(target->handle, kWmLButtonUp, buttons, lParam);
        break;
    case MouseAction::Wheel:
        break; // dialogs take no wheel messages
    }
}

ControlState StateOf(const WindowImpl& c, std::wstring& text, bool focused) {
    return ControlState{text,           c.font ? c.font : DefaultGuiFont(),
                        c.enabled,      focused,
                        c.rect.Width(), c.rect.Height()};
}

void NotifyParent(const std::shared_ptr<WindowImpl>& control, int code) {
    if (control->parent == nullptr) {
        return;
    }
    WParam wParam = (static_cast<WParam>(code & 0xFFFF) << 16) | (control->id & 0xFFFF);
    Deliver(control->parent, kWmCommand, wParam, reinterpret_cast<LParam>(control->handle));
}

} // namespace

const MouseState& Mouse() {
    KELTO_ASSERT_WINDOW_THREAD("the mouse state belongs to the window thread");
    return Sys().mouse;
}

void SetMouseState(const MouseState& next) {
    KELTO_ASSERT_WINDOW_THREAD("the mouse state belongs to the window thread");
    MouseState& state = Sys().mouse;
    if (SameState(state, next)) {
        return;
    }
    OutputDebugText("MouseState " + Describe(state) + " -> " + Describe(next));
    state = next;
}

// What a mouse event does; the first row that applies wins.
//
//   state                              event          what happens
//   a caption drag runs                any            the window follows the pointer; a left
//                                                     release ends the drag; nobody else sees it
//   the mouse is captured              any            it goes to the capturing window, in its
//                                                     client coordinates, even from outside it
//   the target is disabled or hidden   any            dropped
//   a control holds the press          any            to that control (a release ends the hold)
//   no capture, pointer on a control   left press     the control takes the press (and the focus
//                                                     if it takes keys) and holds the mouse
//                                      release, wheel to the control
//                                      move           to the control, then also to the dialog
//   otherwise                          move, press,   WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP
//                                      release        with the button state to the dialog
//                                      wheel          dropped
// Right and middle buttons change the button state only.
void HandleMouse(const BackendEvent& event) {
    KELTO_ASSERT_WINDOW_THREAD("mouse input is handled where the windows live");
    std::optional<MouseInput> input = Decode(event);
    if (!input.has_value() || Drag(*input)) {
        return;
    }
    std::shared_ptr<WindowImpl> target = Capture(*input);
    if (!target->enabled || !target->visible) {
        return;
    }
    if (std::shared_ptr<WindowImpl> c = Route(target, *input); c != nullptr) {
        if (DeliverToControl(c, *input)) {
            return;
        }
    }
    DeliverToWindow(target, *input);
}

void StartDrag(const std::shared_ptr<WindowImpl>& impl, Point screen) {
    MouseState next = Mouse();
    next.drag.window = impl->handle;
    next.drag.startScreen = screen;
    {
        std::lock_guard<std::mutex> lock(Sys().lock);
        next.drag.startPosition = Point{impl->rect.left, impl->rect.top};
    }
    SetMouseState(next);
    Backend().CaptureMouse(true);
}

void ForgetMouseWindow(WindowHandle window) {
    MouseState next = Mouse();
    if (next.capture == window) {
        next.capture = nullptr;
        Backend().CaptureMouse(false);
    }
    if (next.focus == window) {
        next.focus = nullptr;
    }
    if (next.pressed == window) {
        next.pressed = nullptr;
    }
    if (next.drag.window == window) {
        next.drag = DragState{};
    }
    SetMouseState(next);
}

void SetFocusControl(WindowHandle handle) {
    KELTO_ASSERT_WINDOW_THREAD("focus changes run the controls' handlers");
    if (Mouse().focus == handle) {
        return;
    }
    std::shared_ptr<WindowImpl> old = Find(Mouse().focus);
    MouseState next = Mouse();
    next.focus = handle;
    SetMouseState(next);
    if (old != nullptr && old->control != nullptr) {
        SendToControl(old, [](auto& control, auto& state) {
            control.OnFocus(false, state);
            return ControlResult{true, -1};
        });
    }
    if (auto now = Find(handle); now != nullptr && now->control != nullptr) {
        SendToControl(now, [](auto& control, auto& state) {
            control.OnFocus(true, state);
            return ControlResult{true, -1};
        });
    }
}

ControlResult SendToControl(const std::shared_ptr<WindowImpl>& c,
                            const std::function<ControlResult(NativeControl&, ControlState&)>& fn) {
    KELTO_ASSERT_WINDOW_THREAD("controls run on the window thread only");
    // Only the window thread writes a control's text, so it reads it here without the lock; the
    // lock guards the write back against readers on other threads.
    std::wstring text = c->title;
    ControlState state = StateOf(*c, text, Mouse().focus == c->handle);
    ControlResult result = fn(*c->control, state);
    if (text != c->title) {
        std::lock_guard<std::mutex> lock(Sys().lock);
        c->title = std::move(text);
    }
    if (result.changed || result.notifyCode >= 0) {
        MarkPresent(c);
    }
    if (result.notifyCode >= 0) {
        NotifyParent(c, result.notifyCode);
    }
    return result;
}

void HandleKeyboard(const BackendEvent& event) {
    KELTO_ASSERT_WINDOW_THREAD("keys are handled where the windows live");
    // Escape in a dialog is its Cancel command, as the dialog manager makes it.
    if (event.kind == BackendEventKind::KeyDown && event.virtualKey == kVkEscape) {
        std::shared_ptr<WindowImpl> dialog = FindByNative(event.window);
        if (dialog != nullptr && dialog->isDialog && dialog->enabled && dialog->visible) {
            Deliver(dialog->handle, kWmCommand, static_cast<WParam>(kIdCancel), 0);
        }
        return;
    }
    std::shared_ptr<WindowImpl> c = Find(Mouse().focus);
    if (c == nullptr || c->control == nullptr || !c->enabled || !c->visible) {
        return;
    }
    std::shared_ptr<WindowImpl> top = TopLevelOf(c);
    if (top == nullptr || !top->enabled) {
        return;
    }
    if (event.kind == BackendEventKind::KeyDown) {
        SendToControl(c, [&](auto& control, auto& state) {
            return control.OnKey(event.virtualKey, event.modifiers, state);
        });
    } else if (event.kind == BackendEventKind::TextInput) {
        std::wstring text = NarrowToWide(event.text);
        SendToControl(c,
                      [&](auto& control, auto& state) { return control.OnTextInput(text, state); });
    }
}

} // namespace platform::detail
