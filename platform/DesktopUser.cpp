#include "platform/DesktopUser.h"

#include "platform/DynamicLibrary.h"
#include "platform/Root.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XRes.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace platform {
namespace {

// The few Xlib and X-Resource entries the taskbar search needs, loaded at run time: the layer
// does not link the X client libraries, and a machine without them simply has no taskbar.
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
    decltype(&XResQueryClientIds) queryClientIds = nullptr;
    decltype(&XResGetClientPid) getClientPid = nullptr;
    decltype(&XResClientIdsDestroy) clientIdsDestroy = nullptr;
    bool loaded = false;
};

template <typename Function>
void Bind(DynamicLibrary& library, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(library.Symbol(name));
}

const Xlib& LoadXlib() {
    // Loaded on first use and kept (a failed load is kept as well).
    static const Xlib xlib = [] {
        Xlib result;
        static std::unique_ptr<DynamicLibrary> x11 =
            DynamicLibrary::Load("libX11.so.6", DynamicLibrary::Binding::Global, nullptr);
        static std::unique_ptr<DynamicLibrary> xres =
            DynamicLibrary::Load("libXRes.so.1", DynamicLibrary::Binding::Global, nullptr);
        if (!x11 || !xres) {
            return result;
        }
        Bind(*x11, "XOpenDisplay", &result.openDisplay);
        Bind(*x11, "XCloseDisplay", &result.closeDisplay);
        Bind(*x11, "XInternAtom", &result.internAtom);
        Bind(*x11, "XQueryTree", &result.queryTree);
        Bind(*x11, "XGetWindowProperty", &result.getWindowProperty);
        Bind(*x11, "XFree", &result.free);
        Bind(*x11, "XSetErrorHandler", &result.setErrorHandler);
        Bind(*x11, "XCreateSimpleWindow", &result.createSimpleWindow);
        Bind(*x11, "XChangeProperty", &result.changeProperty);
        Bind(*x11, "XMapWindow", &result.mapWindow);
        Bind(*x11, "XDestroyWindow", &result.destroyWindow);
        Bind(*x11, "XSync", &result.sync);
        Bind(*xres, "XResQueryClientIds", &result.queryClientIds);
        Bind(*xres, "XResGetClientPid", &result.getClientPid);
        Bind(*xres, "XResClientIdsDestroy", &result.clientIdsDestroy);
        result.loaded = result.createSimpleWindow && result.changeProperty && result.mapWindow &&
                        result.destroyWindow && result.sync && result.openDisplay &&
                        result.closeDisplay && result.internAtom && result.queryTree &&
                        result.getWindowProperty && result.free && result.setErrorHandler &&
                        result.queryClientIds && result.getClientPid && result.clientIdsDestroy;
        return result;
    }();
    return xlib;
}

struct DisplayCloser {
    void operator()(Display* display) const { LoadXlib().closeDisplay(display); }
};
using DisplayPtr = std::unique_ptr<Display, DisplayCloser>;

// Memory that Xlib hands out (property data, window lists).
struct XFreer {
    void operator()(void* data) const { LoadXlib().free(data); }
};
template <typename T>
using XData = std::unique_ptr<T, XFreer>;

DisplayPtr OpenDisplay() {
    const char* displayName = std::getenv("DISPLAY");
    const Xlib& x = LoadXlib();
    if (!displayName || !*displayName || !x.loaded) {
        return nullptr;
    }
    return DisplayPtr(x.openDisplay(displayName));
}

// A window that vanished between the tree query and the property read is no error here.
int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

// Installs the handler above for its lifetime.
class QuietErrors {
public:
    QuietErrors() : m_previous(LoadXlib().setErrorHandler(IgnoreXErrors)) {}
    ~QuietErrors() { LoadXlib().setErrorHandler(m_previous); }
    QuietErrors(const QuietErrors&) = delete;
    QuietErrors& operator=(const QuietErrors&) = delete;

private:
    XErrorHandler m_previous;
};

bool IsDockWindow(Display* display, Window window) {
    const Xlib& x = LoadXlib();
    const Atom windowType = x.internAtom(display, "_NET_WM_WINDOW_TYPE", False);
    const Atom dock = x.internAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* raw = nullptr;
    if (x.getWindowProperty(display, window, windowType, 0, 32, False, XA_ATOM, &type, &format,
                            &count, &after, &raw) != Success) {
        return false;
    }
    const XData<unsigned char> data(raw);
    if (!data || type != XA_ATOM || format != 32) {
        return false;
    }
    const Atom* atoms = reinterpret_cast<const Atom*>(data.get());
    for (unsigned long i = 0; i < count; ++i) {
        if (atoms[i] == dock) {
            return true;
        }
    }
    return false;
}

std::vector<Window> DockWindows(Display* display) {
    const Xlib& x = LoadXlib();
    std::vector<Window> docks;
    Window root = 0, parent = 0;
    Window* rawChildren = nullptr;
    unsigned int count = 0;
    if (!x.queryTree(display, DefaultRootWindow(display), &root, &parent, &rawChildren, &count)) {
        return docks;
    }
    const XData<Window> children(rawChildren);
    for (unsigned int i = 0; i < count; ++i) {
        if (IsDockWindow(display, children.get()[i])) {
            docks.push_back(children.get()[i]);
        }
    }
    return docks;
}

