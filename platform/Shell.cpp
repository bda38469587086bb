#include "platform/Shell.h"

#include "platform/FileSystem.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "platform/WebBrowser.h"

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
        // A browser is started as the desktop user, never with this process's rights.
        return OpenWebPage(target, process);
    }
    std::filesystem::path host;
    std::error_code error;
    const bool mapped = !target.empty() && target[0] == L'/' ? (host = WideToNarrow(target), true)
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
