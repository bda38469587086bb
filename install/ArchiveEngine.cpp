#include "install/ArchiveEngine.h"

#include "app/Log.h"
#include "install/ArchiveBounds.h"
#include "install/ItemPlacement.h"
#include "install/SevenZipInterfaces.h"
#include "platform/DynamicLibrary.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

// The implementation lives in a named namespace: see the note on devirtualisation in
// SevenZipInterfaces.h.
namespace archive_engine {

using namespace sevenzip;

constexpr const char* kEngineLibraryPath = "/usr/lib/p7zip/7z.so";

// The engine's exported helpers that must stay its own. Under global binding a definition of one
// of these names elsewhere in the process would replace the engine's.
constexpr const char* kEngineHelpers[] = {
    "SysAllocString",
    "SysAllocStringLen",
    "SysAllocStringByteLen",
    "SysFreeString",
    "SysStringLen",
    "SysStringByteLen",
    "VariantClear",
    "VariantCopy",
    "GetLastError",
    "SetLastError",
    "CompareFileTime",
    "MyAlloc",
    "MyFree",
    "MyRealloc",
    "BigAlloc",
    "BigFree",
    "CrcCalc",
    "CrcUpdate",
    "Md5_Init",
    "Md5_Update",
    "Md5_Final",
    "Sha256_Init",
    "Sha256_Update",
    "Sha256_Final",
    "Thread_Create",
    "Event_Set",
    "Event_Wait",
    "CriticalSection_Enter",
    "CreateObject",
    "LzmaDecode",
    "Lzma2Decode",
    "GetHandlerProperty2",
};

struct Engine {
    std::unique_ptr<platform::DynamicLibrary> library;
    CreateObjectFunc createObject = nullptr;
    SysFreeStringFunc sysFreeString = nullptr;
    std::string report;
};

// Loads the engine once per process and keeps it: its worker threads and allocator outlive any
// single run. Own binding keeps the engine's helpers its own; a sanitizer runtime refuses own
// binding, and there global binding is used only when no helper name is defined elsewhere.
Engine& LoadedEngine() {
    static Engine engine = [] {
        Engine result;
        std::string error;
        platform::DynamicLibrary::Binding binding = platform::DynamicLibrary::Binding::Own;
        if (platform::IsSanitizerRuntime()) {
            for (const char* name : kEngineHelpers) {
                if (platform::IsSymbolDefinedGlobally(name)) {
                    result.report = std::string("engine helper ") + name + " is interposed";
                    return result;
                }
            }
            binding = platform::DynamicLibrary::Binding::Global;
        }
        result.library = platform::DynamicLibrary::Load(kEngineLibraryPath, binding, &error);
        if (!result.library) {
            result.report = "cannot load " + std::string(kEngineLibraryPath) + ": " + error;
            return result;
        }
        result.createObject =
            reinterpret_cast<CreateObjectFunc>(result.library->Symbol("CreateObject"));
        result.sysFreeString =
            reinterpret_cast<SysFreeStringFunc>(result.library->Symbol("SysFreeString"));
        if (!result.createObject || !result.sysFreeString) {
            result.library.reset();
            result.createObject = nullptr;
            result.report = "engine exports missing";
            return result;
        }
        result.report =
            binding == platform::DynamicLibrary::Binding::Own ? "own binding" : "global binding";
        return result;
    }();
    return engine;
}

std::mutex g_runMutex;
std::mutex g_reportMutex;
std::string g_loadReport;

// The engine's UTF-16 code units (one per wchar_t) to UTF-32, joining surrogate pairs.
std::wstring FromEngineText(const wchar_t* text) {
    std::wstring result;
    if (!text) {
        return result;
    }
    for (size_t i = 0; text[i] != 0; ++i) {
        uint32_t unit = static_cast<uint32_t>(text[i]) & 0xFFFF;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            uint32_t next = static_cast<uint32_t>(text[i + 1]) & 0xFFFF;
            if (next >= 0xDC00 && next <= 0xDFFF) {
                result.push_back(
                    static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00)));
                ++i;
                continue;
            }
            result.push_back(static_cast<wchar_t>(0xFFFD));
            continue;
        }
        if (unit >= 0xDC00 && unit <= 0xDFFF) {
            result.push_back(static_cast<wchar_t>(0xFFFD));
            continue;
        }
        result.push_back(static_cast<wchar_t>(unit));
    }
    return result;
}