// The process of the client that created a window, as the X server itself recorded it when the
// client connected (X-Resource extension). A property a client sets about itself is never asked.
uint32_t ClientProcess(Display* display, Window window) {
    const Xlib& x = LoadXlib();
    XResClientIdSpec spec{window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* ids = nullptr;
    if (x.queryClientIds(display, 1, &spec, &count, &ids) != Success) {
        return 0;
    }
    pid_t pid = -1;
    for (long i = 0; i < count && pid <= 0; ++i) {
        pid = x.getClientPid(&ids[i]);
    }
    x.clientIdsDestroy(count, ids);
    return pid > 0 ? static_cast<uint32_t>(pid) : 0;
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

// The X authority file the desktop process itself uses, when it is a file of that user: programs
// started as the user need it to reach the display. Empty otherwise.
std::string SessionXAuthority(uint32_t pid, uint32_t userId) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/environ", std::ios::binary);
    std::string entry;
    while (std::getline(in, entry, '\0')) {
        if (entry.rfind("XAUTHORITY=", 0) != 0) {
            continue;
        }
        const std::string file = entry.substr(11);
        struct stat status {};
        if (!file.empty() && file[0] == '/' && lstat(file.c_str(), &status) == 0 &&
            S_ISREG(status.st_mode) && status.st_uid == userId) {
            return file;
        }
    }
    return {};
}

// The desktop user from the display: the first dock window whose client runs as a user other
// than root, and that client's process. why says what was found instead.
bool DisplayUser(uint32_t* userId, uint32_t* process, std::string* why) {
    DisplayPtr display = OpenDisplay();
    if (!display) {
        *why = "no display (DISPLAY unset, unreachable, or no X client library)";
        return false;
    }
    QuietErrors quiet;
    const std::vector<Window> docks = DockWindows(display.get());
    if (docks.empty()) {
        *why = "no dock window on the display";
        return false;
    }
    *why = "the display's dock windows belong to no user but root";
    for (Window dock : docks) {
        const uint32_t pid = ClientProcess(display.get(), dock);
        uint32_t user = 0;
        if (pid == 0 || !ProcessUser(pid, &user)) {
            *why = "the X server names no running process for the dock window";
            continue;
        }
        if (user != 0) {
            *userId = user;
            *process = pid;
            return true;
        }
    }
    return false;
}

} // namespace

uint32_t FindTaskbarProcess() {
    DisplayPtr display = OpenDisplay();
    if (!display) {
        return 0;
    }
    QuietErrors quiet;
    for (Window dock : DockWindows(display.get())) {
        if (const uint32_t pid = ClientProcess(display.get(), dock); pid != 0) {
            return pid;
        }
    }
    return 0;
}

std::unique_ptr<UserIdentity> DesktopUserToken(std::string* why) {
    std::string reason;
    uint32_t userId = 0;
    uint32_t desktopProcess = 0;
    if (!RootSetting("system", "desktop_user_uid").empty()) {
        userId = static_cast<uint32_t>(RootSettingInt("system", "desktop_user_uid", 0));
        reason = "the settings name user id " + std::to_string(userId);
    } else if (!DisplayUser(&userId, &desktopProcess, &reason)) {
        if (why) {
            *why = reason;
        }
        return nullptr;
    }
    auto identity = std::make_unique<UserIdentity>();
    if (userId == 0) {
        reason += ", which is root: root is never the desktop user";
        identity.reset();
    } else if (!LookUpUser(userId, identity.get())) {
        reason = "user id " + std::to_string(userId) + " is not in the user database";
        identity.reset();
    }
    if (!identity && why) {
        *why = reason;
    }
    if (identity && desktopProcess != 0) {
        identity->xauthority = SessionXAuthority(desktopProcess, userId);
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

struct DockWindowForTesting::Connection {
    DisplayPtr display;
};

std::unique_ptr<DockWindowForTesting> DockWindowForTesting::Create(uint32_t claimedProcess) {
    DisplayPtr display = OpenDisplay();
    if (!display) {
        return nullptr;
    }
    const Xlib& x = LoadXlib();
    const Window window = x.createSimpleWindow(display.get(), DefaultRootWindow(display.get()), 0,
                                               0, 800, 30, 0, 0, 0);
    const Atom windowType = x.internAtom(display.get(), "_NET_WM_WINDOW_TYPE", False);
    const Atom dock = x.internAtom(display.get(), "_NET_WM_WINDOW_TYPE_DOCK", False);
    const Atom pidAtom = x.internAtom(display.get(), "_NET_WM_PID", False);
    x.changeProperty(display.get(), window, windowType, XA_ATOM, 32, PropModeReplace,
                     reinterpret_cast<const unsigned char*>(&dock), 1);
    // What a window manager would read; the desktop-user search never trusts it.
    const unsigned long pid =
        claimedProcess != 0 ? claimedProcess : static_cast<unsigned long>(getpid());
    x.changeProperty(display.get(), window, pidAtom, XA_CARDINAL, 32, PropModeReplace,
                     reinterpret_cast<const unsigned char*>(&pid), 1);
    x.mapWindow(display.get(), window);
    x.sync(display.get(), False);
    auto dockWindow = std::unique_ptr<DockWindowForTesting>(new DockWindowForTesting());
    dockWindow->m_connection = std::make_unique<Connection>(Connection{std::move(display)});
    dockWindow->m_window = window;
    return dockWindow;
}

DockWindowForTesting::~DockWindowForTesting() {
    if (m_connection && m_connection->display) {
        LoadXlib().destroyWindow(m_connection->display.get(), m_window);
    }
}

} // namespace platform
