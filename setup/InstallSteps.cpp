#include "setup/InstallSteps.h"

#include "app/DiskPaths.h"
#include "app/Log.h"
#include "app/Md5.h"
#include "app/TextConv.h"
#include "install/PackageNames.h"
#include "install/ProductProcesses.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/Shell.h"
#include "platform/SpecialFolders.h"

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>

namespace {

constexpr size_t kVersionRoom = 8;
constexpr int kInstallIdValues = 256;
// The process search keeps the executable name in a 64-character buffer.
constexpr size_t kProcessNameRoom = 63;
constexpr int kShowHidden = 0;
constexpr int kWaitCountStart = 100;
constexpr uint32_t kReapMilliseconds = 2000;

} // namespace

std::string PackageFileName(const std::string& registryName, const std::string& versionText) {
    std::string name = registryName;
    if (versionText.size() > kVersionRoom) {
        if (IsPlainDottedVersion(versionText)) {
            name += "(" + versionText.substr(0, kVersionRoom) + ")";
        } else {
            LogFormat("Version text is not a plain version; the package file name goes without "
                      "it.\n");
        }
    }
    return name + ".exe";
}

std::wstring PackageFolder(bool create) {
    std::wstring documents;
    GetDocumentsPath(documents, L"", nullptr, false);
    while (!documents.empty() && documents.back() == L'\\') {
        documents.pop_back();
    }
    std::wstring folder = documents.substr(0, documents.rfind(L'\\') + 1);
    PathAppend(folder, L"Downloads");
    PathAppend(folder, L"Kelto Clipwave Converter");
    if (create) {
        CreateDirectoryTree(folder);
    }
    return folder;
}

std::string MakeInstallId() {
    uint8_t bytes[kInstallIdValues * 4];
    for (int i = 0; i < kInstallIdValues; ++i) {
        const uint32_t value = static_cast<uint32_t>(std::rand());
        for (int b = 0; b < 4; ++b) {
            bytes[i * 4 + b] = static_cast<uint8_t>(value >> (8 * b));
        }
    }
    return Md5HexLower(bytes, sizeof bytes);
}

std::string InstallParameters(bool join, const std::string& installId, bool isNew,
                              unsigned downloadSeconds) {
    std::string parameters = "/install";
    if (join) {
        parameters += " /add_plan";
    }
    if (!installId.empty()) {
        parameters += " /ID:" + installId;
    }
    if (isNew) {
        parameters += " /new ";
    }
    if (downloadSeconds != 0) {
        parameters += " /time:" + std::to_string(downloadSeconds) + " ";
    }
    return parameters;
}

void RunMainExeInstall(const std::wstring& executablePath, const std::wstring& executableName,
                       const std::string& parameters, const HandOverWait& wait) {
    const std::wstring processName = executableName.substr(0, kProcessNameRoom);
    LogFormat("Run MainExe.exe /install");
    if (!platform::PathExists(executablePath)) {
        LogFormat("Run exe failed. main exe con't found\n.");
        return;
    }
    LogFormat("Run Install Params: %s.\n", parameters.c_str());
    std::unique_ptr<platform::Process> process;
    const intptr_t started =
        platform::ShellExecute(L"runas", executablePath.c_str(), AnsiToWide(parameters).c_str(),
                               nullptr, kShowHidden, &process);
    if (started <= 32 || !process) {
        return;
    }
    int nWaitCount = kWaitCountStart;
    uint32_t exitCode = 0;
    bool ended = false;
    for (int poll = 0; poll < wait.maxPolls; ++poll) {
        std::this_thread::sleep_for(std::chrono::milliseconds(wait.pollMilliseconds));
        uint32_t found = 0;
        if (!FindProcessByName(processName.c_str(), &found)) {
            process->GetExitCode(&exitCode);
            ended = true;
            break;
        }
        --nWaitCount;
    }
    LogFormat("Run main exe install : ExitCode(%d), nWaitCount(%d).\n", static_cast<int>(exitCode),
              nWaitCount);
    if (!ended) {
        LogFormat("Run main exe install : still running after %d polls of %u ms, terminated.\n",
                  wait.maxPolls, wait.pollMilliseconds);
        process->Terminate(0);
        // Reaped here, so that no ended program lingers as a zombie of the installer.
        if (!process->Wait(kReapMilliseconds)) {
            LogFormat("Run main exe install : not gone %u ms after termination.\n",
                      kReapMilliseconds);
        }
    }
}
