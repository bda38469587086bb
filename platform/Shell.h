// The shell's services: ShellExecute and the settings-change broadcast.
#pragma once

#include "platform/Process.h"

#include <cstdint>
#include <memory>

namespace platform {

// ShellExecute's error values (its result is above 32 on success).
inline constexpr intptr_t kShellFileNotFound = 2;
inline constexpr intptr_t kShellNoAssociation = 31;
inline constexpr intptr_t kShellStarted = 42;

// Opens a file or a web address. Verbs "open" (or null) and "runas" start a program file as a
// process with the command line "<quoted file> <parameters>" ("runas" starts it directly: this
// program already holds the rights it asks for); a web address (it contains "://") goes to the
// host's browser ($BROWSER, else xdg-open) as its one argument. The show command is accepted and
// has no effect here. With process set, it receives the started process.
intptr_t ShellExecute(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                      const wchar_t* folder, int showCommand,
                      std::unique_ptr<Process>* process = nullptr);

inline constexpr uintptr_t kWmSettingChange = 0x1A;
inline constexpr uintptr_t kSpiSetNonClientMetrics = 42;

// Posts WM_SETTINGCHANGE to every top-level window. No window here listens for it, so the
// broadcast is recorded in the debugger output (and counted). Always true.
bool PostSettingChange(uintptr_t wParam, intptr_t lParam);
uint32_t SettingChangeCountForTesting();

} // namespace platform
