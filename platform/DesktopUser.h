// The desktop user: the user who owns the desktop session's taskbar, and starting programs as
// that user (the taskbar process's token, CreateProcessWithTokenW).
//
// The taskbar is an X11 dock window (a top-level window whose _NET_WM_WINDOW_TYPE includes
// _NET_WM_WINDOW_TYPE_DOCK) of the display in $DISPLAY. Its owner is the client that created it
// as the X server itself records it (X-Resource extension: client -> process id), and the user
// is that process's real user id. A window property, which any client may set, is never
// trusted, and root is never the desktop user. Without a display, a dock window of another user
// or the X-Resource extension there is no desktop user. The root's settings may name one
// explicitly instead (for machines without a display), which wins; root is refused there too:
//   [system] desktop_user_uid=<host user id>
#pragma once

#include "platform/Process.h"

#include <memory>
#include <string>

namespace platform {

// The taskbar's process id (GetWindowThreadProcessId of FindWindow("Shell_TrayWnd")): the
// process of the client that created the first dock window, as the X server records it; 0 when
// there is no taskbar.
uint32_t FindTaskbarProcess();
// The desktop user's identity (a duplicate of the taskbar process's token); null when there is
// no desktop user, and then why says what was found instead.
std::unique_ptr<UserIdentity> DesktopUserToken(std::string* why = nullptr);

// Starts a program as the user of a token: that user's ids and groups and a fresh environment
// for that user (see StartRequest::user). The process is not waited for.
bool CreateProcessWithToken(const UserIdentity& token, const std::wstring& application,
                            const std::wstring& commandLine, const std::wstring& workingFolder);

// A dock window on the display in $DISPLAY, created by this process, whose _NET_WM_PID claims
// claimedProcess (0: this process). Kept until the object is destroyed. For tests (and the test
// product), which have no desktop session of their own.
class DockWindowForTesting {
public:
    // Null when there is no display.
    static std::unique_ptr<DockWindowForTesting> Create(uint32_t claimedProcess = 0);
    ~DockWindowForTesting();

private:
    struct Connection;
    DockWindowForTesting() = default;
    std::unique_ptr<Connection> m_connection;
    unsigned long m_window = 0;
};

} // namespace platform
