#include "app/DiskPathsCore.h"

#include "platform/FileSystem.h"
#include "platform/SpecialFolders.h"

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
