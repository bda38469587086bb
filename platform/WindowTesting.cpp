// Test injection: input for a window handed to the backend as if the host had sent it, so that
// it takes the same road as a user's, on either backend.
#include "platform/WindowSystem.h"

namespace platform {
namespace {

using namespace detail;

// False when the window system is not running.
bool InjectEvent(const BackendEvent& event) {
    System& s = Sys();
    std::lock_guard<std::mutex> lock(s.lock);
    return s.running.load() && s.backend != nullptr && s.backend->Inject(event);
}

// Injects event for window's top level; false for a dead window.
bool Inject(WindowHandle window, BackendEvent event) {
    std::shared_ptr<WindowImpl> impl = TopLevelOf(Find(window));
    if (impl == nullptr || impl->native == 0) {
        return false;
    }
    event.window = impl->native;
    return InjectEvent(event);
}

} // namespace

bool PushMouseEventForTesting(WindowHandle window, MouseAction action, int32_t x, int32_t y,
                              int wheel) {
    BackendEvent event;
    switch (action) {
    case MouseAction::Move:
        event.kind = BackendEventKind::MouseMove;
        break;
    case MouseAction::LeftDown:
        event.kind = BackendEventKind::MouseDown;
        break;
    case MouseAction::LeftUp:
        event.kind = BackendEventKind::MouseUp;
        break;
    case MouseAction::Wheel:
        event.kind = BackendEventKind::Wheel;
        break;
    }
    event.point = Point{x, y};
    event.wheel = wheel;
    return Inject(window, event);
}

bool PushKeyEventForTesting(WindowHandle window, int virtualKey, bool ctrl, bool shift) {
    BackendEvent event;
    event.kind = BackendEventKind::KeyDown;
    event.virtualKey = virtualKey;
    event.modifiers = (ctrl ? kKeyCtrl : 0) | (shift ? kKeyShift : 0);
    return Inject(window, event);
}

bool PushTextInputForTesting(WindowHandle window, const std::string& utf8) {
    // A text event carries at most 31 bytes, as on a display.
    if (utf8.size() >= 32) {
        return false;
    }
    BackendEvent event;
    event.kind = BackendEventKind::TextInput;
    event.text = utf8;
    return Inject(window, event);
}

bool PushCloseRequestForTesting(WindowHandle window) {
    BackendEvent event;
    event.kind = BackendEventKind::Close;
    return Inject(window, event);
}

bool PushQuitForTesting() {
    BackendEvent event;
    event.kind = BackendEventKind::Quit;
    return InjectEvent(event);
}

} // namespace platform
