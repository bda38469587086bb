#include "install/SevenZipExtractor.h"

#include "app/Log.h"
#include "app/TextConv.h"
#include "install/ArchiveEngine.h"
#include "install/ProductNames.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "platform/FolderHandle.h"
#include "platform/Root.h"
#include "platform/SpecialFolders.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t kPathBuffer = platform::kMaxPath;
constexpr size_t kArgumentBuffer = 1024;
constexpr size_t kModuleNameBuffer = 520;
constexpr auto kTempNameBound = std::chrono::seconds(5);
constexpr const char* kWorkFolderBaseName = "plenix_7z"; // kWorkFolderName without its '/'

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

// The path as the drive mapping sees it ("C:\a\b"); empty when it is no full path.
std::wstring Normalised(const std::wstring& path) {
    std::wstring normal;
    return platform::NormalizeWindowsPath(path, &normal) ? normal : std::wstring();
}

bool IsDriveRoot(const std::wstring& normal) {
    return normal.size() == 3 && normal[1] == L':';
}

// Whether ancestor is folder itself or one of the folders above it (both normalised).
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

// The same question on host paths: two Windows paths may reach one host folder.
bool IsSameOrAboveOnHost(const fs::path& ancestor, const fs::path& folder) {
    const fs::path relative = folder.lexically_relative(ancestor);
    return !relative.empty() && *relative.begin() != "..";
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
        if (platform::GetSpecialFolderPath(kind, &path) && !Normalised(path).empty()) {
            folders.push_back(Normalised(path));
        }
    }
    for (const wchar_t* name : {L"ProgramW6432", L"ProgramFiles", L"USERPROFILE", L"TEMP"}) {
        std::wstring path;
        if (platform::GetEnvironmentValue(name, &path) && !Normalised(path).empty()) {
            folders.push_back(Normalised(path));
        }
    }
    if (!Normalised(platform::GetTempFolder()).empty()) {
        folders.push_back(Normalised(platform::GetTempFolder()));
    }
    return folders;
}

// Whether a host folder holds a drive's folder or the machine's own root folder.
bool HoldsMachineFolders(const fs::path& host) {
    if (IsSameOrAboveOnHost(host, platform::RootFolder().lexically_normal())) {
        return true;
    }
    for (wchar_t letter = L'A'; letter <= L'Z'; ++letter) {
        fs::path drive;
        if (platform::DriveHostFolder(letter, &drive) && IsSameOrAboveOnHost(host, drive)) {
            return true;
        }
    }
    return false;
}

// The protected-place part of the rule, shared by both tree removals. Every comparison is made
// on the normalised path, the one the drive mapping resolves, and on its host folder; the way to
// the folder is walked without following links.
std::string WhyPlaceIsProtected(const std::wstring& folder) {
    const std::wstring normal = Normalised(folder);
    fs::path host;
    if (normal.empty() || !platform::ToHostPath(normal, &host)) {
        return "not a full path";
    }
    if (IsDriveRoot(normal)) {
        return "drive root";
    }
    if (HoldsMachineFolders(host)) {
        return "holds a drive or the machine's own folder";
    }
    for (const std::wstring& special : ProtectedFolders()) {
        fs::path specialHost;
        if (IsSameOrAbove(normal, special) || (platform::ToHostPath(special, &specialHost) &&
                                               IsSameOrAboveOnHost(host, specialHost))) {
            return "special folder " + WideToOem(special);
        }
    }
    std::string why;
    const platform::FolderHandle parent = platform::FolderHandle::Open(host.parent_path(), &why);
    if (!parent.Valid()) {
        return "the way to the folder: " + why;
    }
    if (parent.Kind(host.filename().string()) == platform::EntryKind::Link) {
        return "the folder is a link";
    }
    return {};
}

bool IsInstallationEntry(const std::wstring& name) {
    return platform::EqualsNoCase(name, kConverterFolderName) ||
           platform::EqualsNoCase(name, kDownloaderFolderName) ||
           platform::EqualsNoCase(name, kUninstallerFileName);
}

// Removes a checked folder with everything below it through folder descriptors; true only when
// it is gone. Failures are logged.
bool RemoveCheckedFolder(const std::wstring& normal) {
    fs::path host;
    std::string why;
    if (!platform::ToHostPath(normal, &host)) {
        return false;
    }
    platform::FolderHandle parent = platform::FolderHandle::Open(host.parent_path(), &why);
    if (parent.Valid() && platform::RemoveTree(parent, host.filename().string(), &why)) {
        if (!why.empty()) {
            LogFormat("DeleteTree (%s): %s\n", WideToOem(normal).c_str(), why.c_str());
        }
        return true;
    }
    LogFormat("DeleteTree failed (%s): %s\n", WideToOem(normal).c_str(), why.c_str());
    return false;
}

