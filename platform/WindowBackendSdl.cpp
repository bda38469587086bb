// The window backend on a real display, through SDL2: X11 under Xvfb or on a desktop. The only
// file of the program that names SDL.
#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cstring>

#include "platform/Window.h"
#include "platform/WindowBackend.h"

namespace platform::detail {
namespace {

// SDL's key codes to the program's virtual-key codes; letters and digits keep their upper-case
// ASCII code. Keys the program never reads become 0.
int VirtualKeyOf(SDL_Keycode key) {
    switch (key) {
    case SDLK_BACKSPACE:
        return kVkBack;
    case SDLK_TAB:
        return kVkTab;
    case SDLK_RETURN:
        return kVkReturn;
    case SDLK_ESCAPE:
        return kVkEscape;
    case SDLK_END:
        return kVkEnd;
    case SDLK_HOME:
        return kVkHome;
    case SDLK_LEFT:
        return kVkLeft;
    case SDLK_UP:
        return kVkUp;
    case SDLK_RIGHT:
        return kVkRight;
    case SDLK_DOWN:
        return kVkDown;
    case SDLK_DELETE:
        return kVkDelete;
    default:
        break;
    }
    if (key >= SDLK_a && key <= SDLK_z) {
        return 'A' + (key - SDLK_a);
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return '0' + (key - SDLK_0);
    }
    return 0;
}

SDL_Keycode SdlKeyOf(int virtualKey) {
    for (SDL_Keycode key : {SDLK_BACKSPACE, SDLK_TAB, SDLK_RETURN, SDLK_ESCAPE, SDLK_END, SDLK_HOME,
                            SDLK_LEFT, SDLK_UP, SDLK_RIGHT, SDLK_DOWN, SDLK_DELETE}) {
        if (VirtualKeyOf(key) == virtualKey) {
            return key;
        }
    }
    if (virtualKey >= 'A' && virtualKey <= 'Z') {
        return SDLK_a + (virtualKey - 'A');
    }
    if (virtualKey >= '0' && virtualKey <= '9') {
        return SDLK_0 + (virtualKey - '0');
    }
    return SDLK_UNKNOWN;
}

class SdlBackend final : public WindowBackend {
public:
    bool Open(DisplayChoice choice) {
        // Quit arrives as SDL_QUIT from SIGTERM and SIGINT; keep SDL's handlers for that.
        SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
        // Frames are plain pixel copies: the driver's own window framebuffer serves them,
        // without bringing up a GL renderer (and its drivers) for a texture framebuffer.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        if (choice == DisplayChoice::RealDisplayOnly) {
            // An empty driver name lets SDL pick the display it finds, over an inherited
            // SDL_VIDEODRIVER naming a driver without a screen; the override ends with the call.
            SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "", SDL_HINT_OVERRIDE);
        }
        const bool started = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
        SDL_ResetHint(SDL_HINT_VIDEODRIVER);
        if (!started) {
            return false;
        }
        const char* driver = SDL_GetCurrentVideoDriver();
        m_driver = driver ? driver : "";
        // SDL's own off-screen and dummy drivers have no display: the headless backend serves.
        if (m_driver != "x11" && m_driver != "wayland") {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return false;
        }
        m_wakeEvent = SDL_RegisterEvents(1);
        m_open = true;
        return true;
    }
    ~SdlBackend() override {
        if (m_open) {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        }
    }

    std::string Name() const override { return m_driver; }
    uint32_t Capabilities() const override {
        return kBackendRealDisplay | kBackendMessageBox |
               (m_driver == "x11" ? kBackendX11WindowIds : 0);
    }

