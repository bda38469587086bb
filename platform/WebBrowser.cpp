#include "platform/WebBrowser.h"

#include <cstdlib>
#include <filesystem>

#include "platform/DesktopUser.h"
#include "platform/Shell.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

namespace platform {
namespace {

// A command-line argument quoted so that SplitCommandLine gives it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument) {
    std::wstring quoted = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(backslashes * 2 + 1, L'\\');
        } else {
            quoted.append(backslashes, L'\\');
        }
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

} // namespace

std::wstring FindBrowserProgram() {
    if (const char* browser = std::getenv("BROWSER"); browser != nullptr && *browser) {
        return NarrowToWide(browser);
    }
    for (const char* folder : {"/usr/local/bin/", "/usr/bin/", "/bin/"}) {
        std::error_code error;
        std::filesystem::path candidate = std::string(folder) + "xdg-open";
        if (std::filesystem::exists(candidate, error)) {
            return NarrowToWide(candidate.string());
        }
    }
    return {};
}

intptr_t OpenWebPage(const std::wstring& url, std::unique_ptr<Process>* process) {
    if (url.empty()) {
        return kShellFileNotFound;
    }
    StartRequest request;
    request.application = FindBrowserProgram();
    if (request.application.empty()) {
        OutputDebugText("OpenWebPage: no browser ($BROWSER or xdg-open)\n");
        return kShellNoAssociation;
    }
    request.commandLine = QuoteArgument(request.application) + L" " + QuoteArgument(url);
    std::unique_ptr<UserIdentity> desktopUser;
    if (IsProcessElevated()) {
        desktopUser = DesktopUserToken();
        if (desktopUser == nullptr || desktopUser->userId == 0) {
            OutputDebugText("OpenWebPage: elevated and no desktop user; the browser stays shut\n");
            return kShellNoAssociation;
        }
        request.user = desktopUser.get();
    }
    std::unique_ptr<Process> started = StartProcess(request);
    if (!started) {
        return kShellFileNotFound;
    }
    if (process) {
        *process = std::move(started);
    }
    return kShellStarted;
}

} // namespace platform
