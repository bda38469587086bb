// The shell's special folders and the environment of the emulated machine. The folders form the
// usual Windows skeleton on drive C:, created on first use; <user> is the desktop user.
#pragma once

#include <string>
#include <string_view>

namespace platform {

enum class SpecialFolder {
    Documents,      // C:\Users\<user>\Documents
    Downloads,      // C:\Users\<user>\Downloads
    AppData,        // C:\Users\<user>\AppData\Roaming
    LocalAppData,   // C:\Users\<user>\AppData\Local
    Desktop,        // C:\Users\<user>\Desktop
    Programs,       // ...\AppData\Roaming\Microsoft\Windows\Start Menu\Programs
    CommonPrograms, // C:\ProgramData\Microsoft\Windows\Start Menu\Programs
    CommonDesktop,  // C:\Users\Public\Desktop
    ProgramFiles,   // as a 32-bit process sees it: "Program Files (x86)" on 64-bit systems
    Windows,        // C:\Windows
};

// The folder's Windows path without a trailing backslash; the folder exists afterwards.
// False when it cannot be created (for example when drive C: is not mapped).
bool GetSpecialFolderPath(SpecialFolder folder, std::wstring* path);

// The temporary folder with a trailing backslash, as GetTempPathW gives it
// (C:\Users\<user>\AppData\Local\Temp\); created on first use. Empty on failure.
std::wstring GetTempFolder();

// The emulated environment as a 32-bit process sees it. Known names: "ProgramW6432" (only on
// 64-bit systems), "ProgramFiles", "TEMP", "TMP", "USERPROFILE", "USERNAME", "APPDATA",
// "LOCALAPPDATA", "SystemRoot". Other names fall through to the host environment. False when unset.
bool GetEnvironmentValue(std::wstring_view name, std::wstring* value);

// The desktop user's login name.
std::wstring DesktopUserName();

} // namespace platform
