#include "app/DiskPaths.h"

#include "app/Probes.h"
#include "platform/FileSystem.h"
#include "platform/SpecialFolders.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr size_t kMaxPath = platform::kMaxPath;

// Whether a relative part climbs: one of its components is "..".
bool Climbs(const std::wstring& part) {
    size_t start = 0;
    while (start <= part.size()) {
        size_t end = part.find_first_of(L"\\/", start);
        if (end == std::wstring::npos) {
            end = part.size();
        }
        if (part.compare(start, end - start, L"..") == 0) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

bool PathAppend(std::wstring& path, const std::wstring& part) {
    size_t skip = 0;
    while (skip < part.size() && part[skip] == L'\\') {
        ++skip;
    }
    if (skip == part.size()) {
        return true;
    }
    if (Climbs(part)) {
        return false;
    }
    std::wstring result = path;
    if (!result.empty() && result.back() != L'\\') {
        result += L'\\';
    }
    result.append(part, skip);
    if (result.size() >= kMaxPath) {
        return false;
    }
    path = std::move(result);
    return true;
}

std::wstring& GetDocumentsPath(std::wstring& output, const std::wstring& subFolder,
                               const wchar_t* fileName, bool create) {
    output.clear();
    platform::GetSpecialFolderPath(platform::SpecialFolder::Documents, &output);
    PathAppend(output, subFolder);
    if (create) {
        CreateDirectoryTree(output);
    }
    if (fileName != nullptr) {
        PathAppend(output, fileName);
    }
    return output;
}

int GetProgramFilesPath(wchar_t* output, const std::wstring& subFolder, bool create,
                        bool prefer64Bit) {
    if (output == nullptr) {
        return 0;
    }
    std::wstring base;
    if (!(prefer64Bit && IsOs64Bit() && platform::GetEnvironmentValue(L"ProgramW6432", &base))) {
        base.clear();
        platform::GetSpecialFolderPath(platform::SpecialFolder::ProgramFiles, &base);
    }
    const bool appended = PathAppend(base, subFolder);
    const size_t length = std::min(base.size(), kMaxPath - 1);
    std::wmemcpy(output, base.data(), length);
    output[length] = L'\0';
    if (create) {
        return CreateDirectoryTree(output);
    }
    return appended ? 1 : 0;
}

int CreateDirectoryTree(const std::wstring& path) {
    if (path.size() > kMaxPath) {
        return 0;
    }
    for (size_t i = 0; i < path.size(); ++i) {
        if (path[i] == L'\\' && i > 0) {
            platform::CreateFolder(path.substr(0, i));
        }
    }
    if (!path.empty() && path.back() != L'\\') {
        platform::CreateFolder(path);
    }
    return 1;
}

int64_t GetFreeMegabytes(char drive) {
    const wchar_t root[] = {static_cast<wchar_t>(static_cast<unsigned char>(drive)), L':', L'\\',
                            L'\0'};
    uint64_t freeBytes = 0;
    if (!platform::GetDiskFreeBytes(root, &freeBytes)) {
        return 0;
    }
    return static_cast<int64_t>(static_cast<double>(freeBytes) / 1024.0 / 1024.0);
}
