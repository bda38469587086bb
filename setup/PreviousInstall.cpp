#include "setup/PreviousInstall.h"

#include "app/DiskPaths.h"
#include "app/Log.h"
#include "app/TextConv.h"
#include "install/UninstallRegistry.h"
#include "platform/FileSystem.h"
#include "platform/SpecialFolders.h"

std::atomic<bool> g_updateOldVersion{false};

namespace {

constexpr const wchar_t* kUserDataFolderName = L"Kelto Clipwave Converter";

bool UserDataFolderExists() {
    std::wstring folder;
    if (!platform::GetSpecialFolderPath(platform::SpecialFolder::AppData, &folder)) {
        return false;
    }
    return PathAppend(folder, kUserDataFolderName) && platform::IsFolder(folder);
}

} // namespace

std::string RootKeyName(const PackageHeader& record) {
    std::string name = HeaderText(record.rootName);
    if (record.is64Bit != 0) {
        name += "(x64)";
    }
    return name;
}

std::string GetOldInstallPath(const PackageHeader& record) {
    std::string location;
    if (ReadInstallLocation(RootKeyName(record).c_str(), location) <= 0) {
        LogFormat("Don't find install path for old version.\n");
        return {};
    }
    LogFormat("Find install path: (%s)\n", location.c_str());
    g_updateOldVersion = true;
    return location;
}

bool IsNewInstall(bool bHasOldVersion, const PackageHeader& record) {
    LogFormat("Begin IsNewInstall : bHasOldVersion (%d)\n", bHasOldVersion ? 1 : 0);
    bool old = bHasOldVersion;
    if (!old) {
        const std::string oldPath = GetOldInstallPath(record);
        old = !oldPath.empty() && platform::IsFolder(AnsiToWide(oldPath));
    }
    if (old) {
        LogFormat("IsNewInstall : bHasOldVersion(%d).\n", bHasOldVersion ? 1 : 0);
        return false;
    }
    if (UserDataFolderExists()) {
        LogFormat("IsNewInstall : appdata folder\n");
        return false;
    }
    return true;
}
