#include "platform/FileSystem.h"

#include "platform/Root.h"
#include "platform/Text.h"

#include <sys/statvfs.h>
#include <system_error>
#include <vector>

namespace platform {
namespace {

wchar_t UpperDrive(wchar_t letter) {
    if (letter >= L'a' && letter <= L'z') {
        return static_cast<wchar_t>(letter - L'a' + L'A');
    }
    return letter;
}

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

} // namespace

bool DriveHostFolder(wchar_t letter, std::filesystem::path* hostFolder) {
    letter = UpperDrive(letter);
    if (letter < L'A' || letter > L'Z') {
        return false;
    }
    const std::string key(1, static_cast<char>(letter));
    // Drive C: exists unless the settings unmap it with an empty value; other drives exist only
    // when the settings map them.
    std::string folder = RootSetting("drives", key, letter == L'C' ? "drive_c" : "");
    if (folder.empty()) {
        return false;
    }
    std::filesystem::path path(folder);
    if (path.is_relative()) {
        path = RootFolder() / path;
    }
    std::error_code error;
    std::filesystem::create_directories(path, error);
    if (!std::filesystem::is_directory(path, error)) {
        return false;
    }
    *hostFolder = path.lexically_normal();
    return true;
}

namespace {

// The drive letter and the components of a full Windows path, with ".", ".." and doubled
// separators resolved; ".." never climbs above the drive's root.
bool SplitWindowsPath(std::wstring_view windowsPath, std::vector<std::wstring_view>* parts) {
    if (windowsPath.size() < 2 || windowsPath.size() >= kMaxPath || windowsPath[1] != L':') {
        return false;
    }
    if (windowsPath.size() > 2 && !IsSeparator(windowsPath[2])) {
        return false; // "C:name" is relative to the drive's current folder, which we have not
    }
    parts->clear();
    size_t i = 2;
    while (i < windowsPath.size()) {
        while (i < windowsPath.size() && IsSeparator(windowsPath[i])) {
            ++i;
        }
        size_t end = i;
        while (end < windowsPath.size() && !IsSeparator(windowsPath[end])) {
            ++end;
        }
        const std::wstring_view part = windowsPath.substr(i, end - i);
        i = end;
        if (part.empty() || part == L".") {
            continue;
        }
        if (part == L"..") {
            if (!parts->empty()) {
                parts->pop_back();
            }
            continue;
        }
        if (part.find(L'\0') != std::wstring_view::npos) {
            return false;
        }
        parts->push_back(part);
    }
    return true;
}

} // namespace

bool NormalizeWindowsPath(std::wstring_view windowsPath, std::wstring* normal) {
    std::vector<std::wstring_view> parts;
    if (!SplitWindowsPath(windowsPath, &parts)) {
        return false;
    }
    std::wstring result{UpperDrive(windowsPath[0]), L':'};
    for (const auto part : parts) {
        result += L'\\';
        result += part;
    }
    if (parts.empty()) {
        result += L'\\';
    }
    *normal = std::move(result);
    return true;
}

bool ToHostPath(std::wstring_view windowsPath, std::filesystem::path* hostPath) {
    std::vector<std::wstring_view> parts;
    if (!SplitWindowsPath(windowsPath, &parts)) {
        return false;
    }
    std::filesystem::path base;
    if (!DriveHostFolder(windowsPath[0], &base)) {
        return false;
    }
    std::filesystem::path result = base;
    for (const auto part : parts) {
        result /= WideToNarrow(part);
    }
    *hostPath = result;
    return true;
}

std::wstring ToWindowsPath(const std::filesystem::path& hostPath) {
    const auto normal = std::filesystem::absolute(hostPath).lexically_normal();
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        std::filesystem::path base;
        if (!DriveHostFolder(letter, &base)) {
            continue;
        }
        const auto relative = normal.lexically_relative(base);
        if (relative.empty() || *relative.begin() == "..") {
            continue;
        }
        std::wstring result{letter, L':'};
        for (const auto& part : relative) {
            if (part == ".") {
                continue;
            }
            result += L'\\';
            result += NarrowToWide(part.string());
        }
        if (result.size() == 2) {
            result += L'\\';
        }
        return result;
    }
    return {};
}

bool CreateFolder(std::wstring_view path) {
    std::filesystem::path host;
    if (!ToHostPath(path, &host)) {
        return false;
    }
    std::error_code error;
    return std::filesystem::create_directory(host, error);
}

bool PathExists(std::wstring_view path) {
    std::filesystem::path host;
    std::error_code error;
    return ToHostPath(path, &host) && std::filesystem::exists(host, error);
}

bool IsFolder(std::wstring_view path) {
    std::filesystem::path host;
    std::error_code error;
    return ToHostPath(path, &host) && std::filesystem::is_directory(host, error);
}

bool DeleteFileAt(std::wstring_view path) {
    std::filesystem::path host;
    std::error_code error;
    if (!ToHostPath(path, &host) || std::filesystem::is_directory(host, error)) {
        return false;
    }
    return std::filesystem::remove(host, error);
}

bool RemoveEmptyFolder(std::wstring_view path) {
    std::filesystem::path host;
    std::error_code error;
    if (!ToHostPath(path, &host) || !std::filesystem::is_directory(host, error)) {
        return false;
    }
    return std::filesystem::remove(host, error);
}

FilePtr OpenFile(std::wstring_view path, const char* mode) {
    std::filesystem::path host;
    if (!ToHostPath(path, &host)) {
        return nullptr;
    }
    std::error_code error;
    if (std::filesystem::is_directory(host, error)) {
        return nullptr;
    }
    // The text/binary distinction of the C runtime does not exist here; drop the 't'. The file
    // is closed on exec ('e'): programs this one starts never inherit it.
    std::string hostMode;
    for (const char* c = mode; *c != '\0'; ++c) {
        if (*c != 't' && *c != 'e') {
            hostMode.push_back(*c);
        }
    }
    hostMode.push_back('e');
    return FilePtr(std::fopen(host.c_str(), hostMode.c_str()));
}

bool ListFolder(std::wstring_view path, std::vector<std::wstring>* names) {
    std::filesystem::path host;
    std::error_code error;
    if (!ToHostPath(path, &host) || !std::filesystem::is_directory(host, error)) {
        return false;
    }
    names->clear();
    for (std::filesystem::directory_iterator it(host, error), end; !error && it != end;
         it.increment(error)) {
        names->push_back(NarrowToWide(it->path().filename().string()));
    }
    return !error;
}

bool GetDiskFreeBytes(std::wstring_view rootPath, uint64_t* freeBytes) {
    if (rootPath.size() < 2 || rootPath[1] != L':') {
        return false;
    }
    std::filesystem::path base;
    if (!DriveHostFolder(rootPath[0], &base)) {
        return false;
    }
    struct statvfs info {};
    if (statvfs(base.c_str(), &info) != 0) {
        return false;
    }
    // The volume's free space, not the caller's quota.
    *freeBytes = static_cast<uint64_t>(info.f_bfree) * info.f_frsize;
    return true;
}

} // namespace platform
