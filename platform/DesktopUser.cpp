#include "platform/DesktopUser.h"

#include "platform/DynamicLibrary.h"
#include "platform/Root.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace platform {
namespace {

// The few Xlib entries the taskbar search needs, loaded at run time: the layer does not link
// the X client library, and a machine without it simply has no taskbar.
struct Xlib {
    decltype(&XOpenDisplay) openDisplay = nullptr;
    decltype(&XCloseDisplay) closeDisplay = nullptr;
    decltype(&XInternAtom) internAtom = nullptr;
    decltype(&XQueryTree) queryTree = nullptr;
    decltype(&XGetWindowProperty) getWindowProperty = nullptr;
    decltype(&XFree) free = nullptr;
    decltype(&XSetErrorHandler) setErrorHandler = nullptr;
    decltype(&XCreateSimpleWindow) createSimpleWindow = nullptr;
    decltype(&XChangeProperty) changeProperty = nullptr;
    decltype(&XMapWindow) mapWindow = nullptr;
    decltype(&XDestroyWindow) destroyWindow = nullptr;
    decltype(&XSync) sync = nullptr;
    bool loaded = false;
};

const Xlib& LoadXlib() {
    // Loaded on first use and kept (a failed load is kept as well).
    static const Xlib xlib = [] {
        Xlib result;
        static std::unique_ptr<DynamicLibrary> library =
            DynamicLibrary::Load("libX11.so.6", DynamicLibrary::Binding::Global, nullptr);
        if (!library) {
            return result;
        }
        result.openDisplay =
            reinterpret_cast<decltype(&XOpenDisplay)>(library->Symbol("XOpenDisplay"));
        result.closeDisplay =
            reinterpret_cast<decltype(&XCloseDisplay)>(library->Symbol("XCloseDisplay"));
        result.internAtom =
            reinterpret_cast<decltype(&XInternAtom)>(library->Symbol("XInternAtom"));
        result.queryTree = reinterpret_cast<decltype(&XQueryTree)>(library->Symbol("XQueryTree"));
        result.getWindowProperty =
            reinterpret_cast<decltype(&XGetWindowProperty)>(library->Symbol("XGetWindowProperty"));
        result.free = reinterpret_cast<decltype(&XFree)>(library->Symbol("XFree"));
        result.setErrorHandler =
            reinterpret_cast<decltype(&XSetErrorHandler)>(library->Symbol("XSetErrorHandler"));
        result.createSimpleWindow = reinterpret_cast<decltype(&XCreateSimpleWindow)>(
            library->Symbol("XCreateSimpleWindow"));
        result.changeProperty =
            reinterpret_cast<decltype(&XChangeProperty)>(library->Symbol("XChangeProperty"));
        result.mapWindow = reinterpret_cast<decltype(&XMapWindow)>(library->Symbol("XMapWindow"));
        result.destroyWindow =
            reinterpret_cast<decltype(&XDestroyWindow)>(library->Symbol("XDestroyWindow"));
        result.sync = reinterpret_cast<decltype(&XSync)>(library->Symbol("XSync"));
        result.loaded = result.createSimpleWindow && result.changeProperty && result.mapWindow &&
                        result.destroyWindow && result.sync && result.openDisplay &&
                        result.closeDisplay && result.internAtom && result.queryTree &&
                        result.getWindowProperty && result.free && result.setErrorHandler;
        return result;
    }();
    return xlib;
}

// A window that vanished between the tree query and the property read is no error here.
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

bool IsDockWindow(const Xlib& x, Display* display, Window window, Atom windowType, Atom dock) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (x.getWindowProperty(display, window, windowType, 0, 32, False, XA_ATOM, &type, &format,
                            &count, &after, &data) != Success ||
        !data) {
        return false;
    }
    bool dockType = false;
    if (type == XA_ATOM && format == 32) {
        const Atom* atoms = reinterpret_cast<const Atom*>(data);
        for (unsigned long i = 0; i < count; ++i) {
            dockType = dockType || atoms[i] == dock;
        }
    }
    x.free(data);
    return dockType;
}

