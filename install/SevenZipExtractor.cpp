#include "install/SevenZipExtractor.h"

#include "app/Log.h"
#include "app/TextConv.h"
#include "install/ArchiveEngine.h"
#include "install/ProductNames.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "platform/FileTree.h"
#include "platform/SpecialFolders.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

namespace {

constexpr size_t kPathBuffer = platform::kMaxPath;
constexpr size_t kArgumentBuffer = 1024;
constexpr size_t kModuleNameBuffer = 520;

void ErrorRelay(void* context, int code) {
    auto* extractor = static_cast<C7ZExtractor*>(context);
    if (extractor && extractor->Callback()) {
        extractor->Callback()->OnError(code);
    }
}

void ProgressRelay(void* context, int low, int high) {
    auto* extractor = static_cast<C7ZExtractor*>(context);
    if (extractor && extractor->Callback()) {
        extractor->Callback()->OnProgress(low, high);
    }
}

void CopyBounded(char* buffer, size_t size, const std::string& text) {
    std::snprintf(buffer, size, "%s", text.c_str());
}

std::wstring WithoutTrailingSeparators(std::wstring path) {
    while (path.size() > 3 && (path.back() == L'\\' || path.back() == L'/')) {
        path.pop_back();
    }
    return path;
}

std::wstring Normalised(std::wstring path) {
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return WithoutTrailingSeparators(std::move(path));
}

bool IsDriveRoot(const std::wstring& path) {
    return path.size() <= 3 && path.size() >= 2 && path[1] == L':';
}

// Whether ancestor is folder itself or one of the folders above it.
bool IsSameOrAbove(const std::wstring& ancestor, const std::wstring& folder) {
    if (ancestor.size() > folder.size()) {
        return false;
    }
    if (!platform::EqualsNoCase(ancestor, std::wstring_view(folder).substr(0, ancestor.size()))) {
        return false;
    }
    return ancestor.size() == folder.size() || folder[ancestor.size()] == L'\\' ||
           ancestor.back() == L'\\';
}

std::vector<std::wstring> ProtectedFolders() {
    using platform::SpecialFolder;
    std::vector<std::wstring> folders;
    for (SpecialFolder kind :
         {SpecialFolder::Documents, SpecialFolder::Downloads, SpecialFolder::AppData,
          SpecialFolder::LocalAppData, SpecialFolder::Desktop, SpecialFolder::Programs,
          SpecialFolder::CommonPrograms, SpecialFolder::CommonDesktop, SpecialFolder::ProgramFiles,
          SpecialFolder::Windows}) {
        std::wstring path;
        if (platform::GetSpecialFolderPath(kind, &path) && !path.empty()) {
            folders.push_back(Normalised(path));
        }
    }
    for (const wchar_t* name : {L"ProgramW6432", L"ProgramFiles", L"USERPROFILE", L"TEMP"}) {
        std::wstring path;
        if (platform::GetEnvironmentValue(name, &path) && path.size() >= 2 && path[1] == L':') {
            folders.push_back(Normalised(path));
        }
    }
    std::wstring temp = platform::GetTempFolder();
    if (!temp.empty()) {
        folders.push_back(Normalised(temp));
    }
    return folders;
}

// The protected-place part of the rule, shared by both tree removals.
std::string WhyPlaceIsProtected(const std::wstring& folder) {
    if (folder.size() < 2 || folder[1] != L':') {
        return "not a full path";
    }
    if (IsDriveRoot(folder)) {
        return "drive root";
    }
    if (platform::IsLinkAt(folder)) {
        return "the folder is a link";
    }
    for (const std::wstring& special : ProtectedFolders()) {
        if (IsSameOrAbove(folder, special)) {
            return "special folder " + WideToOem(special);
        }
    }
    return {};
}

bool IsInstallationEntry(const std::wstring& name) {
    return platform::EqualsNoCase(name, kConverterFolderName) ||
           platform::EqualsNoCase(name, kDownloaderFolderName) ||
           platform::EqualsNoCase(name, kUninstallerFileName);
}

// Removes everything below a checked folder, then the folder. Links are removed as links.
void RemoveTreeBelow(const std::wstring& folder) {
    std::vector<std::wstring> names;
    if (!platform::ListFolder(folder, &names)) {
        return;
    }
    for (const std::wstring& name : names) {
        std::wstring path = folder + L"\\" + name;
        if (platform::IsLinkAt(path)) {
            platform::DeleteLinkAt(path);
        } else if (platform::IsFolder(path)) {
            RemoveTreeBelow(path);
        } else {
            platform::DeleteFileAt(path);
        }
    }
    platform::RemoveEmptyFolder(folder);
}

} // namespace