bool IsSeparator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

// Splits an item path into its components; false (and no components) when it does not stay
// below the destination.
bool SplitItemPath(std::wstring_view path, std::vector<std::wstring>* components) {
    components->clear();
    if (path.empty() || IsSeparator(path.front())) {
        return false;
    }
    if (path.size() >= 2 && path[1] == L':') {
        return false;
    }
    std::vector<std::wstring> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) {
            ++end;
        }
        std::wstring_view part = path.substr(start, end - start);
        if (part == L"..") {
            return false;
        }
        if (!part.empty() && part != L".") {
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    *components = std::move(parts);
    return !components->empty();
}

class PropertyValue {
public:
    explicit PropertyValue(SysFreeStringFunc freeString) : m_freeString(freeString) {}
    ~PropertyValue() { Clear(); }
    PropertyValue(const PropertyValue&) = delete;
    PropertyValue& operator=(const PropertyValue&) = delete;

    PropVariant* Out() {
        Clear();
        return &m_value;
    }
    const PropVariant& Get() const { return m_value; }

private:
    void Clear() {
        if (m_value.vt == kVtBstr && m_value.bstrVal) {
            m_freeString(m_value.bstrVal);
        }
        m_value = PropVariant();
    }
    SysFreeStringFunc m_freeString;
    PropVariant m_value;
};

// Objects of ours handed to the engine live on the stack of one run; the engine's references are
// counted but never own them. Every engine object is released before the run's objects go away.
template <typename Interface>
class StackObject : public Interface {
public:
    uint32_t AddRef() override { return ++m_references; }
    uint32_t Release() override { return --m_references; }

protected:
    std::atomic<uint32_t> m_references{1};
};

class FileInStream final : public StackObject<IInStream> {
public:
    explicit FileInStream(std::FILE* file) : m_file(file) {}

    HResult QueryInterface(const Guid& iid, void** object) override {
        if (iid == kIidUnknown || iid == kIidSequentialInStream || iid == kIidInStream) {
            *object = static_cast<IInStream*>(this);
            AddRef();
            return kOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    HResult Read(void* data, uint32_t size, uint32_t* processedSize) override {
        size_t done = size == 0 ? 0 : std::fread(data, 1, size, m_file);
        if (processedSize) {
            *processedSize = static_cast<uint32_t>(done);
        }
        return done < size && std::ferror(m_file) ? kFail : kOk;
    }
    HResult Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) override {
        int origin = seekOrigin == kSeekSet       ? SEEK_SET
                     : seekOrigin == kSeekCurrent ? SEEK_CUR
                     : seekOrigin == kSeekEnd     ? SEEK_END
                                                  : -1;
        if (origin < 0) {
            return kInvalidArg;
        }
        if (std::fseek(m_file, static_cast<long>(offset), origin) != 0) {
            return kFail;
        }
        long position = std::ftell(m_file);
        if (position < 0) {
            return kFail;
        }
        if (newPosition) {
            *newPosition = static_cast<uint64_t>(position);
        }
        return kOk;
    }

private:
    std::FILE* m_file;
};

// Receives one item's bytes: into a new file, or into memory for a link's target. Made per item
// and owned by its references: the extract callback's and the engine's.
class ItemOutStream final : public ISequentialOutStream {
public:
    // Without a file the bytes are kept as text (a link's target).
    explicit ItemOutStream(platform::Descriptor file) : m_file(std::move(file)) {}

    uint32_t AddRef() override { return ++m_references; }
    uint32_t Release() override {
        uint32_t left = --m_references;
        if (left == 0) {
            delete this;
        }
        return left;
    }