uint32_t WindowProcess(const Xlib& x, Display* display, Window window, Atom pidAtom) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (x.getWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                            &count, &after, &data) != Success ||
        !data) {
        return 0;
    }
    uint32_t pid = 0;
    if (type == XA_CARDINAL && format == 32 && count == 1) {
        pid = static_cast<uint32_t>(*reinterpret_cast<const unsigned long*>(data));
    }
    x.free(data);
    return pid;
}

// The real user id of a running process; false when it is gone.
bool ProcessUser(uint32_t pid, uint32_t* userId) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("Uid:", 0) == 0) {
            *userId = static_cast<uint32_t>(std::strtoul(line.c_str() + 4, nullptr, 10));
            return true;
        }
    }
    return false;
}

} // namespace

uint32_t FindTaskbarProcess() {
    const char* displayName = std::getenv("DISPLAY");
    if (!displayName || !*displayName) {
        return 0;
    }
    const Xlib& x = LoadXlib();
    if (!x.loaded) {
        return 0;
    }
    Display* display = x.openDisplay(displayName);
    if (!display) {
        return 0;
    }
    auto previous = x.setErrorHandler(IgnoreXErrors);
    const Atom windowType = x.internAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom dock = x.internAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
    const Atom pidAtom = x.internAtom(display, "_NET_WM_PID", False);
    uint32_t pid = 0;
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (x.queryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count && pid == 0; ++i) {
            if (IsDockWindow(x, display, children[i], windowType, dock)) {
                pid = WindowProcess(x, display, children[i], pidAtom);
            }
        }
        if (children) {
            x.free(children);
        }
    }
    x.setErrorHandler(previous);
    x.closeDisplay(display);
    return pid;
}

std::unique_ptr<UserIdentity> DesktopUserToken() {
    uint32_t userId = 0;
    const std::string explicitUser = RootSetting("system", "desktop_user_uid");
    if (!explicitUser.empty()) {
        userId = static_cast<uint32_t>(RootSettingInt("system", "desktop_user_uid", 0));
    } else {
        const uint32_t taskbar = FindTaskbarProcess();
        if (taskbar == 0 || !ProcessUser(taskbar, &userId)) {
            return nullptr;
        }
    }
    auto identity = std::make_unique<UserIdentity>();
    if (!LookUpUser(userId, identity.get())) {
        return nullptr;
    }
    return identity;
}

bool CreateProcessWithToken(const UserIdentity& token, const std::wstring& application,
                            const std::wstring& commandLine, const std::wstring& workingFolder) {
    StartRequest request;
    request.application = application;
    request.commandLine = commandLine;
    request.workingFolder = workingFolder;
    request.user = &token;
    return StartProcess(request) != nullptr;
}

std::unique_ptr<DockWindowForTesting> DockWindowForTesting::Create() {
    const char* displayName = std::getenv("DISPLAY");
    const Xlib& x = LoadXlib();
    if (!displayName || !*displayName || !x.loaded) {
        return nullptr;
    }
    Display* display = x.openDisplay(displayName);
    if (!display) {
        return nullptr;
    }
    const Window window =
        x.createSimpleWindow(display, DefaultRootWindow(display), 0, 0, 800, 30, 0, 0, 0);
    const Atom windowType = x.internAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom dock = x.internAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
    const Atom pidAtom = x.internAtom(display, "_NET_WM_PID", False);
    x.changeProperty(display, window, windowType, XA_ATOM, 32, PropModeReplace,
                     reinterpret_cast<const unsigned char*>(&dock), 1);
    const unsigned long pid = static_cast<unsigned long>(getpid());
    x.changeProperty(display, window, pidAtom, XA_CARDINAL, 32, PropModeReplace,
                     reinterpret_cast<const unsigned char*>(&pid), 1);
    x.mapWindow(display, window);
    x.sync(display, False);
    auto dockWindow = std::unique_ptr<DockWindowForTesting>(new DockWindowForTesting());
    dockWindow->m_display = display;
    dockWindow->m_window = window;
    return dockWindow;
}

DockWindowForTesting::~DockWindowForTesting() {
    const Xlib& x = LoadXlib();
    auto* display = static_cast<Display*>(m_display);
    x.destroyWindow(display, m_window);
    x.closeDisplay(display);
}

} // namespace platform
