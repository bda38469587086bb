// What the window system asks of the host's windows: a small table of operations, the shape of a
// video driver. Two implementations: one on a real display (X11 under Xvfb or a desktop) and a
// headless one of our own (windows are sizes and positions in memory, input is injected). Only
// the display backend's file names the library it is built on. Not for use outside platform/.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Gdi.h"

namespace platform::detail {

// A backend's window; 0 is none.
using BackendWindowId = uint32_t;

struct BackendWindowParams {
    std::string title; // UTF-8
    int32_t width = 1;
    int32_t height = 1;
    bool decorated = false; // a title bar and frame from the window manager
};

enum class BackendShow { Hide, Show, Minimize, Restore };

enum class BackendEventKind {
    Wake,      // nothing to handle: the loop was woken for queued tasks
    Quit,      // the process was asked to end (SIGTERM, SIGINT)
    Close,     // the user asked to close window
    Exposed,   // window must be shown again
    Moved,     // the window manager moved window to point
    Minimized, // window went to the task bar
    Restored,
    MouseMove,
    MouseDown,
    MouseUp,
    Wheel,
    KeyDown,
    TextInput,
};

enum class BackendButton { Left, Right, Middle };

// One event of the host, in the window system's own terms.
struct BackendEvent {
    BackendEventKind kind = BackendEventKind::Wake;
    BackendWindowId window = 0;
    Point point;  // mouse: client pixels; Moved: the new screen position
    Point screen; // mouse: the pointer on the screen
    BackendButton button = BackendButton::Left;
    int wheel = 0;          // notches, positive away from the user
    int virtualKey = 0;     // KeyDown: the program's virtual-key code (kVk*), 0 for others
    uint32_t modifiers = 0; // KeyDown: kKeyCtrl and kKeyShift bits
    std::string text;       // TextInput: UTF-8
};

inline constexpr uint32_t kKeyCtrl = 1;
inline constexpr uint32_t kKeyShift = 2;

// What a backend can do (Capabilities bits).
inline constexpr uint32_t kBackendRealDisplay = 0x1;  // windows appear on a screen
inline constexpr uint32_t kBackendMessageBox = 0x2;   // the desktop's own dialogs can show here
inline constexpr uint32_t kBackendCompositing = 0x4;  // per-pixel alpha windows are composited
inline constexpr uint32_t kBackendX11WindowIds = 0x8; // NativeX11Window answers

// Every operation runs on the window thread, except Name and Capabilities (fixed when the backend
// opens) and Wake and Inject, which any thread may call.
class WindowBackend {
public:
    virtual ~WindowBackend() = default;
    // "x11", "headless", ...
    virtual std::string Name() const = 0;
    virtual uint32_t Capabilities() const = 0;

    // A hidden window centred on the screen; its position goes to *position. 0 on failure.
    virtual BackendWindowId Create(const BackendWindowParams& params, Point* position) = 0;
    virtual void Destroy(BackendWindowId window) = 0;
    virtual void Show(BackendWindowId window, BackendShow how) = 0;
    virtual void Move(BackendWindowId window, int32_t x, int32_t y) = 0;
    virtual void Resize(BackendWindowId window, int32_t width, int32_t height) = 0;
    virtual void SetTitle(BackendWindowId window, const std::string& utf8) = 0;
    // argb: width * height pixels 0xAARRGGBB.
    virtual bool SetIcon(BackendWindowId window, const uint32_t* argb, int32_t width,
                         int32_t height) = 0;
    // Keeps window above owner where the display allows it.
    virtual void SetModalFor(BackendWindowId window, BackendWindowId owner) = 0;
    // Shows frame (0x00RRGGBB pixels) as the window's content.
    virtual void Present(BackendWindowId window, const Bitmap& frame) = 0;
    // The X11 window id behind window, 0 when there is none.
    virtual uintptr_t NativeX11Window(BackendWindowId window) = 0;

    // Waits up to timeoutMs for the next event; false when none came.
    virtual bool WaitEvent(BackendEvent* event, int timeoutMs) = 0;
    virtual bool PollEvent(BackendEvent* event) = 0;
    // Ends a wait early (any thread).
    virtual void Wake() = 0;
    // Queues event as if it came from the host, so that it takes a user's road (any thread).
    virtual bool Inject(const BackendEvent& event) = 0;

    // Mouse capture: the pointer keeps reporting to the window while it is outside.
    virtual void CaptureMouse(bool on) = 0;
    virtual std::string ClipboardText() = 0;
    virtual void SetClipboardText(const std::string& utf8) = 0;
    virtual Point ScreenSize() = 0;
};

// Whether the display backend follows the environment's choice of driver (Automatic: a driver
// without a screen makes it fail, and the headless backend serves) or looks for a real display
// whatever the environment chose (Display).
enum class DisplayChoice { AsConfigured, RealDisplayOnly };

// The backend on a real display; null when no display can be opened.
std::unique_ptr<WindowBackend> OpenDisplayBackend(DisplayChoice choice);
// The environment variables that choose or configure the display backend: a copy of the program
// started elsewhere (elevated) must see them as this one does.
std::vector<std::string> DisplayBackendVariables();
// The headless backend; it always opens.
std::unique_ptr<WindowBackend> OpenHeadlessBackend();

} // namespace platform::detail
