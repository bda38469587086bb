#include "platform/SpecialFolders.h"

#include "platform/FileSystem.h"
#include "platform/Root.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>

namespace platform {
namespace {

bool Is64BitSystem() {
    SystemInfo info;
    GetNativeSystemInfo(&info);
    return info.processorArchitecture == kProcessorArchitectureAmd64 ||
           info.processorArchitecture == kProcessorArchitectureIa64 ||
           info.processorArchitecture == kProcessorArchitectureArm64;
}

std::wstring UserProfile() {
    return L"C:\\Users\\" + DesktopUserName();
}

std::wstring FolderPath(SpecialFolder folder) {
    switch (folder) {
    case SpecialFolder::Documents:
        return UserProfile() + L"\\Documents";
    case SpecialFolder::Downloads:
        return UserProfile() + L"\\Downloads";
    case SpecialFolder::AppData:
        return UserProfile() + L"\\AppData\\Roaming";
    case SpecialFolder::LocalAppData:
        return UserProfile() + L"\\AppData\\Local";
    case SpecialFolder::Desktop:
        return UserProfile() + L"\\Desktop";
    case SpecialFolder::Programs:
        return UserProfile() + L"\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs";
    case SpecialFolder::CommonPrograms:
        return L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
    case SpecialFolder::CommonDesktop:
        return L"C:\\Users\\Public\\Desktop";
    case SpecialFolder::ProgramFiles:
        return Is64BitSystem() ? L"C:\\Program Files (x86)" : L"C:\\Program Files";
    case SpecialFolder::Windows:
        return L"C:\\Windows";
    }
    return {};
}

// Creates a folder and its parents on a Windows path.
bool EnsureFolder(const std::wstring& path) {
    std::filesystem::path host;
    if (!ToHostPath(path, &host)) {
        return false;
    }
    std::error_code error;
    std::filesystem::create_directories(host, error);
    return std::filesystem::is_directory(host, error);
}

} // namespace

std::wstring DesktopUserName() {
    std::string name = RootSetting("system", "user");
    if (name.empty()) {
        for (const char* variable : {"SUDO_USER", "USER", "LOGNAME"}) {
            if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') {
                name = value;
                break;
            }
        }
    }
    if (name.empty()) {
        if (const passwd* entry = getpwuid(geteuid()); entry != nullptr) {
            name = entry->pw_name;
        }
    }
    return name.empty() ? L"User" : NarrowToWide(name);
}

bool GetSpecialFolderPath(SpecialFolder folder, std::wstring* path) {
    const std::wstring result = FolderPath(folder);
    if (result.empty() || !EnsureFolder(result)) {
        return false;
    }
    *path = result;
    return true;
}

std::wstring GetTempFolder() {
    std::wstring local;
    if (!GetSpecialFolderPath(SpecialFolder::LocalAppData, &local)) {
        return {};
    }
    const std::wstring temp = local + L"\\Temp";
    return EnsureFolder(temp) ? temp + L"\\" : std::wstring();
}

bool GetEnvironmentValue(std::wstring_view name, std::wstring* value) {
    auto is = [&](const wchar_t* known) { return EqualsNoCase(name, known); };
    if (is(L"ProgramW6432")) {
        if (!Is64BitSystem()) {
            return false;
        }
        *value = L"C:\\Program Files";
        return true;
    }
    if (is(L"ProgramFiles")) {
        *value = FolderPath(SpecialFolder::ProgramFiles);
        return true;
    }
    if (is(L"TEMP") || is(L"TMP")) {
        std::wstring temp = GetTempFolder();
        if (temp.empty()) {
            return false;
        }
        temp.pop_back();
        *value = temp;
        return true;
    }
    if (is(L"USERPROFILE")) {
        *value = UserProfile();
        return true;
    }
    if (is(L"USERNAME")) {
        *value = DesktopUserName();
        return true;
    }
    if (is(L"APPDATA")) {
        *value = FolderPath(SpecialFolder::AppData);
        return true;
    }
    if (is(L"LOCALAPPDATA")) {
        *value = FolderPath(SpecialFolder::LocalAppData);
        return true;
    }
    if (is(L"SystemRoot") || is(L"windir")) {
        *value = L"C:\\Windows";
        return true;
    }
    const char* host = std::getenv(WideToNarrow(name).c_str());
    if (host == nullptr) {
        return false;
    }
    *value = NarrowToWide(host);
    return true;
}

} // namespace platform
