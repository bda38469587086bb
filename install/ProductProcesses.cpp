#include "install/ProductProcesses.h"

#include "install/Package.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/Text.h"

#include <filesystem>
#include <system_error>
#include <vector>

const wchar_t* const kProductProcessNames[kProductProcessRows] = {
    L"Kelto Clipwave Converter64.exe",
    L"Kelto Clipwave Converter64.exe",
    L"Kelto Clipwave Converter.exe",
    L"Kelto Clipwave Converter.exe",
    L"KeltoUpdate.exe",
    L"KeltoReport.exe",
    L"KeltoRepair.exe",
    L"KeltoProcess.exe",
    L"KeltoRegOp.exe",
    L"KeltoCheck.exe",
    L"KeltoCore.exe",
    L"KeltoCopy.exe",
    L"DocShifter.exe",
    L"DocTask.exe",
    L"Kelto Clipwave Downloader64.exe",
    L"Kelto Clipwave Downloader.exe",
    L"ClipwaveToMP3Process.exe",
    L"QtWebEngineProcess.exe",
};

namespace {

constexpr uint32_t kTerminationWaitMs = 1000;

// Whether a process's image lies inside a host folder (both resolved, so links cannot fake it).
bool ImageInside(uint32_t processId, const std::filesystem::path& folder) {
    const std::string image = platform::ProcessImageHostPath(processId);
    if (image.empty()) {
        return false;
    }
    std::error_code error;
    const std::filesystem::path root = std::filesystem::weakly_canonical(folder, error);
    if (error) {
        return false;
    }
    const std::filesystem::path relative = std::filesystem::path(image).lexically_relative(root);
    return !relative.empty() && *relative.begin() != "..";
}

bool KillFirst(const wchar_t* name, const std::filesystem::path* folder) {
    if (!name) {
        return false;
    }
    std::vector<platform::ProcessEntry> entries;
    if (!platform::SnapshotProcesses(&entries)) {
        return false;
    }
    for (size_t i = 1; i < entries.size(); ++i) {
        const platform::ProcessEntry& entry = entries[i];
        if (!platform::EqualsNoCase(entry.exeFile, name)) {
            continue;
        }
        if (folder && !ImageInside(entry.processId, *folder)) {
            continue;
        }
        if (auto process = platform::OpenProcessAsFound(entry)) {
            // Ending is asynchronous: wait (briefly) until the process is gone, so that the
            // next row's snapshot cannot find the same process again and spare another copy.
            if (process->Terminate(0)) {
                process->Wait(kTerminationWaitMs);
            }
        }
        return true;
    }
    return false;
}

} // namespace

bool FindProcessByName(const wchar_t* name, uint32_t* processId) {
    if (!name) {
        return false;
    }
    std::vector<platform::ProcessEntry> entries;
    if (!platform::SnapshotProcesses(&entries)) {
        return false;
    }
    for (const platform::ProcessEntry& entry : entries) {
        if (platform::EqualsNoCase(entry.exeFile, name)) {
            if (processId) {
                *processId = entry.processId;
            }
            return true;
        }
    }
    return false;
}

bool KillProcessByName(const wchar_t* name) {
    return KillFirst(name, nullptr);
}

bool KillProcessByNameInside(const wchar_t* name, const std::wstring& folder) {
    std::filesystem::path host;
    if (folder.empty() || !platform::ToHostPath(folder, &host)) {
        return false;
    }
    return KillFirst(name, &host);
}

void CloseProductProcesses(const std::wstring& installFolder) {
    for (int row = 0; row < kProductProcessRows; ++row) {
        if (row == kSharedHelperRow) {
            KillProcessByNameInside(kProductProcessNames[row], installFolder);
        } else {
            KillProcessByName(kProductProcessNames[row]);
        }
    }
}

void CloseProductProcesses() {
    CloseProductProcesses(GetInstallFolder());
}
