// The desktop user: the user who owns the desktop session's taskbar, and starting programs as
// that user (the taskbar process's token, CreateProcessWithTokenW).
//
// The taskbar is the X11 dock window (a top-level window whose _NET_WM_WINDOW_TYPE includes
// _NET_WM_WINDOW_TYPE_DOCK) of the display in $DISPLAY; its owner is the user of the process
// named by the window's _NET_WM_PID. Without a display, a dock window or that property there is
// no desktop user. The root's settings may name one explicitly instead, which wins:
//   [system] desktop_user_uid=<host user id>
#pragma once

#include "platform/Process.h"

#include <memory>
#include <string>

namespace platform {

// The taskbar's process id (GetWindowThreadProcessId of FindWindow("Shell_TrayWnd")); 0 when
// there is no taskbar.
uint32_t FindTaskbarProcess();
// The desktop user's identity (a duplicate of the taskbar process's token); null when there is
// no desktop user.
std::unique_ptr<UserIdentity> DesktopUserToken();

// Starts a program as the user of a token: that user's ids and groups, HOME, USER and LOGNAME
// (the profile), the rest of the environment inherited. The process is not waited for.
bool CreateProcessWithToken(const UserIdentity& token, const std::wstring& application,
                            const std::wstring& commandLine, const std::wstring& workingFolder);

// A dock window on the display in $DISPLAY whose _NET_WM_PID is this process: this process
// then owns the taskbar. Kept until the object is destroyed. For tests (and the test product),
// which have no desktop session of their own.
class DockWindowForTesting {
public:
    // Null when there is no display.
    static std::unique_ptr<DockWindowForTesting> Create();
    ~DockWindowForTesting();

private:
    DockWindowForTesting() = default;
    void* m_display = nullptr;
    unsigned long m_window = 0;
};

} // namespace platform
