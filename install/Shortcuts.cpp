#include "install/Shortcuts.h"

#include "app/DiskPaths.h"
#include "app/Log.h"
#include "app/Result.h"
#include "app/TextConv.h"
#include "platform/FileSystem.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/ShellLink.h"
#include "platform/SpecialFolders.h"

#include <chrono>
#include <cstdlib>
#include <cwchar>
#include <thread>

namespace {

constexpr const char* kWindowMetricsKey = "Control Panel\\Desktop\\WindowMetrics";
constexpr const char* kShellIconSize = "Shell Icon Size";
constexpr int kDefaultIconSize = 32;

bool FolderOfKind(int kind, std::wstring* folder) {
    platform::SpecialFolder special;
    switch (kind) {
    case kShortcutPrograms:
        special = platform::SpecialFolder::Programs;
        break;
    case kShortcutCommonPrograms:
        special = platform::SpecialFolder::CommonPrograms;
        break;
    case kShortcutDesktop:
        special = platform::SpecialFolder::Desktop;
        break;
    default:
        return false;
    }
    return platform::GetSpecialFolderPath(special, folder);
}

void WriteIconSize(int size) {
    platform::RegistryKeyHandle key;
    if (platform::RegistryOpenKey(platform::RegistryRoot::CurrentUser, kWindowMetricsKey,
                                  platform::kKeyAllAccess, &key) != platform::kErrorSuccess) {
        return;
    }
    const std::string text = std::to_string(size);
    // Stored with the text's length as its size, as the shell's own writer does.
    platform::RegistrySetValue(key, kShellIconSize, platform::kRegSz, text.data(),
                               static_cast<uint32_t>(text.size()));
}

int ReadIconSize() {
    char buffer[256] = {};
    platform::RegistryKeyHandle key;
    if (platform::RegistryOpenKey(platform::RegistryRoot::CurrentUser, kWindowMetricsKey,
                                  platform::kKeyRead, &key) == platform::kErrorSuccess) {
        uint32_t type = 0;
        uint32_t size = sizeof buffer - 1;
        if (platform::RegistryQueryValue(key, kShellIconSize, &type, buffer, &size) !=
            platform::kErrorSuccess) {
            buffer[0] = 0;
        }
    }
    const int value = std::atoi(buffer);
    return value < 1 ? kDefaultIconSize : value;
}

std::wstring WithProductName(const std::wstring& text, const std::wstring& shortcutName) {
    return ReplaceAll(text, L"__PRODUCT_NAME__", shortcutName);
}

} // namespace

long CreateShortcut(const wchar_t* target, const wchar_t* workingFolder, const wchar_t* name,
                    int kind, const wchar_t* subFolder, const wchar_t* description,
                    const wchar_t* iconPath, const wchar_t* arguments) {
    if (!target || !name) {
        return kEPointer;
    }
    std::wstring folder;
    if (!FolderOfKind(kind, &folder) || folder.size() >= platform::kMaxPath ||
        !platform::IsFolder(folder)) {
        return kEFail;
    }
    if (subFolder && *subFolder) {
        if (!PathAppend(folder, subFolder)) {
            return kEFail;
        }
        CreateDirectoryTree(folder);
    }
    platform::ShellLink link;
    link.target = target;
    link.iconPath = iconPath ? iconPath : target;
    link.iconIndex = 0;
    if (arguments) {
        link.arguments = arguments;
    }
    if (workingFolder) {
        link.workingFolder = workingFolder;
    }
    if (description) {
        link.description = description;
    }
    link.showCommand = platform::kShowNormal;
    wchar_t file[platform::kMaxPath] = {};
    const int length =
        std::swprintf(file, platform::kMaxPath, L"%ls\\%ls.lnk", folder.c_str(), name);
    if (length < 0) {
        return kEFail;
    }
    return platform::SaveShellLink(file, link) ? kSOk : kEFail;
}

void CreateShortcuts(const std::wstring& programFolder, const std::wstring& executablePath,
                     const std::wstring& uninstallerPath, const std::wstring& homePage,
                     const std::wstring& shortcutName, bool desktopShortcut,
                     const ShortcutTexts& texts) {
    const std::wstring& name = shortcutName;
    const std::wstring application = name + WithProductName(texts.application, name);
    const std::wstring uninstallApplication =
        name + WithProductName(texts.uninstallApplication, name);
    const std::wstring homepage = name + WithProductName(texts.homepage, name);
    const std::wstring uninstallName = WithProductName(texts.uninstallProduct, name);
    const std::wstring onlineName = WithProductName(texts.productOnline, name);

    if (desktopShortcut) {
        CreateShortcut(executablePath.c_str(), programFolder.c_str(), name.c_str(),
                       kShortcutDesktop, nullptr, application.c_str(), nullptr, nullptr);
        LogFormat("Create DESKTOP Icons Finish.");
    }
    for (int kind : {kShortcutPrograms, kShortcutCommonPrograms}) {
        CreateShortcut(executablePath.c_str(), programFolder.c_str(), name.c_str(), kind,
                       name.c_str(), application.c_str(), nullptr, nullptr);
        CreateShortcut(uninstallerPath.c_str(), programFolder.c_str(), uninstallName.c_str(), kind,
                       name.c_str(), uninstallApplication.c_str(), nullptr, nullptr);
        CreateShortcut(homePage.c_str(), nullptr, onlineName.c_str(), kind, name.c_str(),
                       homepage.c_str(), nullptr, nullptr);
        if (kind == kShortcutPrograms) {
            LogFormat("Create START_MENU Icons Finish.");
        }
    }
}

bool RefreshShellIcons() {
    const int size = ReadIconSize();
    WriteIconSize(size + 1);
    platform::PostSettingChange(platform::kSpiSetNonClientMetrics, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    WriteIconSize(size);
    return platform::PostSettingChange(platform::kSpiSetNonClientMetrics, 0);
}
