// The platform root: the host folder that holds the emulated Windows machine (its drives, its
// registry hives and its settings file "platform.ini").
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace platform {

// The root folder: $KELTO_ROOT when set, otherwise ~/.local/share/kelto, or /var/lib/kelto when
// running as root. Created on first use, together with a default "platform.ini".
std::filesystem::path RootFolder();

// A value of the root's settings file, "platform.ini" (INI syntax; section and key names compare
// without case). Known sections and keys, all optional:
//   [drives]  C=drive_c  D=/srv/apps      letter = host folder, relative to the root or absolute
//   [system]  architecture=x64|x86        native architecture (default: the host's)
//             user=<name>                 the desktop user's login name (default: the host user)
//             language_id=0x0407          the system default language id (default: host locale)
//             debug_output=1              debugger output goes to standard error
//             desktop_user_uid=1000       the desktop user, instead of the owner of the X
//                                         display's taskbar
//   [windows] version=10.0                emulated Windows version (major.minor)
//             build=19045                 emulated build number
//             workstation_service=1       0: the workstation service does not answer
//             nt_version_numbers=1        0: ntdll's version export cannot be found
//             version_ex=10.0             what the extended version info reports (default: version)
std::string RootSetting(std::string_view section, std::string_view key,
                        std::string_view defaultValue = {});
// The same value read as an integer (decimal, or hexadecimal with a 0x prefix).
long long RootSettingInt(std::string_view section, std::string_view key, long long defaultValue);

// Makes folder the root from now on and reads its settings file (created when missing): for the
// maker's tools, which set up a machine of their own before they use the platform.
void UseRootFolder(const std::filesystem::path& folder);

// Forgets the cached root and settings, so that the next call reads $KELTO_ROOT and the settings
// file again. Tests call it after pointing KELTO_ROOT at a fresh folder.
void ResetRootForTesting();

} // namespace platform
