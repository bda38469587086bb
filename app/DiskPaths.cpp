#include "app/DiskPaths.h"

#include "app/Probes.h"
#include "platform/FileSystem.h"
#include "platform/SpecialFolders.h"

#include <algorithm>
#include <cwchar>

namespace {

constexpr size_t kMaxPath = platform::kMaxPath;

} // namespace

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

int64_t GetFreeMegabytes(char drive) {
    const wchar_t root[] = {static_cast<wchar_t>(static_cast<unsigned char>(drive)), L':', L'\\',
                            L'\0'};
    uint64_t freeBytes = 0;
    if (!platform::GetDiskFreeBytes(root, &freeBytes)) {
        return 0;
    }
    return static_cast<int64_t>(static_cast<double>(freeBytes) / 1024.0 / 1024.0);
}
