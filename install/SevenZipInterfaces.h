// The COM-style interfaces of the 7-Zip engine (/usr/lib/p7zip/7z.so), declared from their
// documented slot order. Only what the extractor uses is declared; every method keeps its slot.
//
// Two facts of the engine's build shape these declarations:
// - the base interface has no virtual destructor, so none is declared here (one would shift every
//   slot by one);
// - they live at namespace scope, because an optimiser that sees interfaces in an anonymous
//   namespace may devirtualise calls into the engine's objects and reach a pure virtual slot.
#pragma once

#include <cstdint>
#include <cstring>

// Calls into the engine's objects go through these declarations, not through the engine's own
// types, so the undefined-behaviour sanitizer's dynamic type check cannot apply to them.
#define SEVENZIP_ENGINE_CALL __attribute__((no_sanitize("vptr")))

namespace sevenzip {

using HResult = int32_t;
using PropId = uint32_t;
using VarType = uint16_t;
// The engine's strings are wchar_t arrays holding UTF-16 code units, with a 4-byte byte count in
// front of the first character (one allocation of the engine's own allocator).
using Bstr = wchar_t*;

inline constexpr HResult kOk = 0;
inline constexpr HResult kFalse = 1;
inline constexpr HResult kNotImplemented = static_cast<HResult>(0x80004001u);
inline constexpr HResult kNoInterface = static_cast<HResult>(0x80004002u);
inline constexpr HResult kAbort = static_cast<HResult>(0x80004004u);
inline constexpr HResult kFail = static_cast<HResult>(0x80004005u);
inline constexpr HResult kOutOfMemory = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult kInvalidArg = static_cast<HResult>(0x80070057u);

struct Guid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

inline bool operator==(const Guid& a, const Guid& b) {
    return std::memcmp(&a, &b, sizeof(Guid)) == 0;
}

// The engine's interface ids share one pattern: {23170F69-40C1-278A-0000-00gg00ii0000}.
constexpr Guid EngineInterfaceId(uint8_t group, uint8_t id) {
    return Guid{0x23170F69, 0x40C1, 0x278A, {0, 0, 0, group, 0, id, 0, 0}};
}

inline constexpr Guid kIidUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr Guid kIidSequentialInStream = EngineInterfaceId(0x03, 0x01);
inline constexpr Guid kIidSequentialOutStream = EngineInterfaceId(0x03, 0x02);
inline constexpr Guid kIidInStream = EngineInterfaceId(0x03, 0x03);
inline constexpr Guid kIidProgress = EngineInterfaceId(0x00, 0x05);
inline constexpr Guid kIidCryptoGetTextPassword = EngineInterfaceId(0x05, 0x10);
inline constexpr Guid kIidArchiveOpenCallback = EngineInterfaceId(0x06, 0x10);
inline constexpr Guid kIidArchiveExtractCallback = EngineInterfaceId(0x06, 0x20);
inline constexpr Guid kIidInArchive = EngineInterfaceId(0x06, 0x60);
// The class id of the 7z format handler.
inline constexpr Guid kClsid7zHandler = {
    0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0x07, 0x00, 0x00}};

// A tagged value as the engine passes item properties. The engine writes at most 16 bytes; the
// padding keeps room for the larger layout of other builds.
enum : VarType {
    kVtEmpty = 0,
    kVtBstr = 8,
    kVtBool = 11,
    kVtUi4 = 19,
    kVtUi8 = 21,
    kVtFileTime = 64,
};
struct PropVariant {
    VarType vt = kVtEmpty;
    uint16_t reserved1 = 0;
    uint16_t reserved2 = 0;
    uint16_t reserved3 = 0;
    union {
        int16_t boolVal; // -1 true, 0 false
        uint32_t ulVal;
        uint64_t uhVal;
        struct {
            uint32_t low;
            uint32_t high;
        } filetime;
        Bstr bstrVal;
        uint8_t raw[16];
    };
    PropVariant() : raw{} {}
};

// Item property ids.
enum : PropId {
    kpidPath = 3,
    kpidIsDir = 6,
    kpidSize = 7,
    kpidAttrib = 9,
    kpidMTime = 12,
    kpidEncrypted = 15,
    kpidMethod = 22,
    kpidSymLink = 54,
};

// Extraction modes and per-item results.
enum : int32_t { kAskExtract = 0, kAskTest = 1, kAskSkip = 2 };
enum : int32_t {
    kOpResultOk = 0,
    kOpResultUnsupportedMethod = 1,
    kOpResultDataError = 2,
    kOpResultCrcError = 3,
};

struct IUnknown {
    virtual HResult QueryInterface(const Guid& iid, void** object) = 0;
    virtual uint32_t AddRef() = 0;
    virtual uint32_t Release() = 0;
};

struct ISequentialInStream : IUnknown {
    virtual HResult Read(void* data, uint32_t size, uint32_t* processedSize) = 0;
};

enum : uint32_t { kSeekSet = 0, kSeekCurrent = 1, kSeekEnd = 2 };
struct IInStream : ISequentialInStream {
    virtual HResult Seek(int64_t offset, uint32_t seekOrigin, uint64_t* newPosition) = 0;
};

struct ISequentialOutStream : IUnknown {
    virtual HResult Write(const void* data, uint32_t size, uint32_t* processedSize) = 0;
};

struct IProgress : IUnknown {
    virtual HResult SetTotal(uint64_t total) = 0;
    virtual HResult SetCompleted(const uint64_t* completeValue) = 0;
};

struct IArchiveOpenCallback : IUnknown {
    virtual HResult SetTotal(const uint64_t* files, const uint64_t* bytes) = 0;
    virtual HResult SetCompleted(const uint64_t* files, const uint64_t* bytes) = 0;
};

struct IArchiveExtractCallback : IProgress {
    virtual HResult GetStream(uint32_t index, ISequentialOutStream** outStream,
                              int32_t askExtractMode) = 0;
    virtual HResult PrepareOperation(int32_t askExtractMode) = 0;
    virtual HResult SetOperationResult(int32_t operationResult) = 0;
};

struct ICryptoGetTextPassword : IUnknown {
    virtual HResult CryptoGetTextPassword(Bstr* password) = 0;
};

struct IInArchive : IUnknown {
    virtual HResult Open(IInStream* stream, const uint64_t* maxCheckStartPosition,
                         IArchiveOpenCallback* openCallback) = 0;
    virtual HResult Close() = 0;
    virtual HResult GetNumberOfItems(uint32_t* numItems) = 0;
    virtual HResult GetProperty(uint32_t index, PropId propId, PropVariant* value) = 0;
    virtual HResult Extract(const uint32_t* indices, uint32_t numItems, int32_t testMode,
                            IArchiveExtractCallback* extractCallback) = 0;
    virtual HResult GetArchiveProperty(PropId propId, PropVariant* value) = 0;
    virtual HResult GetNumberOfProperties(uint32_t* numProps) = 0;
    virtual HResult GetPropertyInfo(uint32_t index, Bstr* name, PropId* propId,
                                    VarType* varType) = 0;
    virtual HResult GetNumberOfArchiveProperties(uint32_t* numProps) = 0;
    virtual HResult GetArchivePropertyInfo(uint32_t index, Bstr* name, PropId* propId,
                                           VarType* varType) = 0;
};

// The library's exports.
using CreateObjectFunc = HResult (*)(const Guid* clsid, const Guid* iid, void** object);
using SysFreeStringFunc = void (*)(Bstr text);
using SysAllocStringFunc = Bstr (*)(const wchar_t* text);

} // namespace sevenzip
