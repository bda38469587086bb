#include "install/Package.h"

#include "app/DiskPaths.h"
#include "app/JFile.h"
#include "app/Log.h"
#include "app/Result.h"
#include "app/TextConv.h"
#include "platform/FileSystem.h"

#include <atomic>
#include <climits>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>

namespace {

std::atomic<int> g_lastUnpackStatus{0};
std::mutex g_installFolderMutex;
std::wstring g_installFolder;

// Opens a package and checks what every reader needs: a length below 2 GiB and a header offset
// H with 0 <= H <= length - 4096. The header is read into header.
bool OpenPackage(const wchar_t* packagePath, JFile* file, long* length, PackageHeader* header) {
    if (!file->Open(packagePath, JFile::kRead | JFile::kBinary)) {
        return false;
    }
    *length = file->Length();
    if (*length < kHeaderOffsetPosition + 4 || *length > INT32_MAX) {
        return false;
    }
    int32_t headerOffset = 0;
    if (file->Seek(kHeaderOffsetPosition) != 0 ||
        file->Read(&headerOffset, sizeof headerOffset) != sizeof headerOffset) {
        return false;
    }
    if (headerOffset < 0 || headerOffset > *length - kPackageHeaderSize) {
        return false;
    }
    return file->Seek(headerOffset) == 0 &&
           file->Read(header, sizeof *header) == static_cast<long>(sizeof *header);
}

void SetInstallFolder(const std::wstring& folder) {
    std::lock_guard<std::mutex> lock(g_installFolderMutex);
    g_installFolder = folder;
}

long Fail(const ProgressNotify& notify, int status, unsigned eventValue) {
    g_lastUnpackStatus = status;
    notify(kEventUnpackFailed, eventValue, 0);
    return kEFail;
}

} // namespace

PackageHeader NewPackageHeader() {
    PackageHeader header;
    std::memset(&header, 0, sizeof header);
    std::memcpy(header.signature, "XQpackRR", sizeof header.signature);
    return header;
}

void SetHeaderText(char* field, size_t size, const std::string& text) {
    if (size == 0) {
        return;
    }
    std::memset(field, 0, size);
    std::memcpy(field, text.data(), std::min(text.size(), size - 1));
}

long ReadPackageHeader(const wchar_t* packagePath, PackageHeader* header) {
    if (!packagePath || !header) {
        return kEPointer;
    }
    JFile file;
    long length = 0;
    PackageHeader read;
    if (!OpenPackage(packagePath, &file, &length, &read)) {
        return kEFail;
    }
    *header = read;
    return kSOk;
}

long UnpackPackage(const wchar_t* packagePath, const wchar_t* installFolder,
                   ProgressNotify notify) {
    if (!packagePath || !installFolder || !notify) {
        g_lastUnpackStatus = kUnpackBadArguments;
        return kEPointer;
    }
    notify(kEventUnpackStart, 0, 0);

    JFile file;
    long length = 0;
    PackageHeader header;
    if (!OpenPackage(packagePath, &file, &length, &header)) {
        return Fail(notify, kUnpackBadPackage, 2);
    }

    const std::wstring folder(installFolder);
    CreateDirectoryTree(folder);
    SetInstallFolder(folder);
    wchar_t workPath[platform::kMaxPath] = {};
    std::swprintf(workPath, platform::kMaxPath, L"%ls", folder.c_str());
    if (!platform::PathExists(workPath)) {
        return Fail(notify, kUnpackNoFolder, 3);
    }

    const int64_t archiveOffset = header.archiveOffset;
    const int64_t archiveSize = header.archiveSize;
    if (archiveOffset < 0 || archiveSize < 0 || archiveOffset + archiveSize > length) {
        return Fail(notify, kUnpackBadPackage, 2);
    }
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[archiveSize + 1]());
    if (!buffer) {
        return Fail(notify, kUnpackExtractFailed, 2);
    }
    if (file.Seek(static_cast<long>(archiveOffset)) != 0 ||
        file.Read(buffer.get(), static_cast<long>(archiveSize)) != archiveSize) {
        return Fail(notify, kUnpackBadPackage, 2);
    }
    LogFormat("Buffer Info: Start(%d), size(%d), pBuffer(%08X).\n", static_cast<int>(archiveOffset),
              static_cast<int>(archiveSize),
              static_cast<unsigned>(reinterpret_cast<uintptr_t>(buffer.get())));

    C7ZOperator callback(notify);
    const std::string destination = WideToOem(workPath);
    LogFormat("Begin unpack file.\n");
    C7ZExtractor extractor(&callback);
    if (!extractor.ExtractFromMemory(buffer.get(), static_cast<uint32_t>(archiveSize),
                                     destination.c_str())) {
        LogFormat("Failed unpack file.\n");
        return Fail(notify, kUnpackExtractFailed, 2);
    }
    LogFormat("Finish unpack file.\n");
    buffer.reset();
    file.Close();
    notify(kEventUnpackFinished, 0, 0);
    return kSOk;
}

int GetLastUnpackError() {
    return g_lastUnpackStatus;
}

std::wstring GetInstallFolder() {
    std::lock_guard<std::mutex> lock(g_installFolderMutex);
    return g_installFolder;
}