    BackendWindowId Create(const BackendWindowParams& params, Point* position) override {
        uint32_t flags = SDL_WINDOW_HIDDEN | (params.decorated ? 0 : SDL_WINDOW_BORDERLESS);
        SDL_Window* window =
            SDL_CreateWindow(params.title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                             params.width, params.height, flags);
        if (window == nullptr) {
            return 0;
        }
        SDL_GetWindowPosition(window, &position->x, &position->y);
        return SDL_GetWindowID(window);
    }
    void Destroy(BackendWindowId id) override {
        if (SDL_Window* window = SDL_GetWindowFromID(id)) {
            SDL_DestroyWindow(window);
        }
    }
    void Show(BackendWindowId id, BackendShow how) override {
        SDL_Window* window = SDL_GetWindowFromID(id);
        if (window == nullptr) {
            return;
        }
        switch (how) {
        case BackendShow::Hide:
            SDL_HideWindow(window);
            break;
        case BackendShow::Show:
            SDL_ShowWindow(window);
            break;
        case BackendShow::Minimize:
            SDL_ShowWindow(window);
            SDL_MinimizeWindow(window);
            break;
        case BackendShow::Restore:
            SDL_ShowWindow(window);
            SDL_RestoreWindow(window);
            break;
        }
    }
    void Move(BackendWindowId id, int32_t x, int32_t y) override {
        if (SDL_Window* window = SDL_GetWindowFromID(id)) {
            SDL_SetWindowPosition(window, x, y);
        }
    }
    void Resize(BackendWindowId id, int32_t width, int32_t height) override {
        if (SDL_Window* window = SDL_GetWindowFromID(id)) {
            SDL_SetWindowSize(window, width, height);
        }
    }
    void SetTitle(BackendWindowId id, const std::string& utf8) override {
        if (SDL_Window* window = SDL_GetWindowFromID(id)) {
            SDL_SetWindowTitle(window, utf8.c_str());
        }
    }
    bool SetIcon(BackendWindowId id, const uint32_t* argb, int32_t width, int32_t height) override {
        SDL_Window* window = SDL_GetWindowFromID(id);
        if (window == nullptr) {
            return false;
        }
        std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)> surface(
            SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(argb), width, height, 32,
                                               width * 4, SDL_PIXELFORMAT_ARGB8888),
            &SDL_FreeSurface);
        if (surface == nullptr) {
            return false;
        }
        SDL_SetWindowIcon(window, surface.get());
        return true;
    }
    void SetModalFor(BackendWindowId id, BackendWindowId owner) override {
        SDL_Window* window = SDL_GetWindowFromID(id);
        SDL_Window* parent = SDL_GetWindowFromID(owner);
        if (window != nullptr && parent != nullptr) {
            SDL_SetWindowModalFor(window, parent);
        }
    }
    void Present(BackendWindowId id, const Bitmap& frame) override;
    uintptr_t NativeX11Window(BackendWindowId id) override {
        SDL_Window* window = SDL_GetWindowFromID(id);
        SDL_SysWMinfo info;
        SDL_VERSION(&info.version);
        if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) ||
            info.subsystem != SDL_SYSWM_X11) {
            return 0;
        }
        return static_cast<uintptr_t>(info.info.x11.window);
    }

    bool WaitEvent(BackendEvent* event, int timeoutMs) override {
        SDL_Event sdl;
        if (SDL_WaitEventTimeout(&sdl, timeoutMs) == 0) {
            return false;
        }
        Decode(sdl, event);
        return true;
    }
    bool PollEvent(BackendEvent* event) override {
        SDL_Event sdl;
        if (SDL_PollEvent(&sdl) == 0) {
            return false;
        }
        Decode(sdl, event);
        return true;
    }
    void Wake() override {
        SDL_Event event{};
        event.type = m_wakeEvent;
        SDL_PushEvent(&event);
    }
    bool Inject(const BackendEvent& event) override;

    void CaptureMouse(bool on) override { SDL_CaptureMouse(on ? SDL_TRUE : SDL_FALSE); }
    std::string ClipboardText() override {
        std::unique_ptr<char, decltype(&SDL_free)> text(SDL_GetClipboardText(), &SDL_free);
        return text ? std::string(text.get()) : std::string();
    }
    void SetClipboardText(const std::string& utf8) override { SDL_SetClipboardText(utf8.c_str()); }
    Point ScreenSize() override {
        SDL_DisplayMode mode{};
        if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
            return Point{1024, 768};
        }
        return Point{mode.w, mode.h};
    }

private:
    void Decode(const SDL_Event& sdl, BackendEvent* event) const;
    void DecodeWindowEvent(const SDL_Event& sdl, BackendEvent* event) const;
    static Point GlobalPointer() {
        Point p;
        SDL_GetGlobalMouseState(&p.x, &p.y);
        return p;
    }

    bool m_open = false;
    std::string m_driver;
    uint32_t m_wakeEvent = 0;
};

void SdlBackend::Present(BackendWindowId id, const Bitmap& frame) {
    SDL_Window* window = SDL_GetWindowFromID(id);
    SDL_Surface* target = window ? SDL_GetWindowSurface(window) : nullptr;
    if (target == nullptr) {
        return;
    }
    int w = std::min(target->w, frame.Width());
    int h = std::min(target->h, frame.Height());
    if (w <= 0 || h <= 0) {
        return;
    }
    SDL_LockSurface(target);
    SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_RGB888, frame.Pixels(), frame.Width() * 4,
                      target->format->format, target->pixels, target->pitch);
    SDL_UnlockSurface(target);
    SDL_UpdateWindowSurface(window);
}

void SdlBackend::DecodeWindowEvent(const SDL_Event& sdl, BackendEvent* event) const {
    event->window = sdl.window.windowID;
    switch (sdl.window.event) {
    case SDL_WINDOWEVENT_CLOSE:
        event->kind = BackendEventKind::Close;
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        event->kind = BackendEventKind::Exposed;
        break;
    case SDL_WINDOWEVENT_MOVED:
        event->kind = BackendEventKind::Moved;
        event->point = Point{sdl.window.data1, sdl.window.data2};
        break;
    case SDL_WINDOWEVENT_MINIMIZED:
        event->kind = BackendEventKind::Minimized;
        break;
    case SDL_WINDOWEVENT_RESTORED:
        event->kind = BackendEventKind::Restored;
        break;
    default:
        event->kind = BackendEventKind::Wake;
        break;
    }
}