// The temporary root: a new folder below the temporary path, named after the tick count, made
// here and now with mode 0700 (an existing one is never reused). The root's name goes to output.
platform::FolderHandle CreateTempArea(char* output, platform::FolderHandle* temp,
                                      std::string* rootName) {
    char tempPath[kPathBuffer] = {};
    CopyBounded(tempPath, sizeof tempPath, WideToAnsi(platform::GetTempFolder()));
    fs::path tempHost;
    std::string why;
    if (!platform::ToHostPath(platform::GetTempFolder(), &tempHost)) {
        return {};
    }
    *temp = platform::FolderHandle::OpenOrCreate(tempHost, 0755, &why);
    // Names are taken by the millisecond; a bound keeps a folder full of them from holding us.
    const auto deadline = std::chrono::steady_clock::now() + kTempNameBound;
    while (temp->Valid()) {
        if (std::chrono::steady_clock::now() > deadline) {
            why = "no free name within 5 s";
            break;
        }
        const uint32_t tick = platform::GetTickCount();
        char name[16] = {};
        std::snprintf(name, sizeof name, "%x", tick);
        why.clear();
        platform::FolderHandle root = temp->CreateChild(name, 0700, true, &why);
        if (root.Valid()) {
            CopyBounded(output, kPathBuffer, TempRootName(tempPath, tick));
            *rootName = name;
            return root;
        }
        if (temp->Kind(name) == platform::EntryKind::Missing) {
            break; // not a name clash: the folder cannot be made at all
        }
        std::this_thread::yield();
    }
    LogFormat("CreateTempRoot failed: %s\n", why.c_str());
    return {};
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
    platform::FolderHandle temp;
    std::string rootName;
    const platform::FolderHandle rootFolder = CreateTempArea(root, &temp, &rootName);
    char workFolder[kPathBuffer] = {};
    std::snprintf(workFolder, sizeof workFolder, "%s%s", root, kWorkFolderName);
    std::string why;
    const platform::FolderHandle work =
        rootFolder.CreateChild(kWorkFolderBaseName, 0700, true, &why);

    char archivePath[kPathBuffer] = {};
    std::snprintf(archivePath, sizeof archivePath, "%s%s", workFolder, kArchiveFileName);
    // Exclusive and without following links: the file is new, and ours.
    platform::Descriptor file = work.CreateFile(kArchiveFileName, 0600);
    if (!file) {
        if (rootFolder.Valid()) {
            platform::RemoveTree(temp, rootName, &why);
        }
        ErrorRelay(this, kArchiveErrorTempFile);
        return false;
    }
    bool written = platform::WriteAll(file, data, size);
    written = file.Close() && written;
    const bool exists = work.Kind(kArchiveFileName) == platform::EntryKind::File;
    std::printf("Temp File : %s, Flag : %d\n", archivePath, exists ? 1 : 0);
    if (!exists) {
        ErrorRelay(this, kArchiveErrorTempFile);
        return false;
    }
    if (!written) {
        // A short write (a full disk) leaves a truncated archive that the engine would only
        // half extract: it is reported like a file that could not be created.
        platform::RemoveTree(temp, rootName, &why);
        ErrorRelay(this, kArchiveErrorTempFile);
        return false;
    }
    const bool extracted = RunArchiveEngine(destination, archivePath);
    platform::RemoveTree(temp, rootName, &why);
    return extracted;
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
    // An archive the engine could not extract whole is a failed extraction: the caller must not
    // go on to register a product whose files are missing or damaged. The errors themselves have
    // reached the callback already.
    const int exitCode = RunSevenZipEntry(4, vector, this, ErrorRelay, ProgressRelay);
    if (exitCode != kArchiveExitOk) {
        char text[kPathBuffer] = {};
        std::snprintf(text, sizeof text, "RunArchiveEngine: the engine ended with exit code %d\n",
                      exitCode);
        platform::OutputDebugText(text);
        return false;
    }
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
    platform::FolderHandle temp;
    std::string rootName;
    return CreateTempArea(output, &temp, &rootName).Valid();
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
        // Each folder is made through its parent's descriptor; a link on the way fails.
        fs::path host;
        std::string why;
        result = platform::ToHostPath(AnsiToWide(text.substr(0, next)), &host) &&
                 platform::FolderHandle::OpenOrCreate(host, 0755, &why).Valid();
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
    const std::wstring wide = AnsiToWide(folder);
    const std::string reason = WhyPlaceIsProtected(wide);
    if (!reason.empty()) {
        LogFormat("DeleteTree refused (%s): %s\n", folder, reason.c_str());
        return false;
    }
    return RemoveCheckedFolder(Normalised(wide));
}

std::string WhyFolderMayNotBeCleared(const std::wstring& folder) {
    if (folder.empty()) {
        return "empty path";
    }
    std::string reason = WhyPlaceIsProtected(folder);
    if (!reason.empty()) {
        return reason;
    }
    std::vector<std::wstring> names;
    if (!platform::ListFolder(Normalised(folder), &names)) {
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
    const std::string reason = WhyFolderMayNotBeCleared(folder);
    if (!reason.empty()) {
        LogFormat("DeleteTree refused (%s): %s\n", WideToOem(folder).c_str(), reason.c_str());
        return false;
    }
    return RemoveCheckedFolder(Normalised(folder));
}
