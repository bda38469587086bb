// Launching a program as the desktop user: the installer runs elevated, the product it starts
// at the end must not.
#pragma once

#include "platform/Process.h"

#include <memory>

// A primary token of the desktop user (the identity of the taskbar's owner); null when there is
// none. Owned by the caller.
using DesktopUserTokenHandle = std::unique_ptr<platform::UserIdentity>;
DesktopUserTokenHandle GetDesktopUserToken();

// Starts file with parameters as the desktop user; true when a process was started. Without
// administrator rights (or before Vista) the shell starts it with "open" instead. Without a
// desktop user nothing starts and the result is false. The command line is the file path in
// double quotes, a blank, then the parameters.
bool LaunchAsDesktopUser(const wchar_t* file, const wchar_t* parameters,
                         const wchar_t* workingFolder, int showCommand);
