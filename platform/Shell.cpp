#include "platform/Shell.h"

#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace platform {
namespace {

std::atomic<uint32_t> g_settingChanges{0};

bool IsWebAddress(const std::wstring& file) {
    return file.find(L"://") != std::wstring::npos;
}

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

std::wstring FindBrowser() {
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

} // namespace

intptr_t ShellExecute(const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                      const wchar_t* folder, int showCommand, std::unique_ptr<Process>* process) {
    if (!file || !*file) {
        return kShellFileNotFound;
    }
    const std::wstring verbText = verb ? verb : L"open";
    if (!EqualsNoCase(verbText, L"open") && !EqualsNoCase(verbText, L"runas")) {
        return kShellNoAssociation;
    }
    StartRequest request;
    const std::wstring target(file);
    if (IsWebAddress(target)) {
        request.application = FindBrowser();
        if (request.application.empty()) {
            return kShellNoAssociation;
        }
        request.commandLine = QuoteArgument(request.application) + L" " + QuoteArgument(target);
    } else {
        std::filesystem::path host;
        std::error_code error;
        const bool mapped = !target.empty() && target[0] == L'/'
                                ? (host = WideToNarrow(target), true)
                                : ToHostPath(target, &host);
        if (!mapped || !std::filesystem::is_regular_file(host, error)) {
            return kShellFileNotFound;
        }
        request.application = target;
        request.commandLine = L"\"" + target + L"\"";
        if (parameters && *parameters) {
            request.commandLine += L" ";
            request.commandLine += parameters;
        }
    }
    if (folder) {
        request.workingFolder = folder;
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

bool PostSettingChange(uintptr_t wParam, intptr_t lParam) {
    ++g_settingChanges;
    char text[128];
    std::snprintf(text, sizeof text, "WM_SETTINGCHANGE broadcast: wParam %lu, lParam %ld\n",
                  static_cast<unsigned long>(wParam), static_cast<long>(lParam));
    OutputDebugText(text);
    return true;
}

uint32_t SettingChangeCountForTesting() {
    return g_settingChanges;
}

} // namespace platform
