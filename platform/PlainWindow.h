// A plain undecorated window, shown modally by the entry point until a close request arrives.
#pragma once

#include <string>

namespace platform {

// Creates a borderless window of the given size in the middle of the screen, runs its event
// loop on the calling (main) thread and returns once a close request arrives: the window being
// closed, SIGTERM or SIGINT. Without a display the window runs on the off-screen video driver.
// Returns 0, or -1 when no window could be made at all.
int RunPlainModalWindow(const std::wstring& title, int width, int height);

} // namespace platform
