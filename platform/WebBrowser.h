// Web pages in the desktop user's browser ($BROWSER, else xdg-open). A browser never runs with
// this process's administrator rights: when the process is elevated the browser starts as the
// desktop user, and without a desktop user it does not start at all.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Process.h"

namespace platform {

// The host's browser program; empty when there is none.
std::wstring FindBrowserProgram();

// ShellExecute "open" of a web address. Returns ShellExecute's values: above 32 when the browser
// was started; kShellNoAssociation without a browser or, when elevated, without a desktop user;
// kShellFileNotFound for an empty address or a browser that could not be started.
// With process set, it receives the started browser.
intptr_t OpenWebPage(const std::wstring& url, std::unique_ptr<Process>* process = nullptr);

} // namespace platform