void SdlBackend::Decode(const SDL_Event& sdl, BackendEvent* event) const {
    *event = BackendEvent{};
    switch (sdl.type) {
    case SDL_QUIT:
        event->kind = BackendEventKind::Quit;
        return;
    case SDL_WINDOWEVENT:
        DecodeWindowEvent(sdl, event);
        return;
    case SDL_MOUSEMOTION:
        event->kind = BackendEventKind::MouseMove;
        event->window = sdl.motion.windowID;
        event->point = Point{sdl.motion.x, sdl.motion.y};
        event->screen = GlobalPointer();
        return;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        event->kind = sdl.type == SDL_MOUSEBUTTONDOWN ? BackendEventKind::MouseDown
                                                      : BackendEventKind::MouseUp;
        event->window = sdl.button.windowID;
        event->point = Point{sdl.button.x, sdl.button.y};
        event->screen = GlobalPointer();
        event->button = sdl.button.button == SDL_BUTTON_LEFT    ? BackendButton::Left
                        : sdl.button.button == SDL_BUTTON_RIGHT ? BackendButton::Right
                                                                : BackendButton::Middle;
        return;
    case SDL_MOUSEWHEEL:
        event->kind = BackendEventKind::Wheel;
        event->window = sdl.wheel.windowID;
        event->wheel = sdl.wheel.y;
        SDL_GetMouseState(&event->point.x, &event->point.y);
        event->screen = GlobalPointer();
        return;
    case SDL_KEYDOWN:
        event->kind = BackendEventKind::KeyDown;
        event->window = sdl.key.windowID;
        event->virtualKey = VirtualKeyOf(sdl.key.keysym.sym);
        event->modifiers = ((sdl.key.keysym.mod & KMOD_CTRL) ? kKeyCtrl : 0) |
                           ((sdl.key.keysym.mod & KMOD_SHIFT) ? kKeyShift : 0);
        return;
    case SDL_TEXTINPUT:
        event->kind = BackendEventKind::TextInput;
        event->window = sdl.text.windowID;
        event->text = sdl.text.text;
        return;
    default:
        event->kind = BackendEventKind::Wake;
        return;
    }
}

// Injected input becomes a real SDL event in SDL's queue, so that it takes a user's road.
bool SdlBackend::Inject(const BackendEvent& event) {
    SDL_Event sdl{};
    switch (event.kind) {
    case BackendEventKind::Close:
        sdl.type = SDL_WINDOWEVENT;
        sdl.window.windowID = event.window;
        sdl.window.event = SDL_WINDOWEVENT_CLOSE;
        break;
    case BackendEventKind::MouseMove:
        sdl.type = SDL_MOUSEMOTION;
        sdl.motion.windowID = event.window;
        sdl.motion.x = event.point.x;
        sdl.motion.y = event.point.y;
        break;
    case BackendEventKind::MouseDown:
    case BackendEventKind::MouseUp: {
        bool down = event.kind == BackendEventKind::MouseDown;
        sdl.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        sdl.button.windowID = event.window;
        sdl.button.button = SDL_BUTTON_LEFT;
        sdl.button.state = down ? SDL_PRESSED : SDL_RELEASED;
        sdl.button.clicks = 1;
        sdl.button.x = event.point.x;
        sdl.button.y = event.point.y;
        break;
    }
    case BackendEventKind::Wheel:
        sdl.type = SDL_MOUSEWHEEL;
        sdl.wheel.windowID = event.window;
        sdl.wheel.y = event.wheel;
        break;
    case BackendEventKind::KeyDown:
        sdl.type = SDL_KEYDOWN;
        sdl.key.windowID = event.window;
        sdl.key.state = SDL_PRESSED;
        sdl.key.keysym.sym = SdlKeyOf(event.virtualKey);
        sdl.key.keysym.mod =
            static_cast<uint16_t>(((event.modifiers & kKeyCtrl) ? KMOD_LCTRL : 0) |
                                  ((event.modifiers & kKeyShift) ? KMOD_LSHIFT : 0));
        break;
    case BackendEventKind::TextInput:
        if (event.text.size() >= sizeof(SDL_TextInputEvent::text)) {
            return false;
        }
        sdl.type = SDL_TEXTINPUT;
        sdl.text.windowID = event.window;
        std::memcpy(sdl.text.text, event.text.data(), event.text.size());
        break;
    default:
        return false;
    }
    return SDL_PushEvent(&sdl) == 1;
}

} // namespace

std::unique_ptr<WindowBackend> OpenDisplayBackend(DisplayChoice choice) {
    auto backend = std::make_unique<SdlBackend>();
    if (!backend->Open(choice)) {
        return nullptr;
    }
    return backend;
}

std::vector<std::string> DisplayBackendVariables() {
    return {"SDL_VIDEODRIVER"};
}

} // namespace platform::detail
