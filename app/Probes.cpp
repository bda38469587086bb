#include "app/Probes.h"

#include "app/DiskPathsCore.h"
#include "app/Log.h"
#include "platform/FileSystem.h"
#include "platform/Profile.h"
#include "platform/SystemInfo.h"

#include <atomic>
#include <string>

namespace {

std::atomic<bool> g_testMode{false};

std::wstring DebugConfigPath() {
    std::wstring path;
    return GetDocumentsPath(path, L"", L"QorDebugConfig.ini", false);
}

} // namespace

bool IsOs64Bit() {
    platform::SystemInfo info;
    platform::GetNativeSystemInfo(&info);
    return info.processorArchitecture == platform::kProcessorArchitectureAmd64 ||
           info.processorArchitecture == platform::kProcessorArchitectureIa64;
}

bool IsWindowsVersionSupported() {
    uint32_t major = 0;
    uint32_t minor = 0;
    if (platform::GetWorkstationVersion(&major, &minor)) {
        LogFormat("Window Version : %d,%d", static_cast<int>(major), static_cast<int>(minor));
    } else {
        LogFormat("First get window version failed. Do second method.");
        uint32_t build = 0;
        if (platform::GetNtVersionNumbers(&major, &minor, &build)) {
            LogFormat("Window Version : %d,%d", static_cast<int>(major), static_cast<int>(minor));
        } else {
            major = 0;
        }
        if (major == 0) {
            LogFormat("Second get window version failed. Do third method.");
            platform::OsVersionInfo info;
            info.size = platform::kOsVersionInfoExSize;
            platform::GetVersionEx(&info);
            LogFormat("Window Version : %d,%d", static_cast<int>(info.majorVersion),
                      static_cast<int>(info.minorVersion));
            major = info.majorVersion;
            minor = info.minorVersion;
        }
    }
    return major > 6 || (major == 6 && minor >= 1);
}

bool IsVistaOrLater() {
    platform::OsVersionInfo info;
    info.size = platform::kOsVersionInfoExSize;
    if (!platform::GetVersionEx(&info)) {
        info = platform::OsVersionInfo();
        info.size = platform::kOsVersionInfoSize;
        if (!platform::GetVersionEx(&info)) {
            return false;
        }
    }
    return info.majorVersion > 5;
}

bool IsUserAdmin() {
    // Membership of the local Administrators group: here, running as the super-user.
    return platform::IsProcessElevated();
}

bool IsTestMode() {
    if (g_testMode.load()) {
        return true;
    }
    const std::wstring path = DebugConfigPath();
    if (platform::PathExists(path) &&
        platform::GetPrivateProfileInt(L"root", L"setup_test_mode", 0, path) == 1) {
        g_testMode.store(true);
    }
    return g_testMode.load();
}

int ReadDebugConfigInt(const wchar_t* key) {
    return platform::GetPrivateProfileInt(L"root", key, 0, DebugConfigPath());
}