void C7ZOperator::OnProgress(int value, int highPart) {
    char text[kPathBuffer] = {};
    std::snprintf(text, sizeof text, "now pos is %d \n", value);
    platform::OutputDebugText(text);
    if (m_notify) {
        m_notify(kEventExtractProgress, static_cast<unsigned>(value), 0);
    }
}

void C7ZOperator::OnError(int code) {
    char text[kPathBuffer] = {};
    std::snprintf(text, sizeof text, "\n!!! Error is %d \n", code);
    platform::OutputDebugText(text);
    m_lastError = code;
    if (m_notify) {
        m_notify(kEventExtractError, static_cast<unsigned>(code), 0);
    }
}

bool C7ZExtractor::ExtractFromMemory(const void* data, uint32_t size, const char* destination) {
    if (!data || !destination) {
        return false;
    }
    char root[kPathBuffer] = {};
    CreateTempRoot(root);
    char workFolder[kPathBuffer] = {};
    std::snprintf(workFolder, sizeof workFolder, "%s%s", root, kWorkFolderName);
    CreateDirectoryChain(workFolder);

    char archivePath[kPathBuffer] = {};
    std::snprintf(archivePath, sizeof archivePath, "%s%s", workFolder, kArchiveFileName);
    std::FILE* file = platform::OpenFile(AnsiToWide(archivePath), "wb");
    if (!file) {
        DeleteTree(workFolder);
        ErrorRelay(this, kArchiveErrorTempFile);
        return false;
    }
    bool written = std::fwrite(data, 1, size, file) == size;
    written = std::fclose(file) == 0 && written;
    const bool exists = platform::PathExists(AnsiToWide(archivePath));
    std::printf("Temp File : %s, Flag : %d\n", archivePath, exists ? 1 : 0);
    if (!exists) {
        ErrorRelay(this, kArchiveErrorTempFile);
        return false;
    }
    if (!written) {
        // A short write (a full disk) leaves a truncated archive that the engine would only
        // half extract: it is reported like a file that could not be created.
        DeleteTree(root);
        ErrorRelay(this, kArchiveErrorTempFile);
        return false;
    }
    RunArchiveEngine(destination, archivePath);
    DeleteTree(root);
    return true;
}

bool C7ZExtractor::RunArchiveEngine(const char* destination, const char* archivePath) {
    char arguments[4][kArgumentBuffer] = {};
    char moduleName[kModuleNameBuffer] = {};
    CopyBounded(moduleName, sizeof moduleName, platform::MainModuleFileName());
    std::snprintf(arguments[0], kArgumentBuffer, "%s", moduleName);
    std::snprintf(arguments[1], kArgumentBuffer, "%s", "x");
    std::snprintf(arguments[2], kArgumentBuffer, "%s", archivePath);
    std::snprintf(arguments[3], kArgumentBuffer, "-o%s", destination);
    const char* vector[4] = {arguments[0], arguments[1], arguments[2], arguments[3]};
    RunSevenZipEntry(4, vector, this, ErrorRelay, ProgressRelay);
    return true;
}

std::string TempRootName(const std::string& tempPath, uint32_t tick) {
    std::string path = tempPath;
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    char root[kPathBuffer] = {};
    std::snprintf(root, sizeof root, "%s%x/", path.c_str(), tick);
    return root;
}