    HResult QueryInterface(const Guid& iid, void** object) override {
        if (iid == kIidUnknown || iid == kIidSequentialOutStream) {
            *object = static_cast<ISequentialOutStream*>(this);
            AddRef();
            return kOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    HResult Write(const void* data, uint32_t size, uint32_t* processedSize) override {
        if (processedSize) {
            *processedSize = 0;
        }
        if (!m_file) {
            // A link's target is a short text; anything longer is not a link we make.
            if (m_text.size() + size > 4096) {
                m_failed = true;
                return kFail;
            }
            m_text.append(static_cast<const char*>(data), size);
        } else if (size > 0 && !platform::WriteAll(m_file, data, size)) {
            m_failed = true;
            return kFail;
        }
        if (processedSize) {
            *processedSize = size;
        }
        return kOk;
    }
    const std::string& Text() const { return m_text; }
    const platform::Descriptor& File() const { return m_file; }
    // Closes the file; false when a write or the close failed.
    bool CloseFile() { return m_file.Close() && !m_failed; }

private:
    platform::Descriptor m_file;
    std::string m_text;
    bool m_failed = false;
    std::atomic<uint32_t> m_references{1};
};

// Everything one run shares between the caller's thread and the engine's worker.
class Run {
public:
    Run(void* context, ArchiveErrorRelay onError, ArchiveProgressRelay onProgress)
        : m_context(context), m_onError(onError), m_onProgress(onProgress) {}

    // Queues an error from any thread; the caller's thread delivers it.
    void QueueError(int code) {
        std::lock_guard<std::mutex> lock(m_errorMutex);
        m_pendingErrors.push_back(code);
    }
    // Caller's thread only.
    void DeliverErrors() {
        std::vector<int> errors;
        {
            std::lock_guard<std::mutex> lock(m_errorMutex);
            errors.swap(m_pendingErrors);
        }
        for (int code : errors) {
            if (m_onError) {
                m_onError(m_context, code);
            }
        }
    }
    void ReportError(int code) {
        QueueError(code);
        DeliverErrors();
    }
    // Caller's thread only.
    void ReportProgress(uint64_t value) {
        if (value == 0 || value == m_lastProgress) {
            return;
        }
        m_lastProgress = value;
        if (m_onProgress) {
            m_onProgress(m_context, static_cast<int>(value & 0xFFFFFFFFu),
                         static_cast<int>(value >> 32));
        }
    }
    uint64_t LastProgress() const { return m_lastProgress; }

    std::atomic<bool> passwordAsked{false};

private:
    void* m_context;
    ArchiveErrorRelay m_onError;
    ArchiveProgressRelay m_onProgress;
    std::mutex m_errorMutex;
    std::vector<int> m_pendingErrors;
    uint64_t m_lastProgress = 0;
};

class PasswordRefusal final : public StackObject<ICryptoGetTextPassword> {
public:
    explicit PasswordRefusal(Run& run) : m_run(run) {}
    HResult QueryInterface(const Guid& iid, void** object) override {
        *object = nullptr;
        return kNoInterface;
    }
    // No password is ever given: the installer has none to give.
    HResult CryptoGetTextPassword(Bstr* password) override {
        if (password) {
            *password = nullptr;
        }
        m_run.passwordAsked = true;
        return kAbort;
    }

private:
    Run& m_run;
};

class OpenCallback final : public StackObject<IArchiveOpenCallback> {
public:
    explicit OpenCallback(Run& run) : m_password(run) {}
    HResult QueryInterface(const Guid& iid, void** object) override {
        if (iid == kIidUnknown || iid == kIidArchiveOpenCallback) {
            *object = static_cast<IArchiveOpenCallback*>(this);
            AddRef();
            return kOk;
        }
        if (iid == kIidCryptoGetTextPassword) {
            *object = static_cast<ICryptoGetTextPassword*>(&m_password);
            m_password.AddRef();
            return kOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    HResult SetTotal(const uint64_t*, const uint64_t*) override { return kOk; }
    HResult SetCompleted(const uint64_t*, const uint64_t*) override { return kOk; }

private:
    PasswordRefusal m_password;
};

class ExtractCallback final : public StackObject<IArchiveExtractCallback> {
public:
    ExtractCallback(Run& run, platform::FolderHandle destination,
                    const std::vector<ItemInfo>& items)
        : m_run(run), m_placement(std::move(destination)), m_items(items), m_password(run) {}

    HResult QueryInterface(const Guid& iid, void** object) override {
        if (iid == kIidUnknown || iid == kIidProgress || iid == kIidArchiveExtractCallback) {
            *object = static_cast<IArchiveExtractCallback*>(this);
            AddRef();
            return kOk;
        }
        if (iid == kIidCryptoGetTextPassword) {
            *object = static_cast<ICryptoGetTextPassword*>(&m_password);
            m_password.AddRef();
            return kOk;
        }
        *object = nullptr;
        return kNoInterface;
    }

    // Called on the caller's thread.
    HResult SetTotal(uint64_t total) override {
        m_total = total;
        return kOk;
    }
    // Called on the caller's thread.
    HResult SetCompleted(const uint64_t* completeValue) override {
        m_run.DeliverErrors();
        if (completeValue) {
            uint64_t completed = *completeValue;
            m_run.ReportProgress(m_total != 0 ? completed * 100 / m_total : completed >> 20);
        }
        return kOk;
    }

    // GetStream, PrepareOperation and SetOperationResult may run on an engine worker thread, one
    // item after the other.
    HResult GetStream(uint32_t index, ISequentialOutStream** outStream,
                      int32_t askExtractMode) override {
        *outStream = nullptr;
        FinishItem(false);
        m_current = Current();
        m_current.active = true;
        m_current.index = index;
        if (askExtractMode == kAskSkip) {
            m_current.active = false;
            return kOk;
        }
        if (askExtractMode != kAskExtract) {
            // The engine decodes this item only to check it (it follows a damaged one in the same
            // block): it is not written, which is an error of this run.
            m_current.notWritten = askExtractMode == kAskTest;
            return kOk;
        }
        if (index >= m_items.size() || m_items[index].components.empty()) {
            m_current.refused = true;
            return kOk;
        }
        try {
            return OpenItem(m_items[index], outStream);
        } catch (const std::bad_alloc&) {
            return kOutOfMemory;
        } catch (...) {
            m_current.refused = true;
            return kOk;
        }
    }
    HResult PrepareOperation(int32_t) override { return kOk; }
    HResult SetOperationResult(int32_t operationResult) override {
        try {
            FinishItem(operationResult == kOpResultOk);
        } catch (const std::bad_alloc&) {
            return kOutOfMemory;
        }
        return kOk;
    }

    // After the engine returned: the last item (if the engine did not close it) and the links.
    void Finish() {
        FinishItem(false);
        for (int stray = m_placement.RemoveStrayLinks(); stray > 0; --stray) {
            LogFormat("Extract: a link that leads outside the folder was removed.\n");
            Error();
        }
    }
    bool HadErrors() const { return m_errors.load() > 0; }
    uint64_t Total() const { return m_total; }

private:
    struct Current {
        bool active = false;
        uint32_t index = 0;
        bool refused = false;
        bool notWritten = false;
        platform::FolderHandle folder; // the item's folder; the item is its entry name
        std::string name;
        ItemOutStream* stream = nullptr;
    };

    void Error() {
        ++m_errors;
        m_run.QueueError(kArchiveErrorData);
    }

    void Refuse(const ItemInfo& item, const std::string& why) {
        std::string path;
        for (const std::wstring& component : item.components) {
            path += (path.empty() ? "" : "/") + HostName(component);
        }
        LogFormat("Extract refused \"%s\": %s\n", path.c_str(), why.c_str());
        m_current.refused = true;
    }

    HResult OpenItem(const ItemInfo& item, ISequentialOutStream** outStream) {
        const size_t parents = item.isDir ? item.components.size() : item.components.size() - 1;
        std::string why;
        m_current.folder = m_placement.PrepareFolder(item.components, parents, &why);
        if (!m_current.folder.Valid()) {
            Refuse(item, why);
            return kOk;
        }
        if (item.isDir) {
            return kOk;
        }
        m_current.name = HostName(item.components.back());
        platform::Descriptor file;
        if (!item.isLink) {
            file = m_placement.CreateItemFile(m_current.folder, m_current.name, &why);
            if (!file) {
                Refuse(item, why);
                return kOk;
            }
        } else if (m_current.folder.Kind(m_current.name) == platform::EntryKind::Folder ||
                   (m_current.folder.Kind(m_current.name) != platform::EntryKind::Missing &&
                    !m_current.folder.RemoveFile(m_current.name))) {
            Refuse(item, "the place of the link cannot be cleared");
            return kOk;
        }
        m_current.stream = new ItemOutStream(std::move(file));
        m_current.stream->AddRef(); // the engine's reference
        *outStream = m_current.stream;
        return kOk;
    }

    void FinishItem(bool succeeded) {
        if (!m_current.active) {
            return;
        }
        Current current = std::move(m_current);
        m_current = Current();
        const ItemInfo* item = current.index < m_items.size() ? &m_items[current.index] : nullptr;
        bool written = !current.refused && !current.notWritten && item;
        std::string linkTarget;
        if (current.stream) {
            if (written && succeeded && !item->isLink) {
                m_placement.ApplyAttributes(*item, current.stream->File());
            }
            written = current.stream->CloseFile() && written;
            linkTarget = current.stream->Text();
            current.stream->Release();
        }
        if (!written || !succeeded) {
            if (current.stream && item && !item->isLink) {
                // A damaged file is not left behind looking complete.
                current.folder.RemoveFile(current.name);
            }
            Error();
            return;
        }
        if (item->isLink && !m_placement.MakeLink(*item, current.folder, linkTarget)) {
            Error();
        }
    }

    Run& m_run;
    ItemPlacement m_placement;
    const std::vector<ItemInfo>& m_items;
    PasswordRefusal m_password;
    uint64_t m_total = 0;
    Current m_current;
    std::atomic<int> m_errors{0};
};

// Maps an engine path argument to a host path.
bool HostPathOf(const char* text, fs::path* host) {
    if (!text || !*text) {
        return false;
    }
    if (text[0] == '/') {
        *host = fs::path(text);
        return true;
    }
    return platform::ToHostPath(platform::NarrowToWide(text), host);
}

SEVENZIP_ENGINE_CALL bool ReadItems(IInArchive* archive, SysFreeStringFunc freeString,
                                    std::vector<ItemInfo>* items) {
    uint32_t count = 0;
    if (archive->GetNumberOfItems(&count) != kOk) {
        return false;
    }
    items->resize(count);
    PropertyValue value(freeString);
    for (uint32_t i = 0; i < count; ++i) {
        ItemInfo& item = (*items)[i];
        if (archive->GetProperty(i, kpidPath, value.Out()) == kOk && value.Get().vt == kVtBstr) {
            std::wstring path = FromEngineText(value.Get().bstrVal);
            SplitItemPath(path, &item.components);
        }
        if (archive->GetProperty(i, kpidIsDir, value.Out()) == kOk && value.Get().vt == kVtBool) {
            item.isDir = value.Get().boolVal != 0;
        }
        if (archive->GetProperty(i, kpidEncrypted, value.Out()) == kOk &&
            value.Get().vt == kVtBool) {
            item.encrypted = value.Get().boolVal != 0;
        }
        if (archive->GetProperty(i, kpidAttrib, value.Out()) == kOk && value.Get().vt == kVtUi4) {
            uint32_t attributes = value.Get().ulVal;
            // The host's mode travels in the high 16 bits when bit 0x8000 is set.
            if (attributes & 0x8000) {
                uint32_t mode = attributes >> 16;
                constexpr uint32_t kTypeMask = 0170000, kTypeLink = 0120000;
                item.isLink = !item.isDir && (mode & kTypeMask) == kTypeLink;
                item.hasMode = !item.isLink;
                item.mode = mode;
            }
        }
        if (archive->GetProperty(i, kpidSize, value.Out()) == kOk && value.Get().vt == kVtUi8) {
            item.size = value.Get().uhVal;
        }
        if (archive->GetProperty(i, kpidMethod, value.Out()) == kOk && value.Get().vt == kVtBstr) {
            item.method = platform::WideToNarrow(FromEngineText(value.Get().bstrVal));
        }
        if (archive->GetProperty(i, kpidMTime, value.Out()) == kOk &&
            value.Get().vt == kVtFileTime) {
            item.hasTime = true;
            item.fileTime =
                (static_cast<uint64_t>(value.Get().filetime.high) << 32) | value.Get().filetime.low;
        }
    }
    return true;
}

// The archive file, opened through its folder without following a link at any step.
platform::FilePtr OpenArchiveFile(const fs::path& path) {
    std::string why;
    platform::FolderHandle folder = platform::FolderHandle::Open(path.parent_path(), &why);
    platform::Descriptor file = folder.OpenFileForReading(path.filename().string());
    if (!file) {
        LogFormat("Extract: the archive %s cannot be opened: %s\n", path.c_str(),
                  why.empty() ? "missing or a link" : why.c_str());
        return nullptr;
    }
    return platform::StreamOf(std::move(file), "rb");
}

struct ArchiveReleaser {
    SEVENZIP_ENGINE_CALL void operator()(IInArchive* archive) const {
        archive->Close();
        archive->Release();
    }
};

// Before the engine reads the archive: what its signature header and a packed item list declare.
std::string WhyArchiveHeaderExceedsBound(std::FILE* file) {
    uint8_t signature[32] = {};
    uint64_t offset = 0, length = 0;
    if (std::fread(signature, 1, sizeof signature, file) != sizeof signature ||
        !LocateNextHeader(signature, sizeof signature, &offset, &length)) {
        std::rewind(file);
        return {}; // no 7z archive: the engine says so
    }
    if (length > kMaxDeclaredSize) {
        return "an item list of " + std::to_string(length) + " bytes";
    }
    // The description of a packed item list is short; the list itself is the engine's.
    std::vector<uint8_t> header(std::min<uint64_t>(length, 1 << 16));
    const bool read = offset <= static_cast<uint64_t>(LONG_MAX) &&
                      std::fseek(file, static_cast<long>(offset), SEEK_SET) == 0 &&
                      std::fread(header.data(), 1, header.size(), file) == header.size();
    std::rewind(file);
    return read ? WhyPackedHeaderExceedsBound(header.data(), header.size()) : std::string();
}

// Once the engine has read the item list: the unpacked sizes and every item's dictionary.
std::string WhyItemsExceedBound(const std::vector<ItemInfo>& items) {
    uint64_t total = 0;
    for (const ItemInfo& item : items) {
        total += std::min(item.size, kMaxDeclaredSize + 1);
        if (total > kMaxDeclaredSize) {
            return "items of more than " + std::to_string(kMaxDeclaredSize) + " bytes";
        }
    }
    for (const ItemInfo& item : items) {
        if (std::string why = WhyMethodExceedsBound(item.method, total); !why.empty()) {
            return why;
        }
    }
    return {};
}

// An archive that declares more than a package can carry: refused before it is extracted.
int RefuseBeyondBound(Run& run, const std::string& why) {
    LogFormat("Extract refused the archive: it declares %s.\n", why.c_str());
    run.ReportError(kArchiveErrorMemory);
    return kArchiveExitMemory;
}

int MapFailure(Run& run, HResult result) {
    if (result == kOutOfMemory) {
        run.ReportError(kArchiveErrorMemory);
        return kArchiveExitMemory;
    }
    if (result == kAbort && !run.passwordAsked) {
        run.ReportError(kArchiveErrorAborted);
        return kArchiveExitAborted;
    }
    run.ReportError(kArchiveErrorFatal);
    return kArchiveExitFatal;
}

// One archive being read. Everything the engine may hold a reference to is declared before the
// archive object, so the archive is closed and released first.
struct ArchiveSession {
    ArchiveSession(Run& run, std::FILE* file) : stream(file), openCallback(run) {}
    FileInStream stream;
    OpenCallback openCallback;
    std::vector<ItemInfo> items;
    std::optional<ExtractCallback> callback;
    std::unique_ptr<IInArchive, ArchiveReleaser> archive;
};

// The archive asks for a password, which nobody here can give.
int RefusePassword(Run& run) {
    run.ReportError(kArchiveErrorPassword);
    run.ReportError(kArchiveErrorArchives);
    return kArchiveExitFatal;
}

// Opens the archive and reads its item list, refusing what cannot or must not be extracted:
// kArchiveExitOk, or the exit code of the reported failure.
SEVENZIP_ENGINE_CALL int OpenArchive(Engine& engine, Run& run, ArchiveSession& session) {
    void* object = nullptr;
    HResult created = engine.createObject(&kClsid7zHandler, &kIidInArchive, &object);
    if (created != kOk || !object) {
        return MapFailure(run, created == kOk ? kFail : created);
    }
    session.archive.reset(static_cast<IInArchive*>(object));
    const uint64_t maxCheckStart = 1 << 22;
    HResult opened = session.archive->Open(&session.stream, &maxCheckStart, &session.openCallback);
    if (run.passwordAsked) {
        return RefusePassword(run); // header encryption: the item list itself is behind it
    }
    if (opened == kOutOfMemory) {
        return MapFailure(run, opened);
    }
    // Not a 7z archive, its signature or header is damaged, or its item list cannot be read.
    if (opened != kOk || !ReadItems(session.archive.get(), engine.sysFreeString, &session.items)) {
        run.ReportError(kArchiveErrorArchives);
        return kArchiveExitFatal;
    }
    if (std::string why = WhyItemsExceedBound(session.items); !why.empty()) {
        return RefuseBeyondBound(run, why);
    }
    for (const ItemInfo& item : session.items) {
        if (item.encrypted) {
            return RefusePassword(run); // asked before a single byte is decoded
        }
    }
    return kArchiveExitOk;
}

// Extracts every item of an opened archive below the folder: the run's exit code.
SEVENZIP_ENGINE_CALL int ExtractItems(Run& run, ArchiveSession& session,
                                      platform::FolderHandle folder) {
    session.callback.emplace(run, std::move(folder), session.items);
    HResult extracted =
        session.archive->Extract(nullptr, static_cast<uint32_t>(-1), 0, &*session.callback);
    session.callback->Finish();
    run.DeliverErrors();
    if (run.passwordAsked) {
        return RefusePassword(run);
    }
    if (extracted != kOk) {
        int exitCode = MapFailure(run, extracted);
        run.ReportError(kArchiveErrorArchives);
        return exitCode;
    }
    if (session.callback->HadErrors()) {
        run.ReportError(kArchiveErrorArchives);
        return kArchiveExitFatal;
    }
    if (session.callback->Total() != 0 && run.LastProgress() < 100) {
        run.ReportProgress(100);
    }
    return kArchiveExitOk;
}

SEVENZIP_ENGINE_CALL int Extract(Run& run, const char* archivePath, const char* destinationText) {
    Engine& engine = LoadedEngine();
    {
        std::lock_guard<std::mutex> lock(g_reportMutex);
        g_loadReport = engine.report;
    }
    if (!engine.createObject) {
        run.ReportError(kArchiveErrorFatal);
        return kArchiveExitFatal;
    }
    fs::path archiveHost, destination;
    if (!HostPathOf(archivePath, &archiveHost) || !HostPathOf(destinationText, &destination)) {
        run.ReportError(kArchiveErrorFatal);
        return kArchiveExitFatal;
    }
    platform::FilePtr file = OpenArchiveFile(archiveHost);
    std::string why;
    platform::FolderHandle destinationFolder =
        platform::FolderHandle::OpenOrCreate(destination, 0755, &why);
    if (!file || !destinationFolder.Valid()) {
        if (!destinationFolder.Valid()) {
            LogFormat("Extract: the folder %s cannot be used: %s\n", destination.c_str(),
                      why.c_str());
        }
        run.ReportError(kArchiveErrorFatal);
        return kArchiveExitFatal;
    }
    if (std::string why = WhyArchiveHeaderExceedsBound(file.get()); !why.empty()) {
        return RefuseBeyondBound(run, why);
    }
    ArchiveSession session(run, file.get());
    const int opened = OpenArchive(engine, run, session);
    return opened != kArchiveExitOk ? opened
                                    : ExtractItems(run, session, std::move(destinationFolder));
}

} // namespace archive_engine

bool IsSafeArchiveItemPath(std::wstring_view path) {
    std::vector<std::wstring> components;
    return archive_engine::SplitItemPath(path, &components);
}

std::string ArchiveEngineLoadReport() {
    std::lock_guard<std::mutex> lock(archive_engine::g_reportMutex);
    return archive_engine::g_loadReport;
}

int RunSevenZipEntry(int argc, const char* const* argv, void* context, ArchiveErrorRelay onError,
                     ArchiveProgressRelay onProgress) {
    std::lock_guard<std::mutex> lock(archive_engine::g_runMutex);
    archive_engine::Run run(context, onError, onProgress);
    if (argc != 4 || !argv || !argv[1] || !argv[2] || !argv[3] ||
        std::string_view(argv[1]) != "x" || std::string_view(argv[3]).substr(0, 2) != "-o" ||
        !argv[2][0] || !argv[3][2]) {
        run.ReportError(kArchiveErrorAborted);
        return kArchiveExitCommandLine;
    }
    try {
        return archive_engine::Extract(run, argv[2], argv[3] + 2);
    } catch (const std::bad_alloc&) {
        run.ReportError(kArchiveErrorMemory);
        return kArchiveExitMemory;
    } catch (...) {
        run.ReportError(kArchiveErrorFatal);
        return kArchiveExitFatal;
    }
}