bool CreateTempRoot(char* output) {
    char tempPath[kPathBuffer] = {};
    CopyBounded(tempPath, sizeof tempPath, WideToAnsi(platform::GetTempFolder()));
    std::string root = TempRootName(tempPath, platform::GetTickCount());
    while (DirectoryExists(root.c_str())) {
        std::this_thread::sleep_for(std::chrono::milliseconds(0));
        std::this_thread::yield();
        root = TempRootName(tempPath, platform::GetTickCount());
    }
    CopyBounded(output, kPathBuffer, root);
    return CreateDirectoryChain(output);
}

bool CreateDirectoryChain(const char* path) {
    if (!path) {
        return false;
    }
    const std::string text(path);
    if (text.size() > kPathBuffer) {
        return false;
    }
    bool result = false;
    size_t position = 0;
    while (true) {
        size_t next = text.find('/', position);
        if (next == std::string::npos) {
            next = text.find('\\', position);
        }
        if (next == std::string::npos) {
            break;
        }
        const std::wstring prefix = AnsiToWide(text.substr(0, next));
        result = platform::CreateFolder(prefix) || platform::IsFolder(prefix);
        position = next + 1;
    }
    return result;
}

bool DirectoryExists(const char* path) {
    if (!path) {
        return false;
    }
    std::string text(path);
    if (text.size() <= 1) {
        return false;
    }
    if (text.size() == 2) {
        if (text[1] != ':') {
            return false;
        }
        text += '/';
    } else if (text.back() == '/') {
        text.pop_back();
    }
    return platform::IsFolder(AnsiToWide(text));
}

bool DeleteTree(const char* folder) {
    if (!folder) {
        return false;
    }
    const std::string base(folder);
    const std::wstring wideBase = AnsiToWide(base);
    const std::string protectedReason = WhyPlaceIsProtected(Normalised(wideBase));
    if (!protectedReason.empty()) {
        LogFormat("DeleteTree refused (%s): %s\n", base.c_str(), protectedReason.c_str());
        return false;
    }
    std::vector<std::wstring> names;
    if (!platform::ListFolder(wideBase, &names)) {
        return false;
    }
    for (const std::wstring& name : names) {
        const std::string path = base + WideToAnsi(name);
        const std::wstring widePath = AnsiToWide(path);
        if (platform::IsLinkAt(widePath)) {
            platform::DeleteLinkAt(widePath);
        } else if (platform::IsFolder(widePath)) {
            DeleteTree((path + "/").c_str());
        } else {
            // Read-only bits do not stop a deletion here: on this system only the folder's
            // permissions decide.
            platform::DeleteFileAt(widePath);
        }
    }
    // The last deletion, and so the result: the folder itself.
    std::string self = base;
    while (self.size() > 3 && (self.back() == '/' || self.back() == '\\')) {
        self.pop_back();
    }
    return platform::RemoveEmptyFolder(AnsiToWide(self));
}

std::string WhyFolderMayNotBeCleared(const std::wstring& folder) {
    if (folder.empty()) {
        return "empty path";
    }
    const std::wstring path = Normalised(folder);
    std::string reason = WhyPlaceIsProtected(path);
    if (!reason.empty()) {
        return reason;
    }
    std::vector<std::wstring> names;
    if (!platform::ListFolder(path, &names)) {
        return {};
    }
    for (const std::wstring& name : names) {
        if (!IsInstallationEntry(name)) {
            return "holds \"" + WideToOem(name) + "\", which is not part of an installation";
        }
    }
    return {};
}

bool DeleteTree(const std::wstring& folder) {
    if (folder.empty()) {
        return false;
    }
    const std::wstring path = Normalised(folder);
    std::vector<std::wstring> names;
    if (!platform::ListFolder(path, &names)) {
        return false;
    }
    const std::string reason = WhyFolderMayNotBeCleared(folder);
    if (!reason.empty()) {
        LogFormat("DeleteTree refused (%s): %s\n", WideToOem(folder).c_str(), reason.c_str());
        return false;
    }
    RemoveTreeBelow(path);
    return true;
}
