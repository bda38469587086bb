#include "platform/ShellLink.h"

#include "platform/FileSystem.h"
#include "platform/Text.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace platform {
namespace {

constexpr uint32_t kHeaderSize = 0x4C;
constexpr uint8_t kLinkClassId[16] = {0x01, 0x14, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00,
                                      0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

enum : uint32_t {
    kHasLinkTargetIdList = 0x1,
    kHasLinkInfo = 0x2,
    kHasName = 0x4,
    kHasRelativePath = 0x8,
    kHasWorkingDir = 0x10,
    kHasArguments = 0x20,
    kHasIconLocation = 0x40,
    kIsUnicode = 0x80,
    kHasExpString = 0x200,
};
constexpr uint32_t kVolumeIdAndLocalBasePath = 0x1;
constexpr uint32_t kEnvironmentBlockSignature = 0xA0000001;
constexpr uint32_t kEnvironmentBlockSize = 0x314; // 4 + 4 + 260 + 520
constexpr uint32_t kDriveFixed = 3;

void Put16(std::string& out, uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}
void Put32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

std::u16string ToUtf16(const std::wstring& text) {
    std::u16string result;
    for (wchar_t c : text) {
        uint32_t code = static_cast<uint32_t>(c);
        if (code >= 0x10000 && code <= 0x10FFFF) {
            code -= 0x10000;
            result.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            result.push_back(u'\uFFFD');
        } else {
            result.push_back(static_cast<char16_t>(code));
        }
    }
    return result;
}

std::wstring FromUtf16(const std::u16string& text) {
    std::wstring result;
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t unit = text[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            result.push_back(
                static_cast<wchar_t>(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00)));
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            result.push_back(L'\uFFFD');
        } else {
            result.push_back(static_cast<wchar_t>(unit));
        }
    }
    return result;
}

void PutUtf16(std::string& out, const std::u16string& text, bool terminate) {
    for (char16_t unit : text) {
        Put16(out, unit);
    }
    if (terminate) {
        Put16(out, 0);
    }
}

// A counted string of the string-data section.
void PutCountedString(std::string& out, const std::wstring& text) {
    std::u16string units = ToUtf16(text);
    if (units.size() > 0xFFFF) {
        units.resize(0xFFFF);
    }
    Put16(out, static_cast<uint16_t>(units.size()));
    PutUtf16(out, units, false);
}

bool IsWebAddress(const std::wstring& target) {
    return target.find(L"://") != std::wstring::npos;
}

std::string LinkInfo(const std::wstring& target) {
    const std::string narrow = WideToNarrow(target);
    std::string volume;
    Put32(volume, 0x11); // size: four fields and an empty label
    Put32(volume, kDriveFixed);
    Put32(volume, 0); // serial number
    Put32(volume, 0x10);
    volume.push_back('\0');

    constexpr uint32_t kInfoHeaderSize = 0x24;
    const uint32_t volumeOffset = kInfoHeaderSize;
    const uint32_t basePathOffset = volumeOffset + static_cast<uint32_t>(volume.size());
    const uint32_t suffixOffset = basePathOffset + static_cast<uint32_t>(narrow.size()) + 1;
    const uint32_t basePathUnicodeOffset = suffixOffset + 1;
    const std::u16string units = ToUtf16(target);
    const uint32_t suffixUnicodeOffset =
        basePathUnicodeOffset + static_cast<uint32_t>(units.size() + 1) * 2;
    const uint32_t total = suffixUnicodeOffset + 2;

    std::string info;
    Put32(info, total);
    Put32(info, kInfoHeaderSize);
    Put32(info, kVolumeIdAndLocalBasePath);
    Put32(info, volumeOffset);
    Put32(info, basePathOffset);
    Put32(info, 0); // no network location
    Put32(info, suffixOffset);
    Put32(info, basePathUnicodeOffset);
    Put32(info, suffixUnicodeOffset);
    info += volume;
    info += narrow;
    info.push_back('\0');
    info.push_back('\0'); // empty common path suffix
    PutUtf16(info, units, true);
    Put16(info, 0);
    return info;
}

std::string EnvironmentBlock(const std::wstring& target) {
    std::string block;
    Put32(block, kEnvironmentBlockSize);
    Put32(block, kEnvironmentBlockSignature);
    std::string narrow = WideToNarrow(target).substr(0, 259);
    narrow.resize(260, '\0');
    block += narrow;
    std::u16string units = ToUtf16(target).substr(0, 259);
    units.resize(260, u'\0');
    PutUtf16(block, units, false);
    return block;
}

class Reader {
public:
    explicit Reader(const std::string& bytes) : m_bytes(bytes) {}
    bool Has(size_t offset, size_t count) const {
        return offset <= m_bytes.size() && count <= m_bytes.size() - offset;
    }
    uint16_t U16(size_t offset) const {
        return static_cast<uint16_t>(Byte(offset) | (Byte(offset + 1) << 8));
    }
    uint32_t U32(size_t offset) const {
        return static_cast<uint32_t>(Byte(offset)) |
               (static_cast<uint32_t>(Byte(offset + 1)) << 8) |
               (static_cast<uint32_t>(Byte(offset + 2)) << 16) |
               (static_cast<uint32_t>(Byte(offset + 3)) << 24);
    }
    // A zero-terminated UTF-16 string within [offset, end).
    bool Utf16Z(size_t offset, size_t end, std::wstring* text) const {
        std::u16string units;
        for (size_t i = offset; i + 1 < end && Has(i, 2); i += 2) {
            char16_t unit = static_cast<char16_t>(U16(i));
            if (unit == 0) {
                *text = FromUtf16(units);
                return true;
            }
            units.push_back(unit);
        }
        return false;
    }
    bool NarrowZ(size_t offset, size_t end, std::wstring* text) const {
        for (size_t i = offset; i < end && Has(i, 1); ++i) {
            if (m_bytes[i] == '\0') {
                *text = NarrowToWide(std::string_view(m_bytes).substr(offset, i - offset));
                return true;
            }
        }
        return false;
    }
    bool Counted(size_t* offset, std::wstring* text) const {
        if (!Has(*offset, 2)) {
            return false;
        }
        const size_t count = U16(*offset);
        if (!Has(*offset + 2, count * 2)) {
            return false;
        }
        std::u16string units;
        for (size_t i = 0; i < count; ++i) {
            units.push_back(static_cast<char16_t>(U16(*offset + 2 + i * 2)));
        }
        *text = FromUtf16(units);
        *offset += 2 + count * 2;
        return true;
    }

private:
    uint32_t Byte(size_t offset) const { return static_cast<uint8_t>(m_bytes[offset]); }
    const std::string& m_bytes;
};

} // namespace

std::string EncodeShellLink(const ShellLink& link) {
    const bool web = IsWebAddress(link.target);
    uint32_t flags = kIsUnicode | kHasIconLocation;
    flags |= web ? kHasExpString : kHasLinkInfo;
    if (!link.description.empty()) {
        flags |= kHasName;
    }
    if (!link.workingFolder.empty()) {
        flags |= kHasWorkingDir;
    }
    if (!link.arguments.empty()) {
        flags |= kHasArguments;
    }

    std::string out;
    Put32(out, kHeaderSize);
    out.append(reinterpret_cast<const char*>(kLinkClassId), sizeof kLinkClassId);
    Put32(out, flags);
    Put32(out, 0);        // file attributes
    out.append(24, '\0'); // creation, access and write times
    Put32(out, 0);        // file size
    Put32(out, static_cast<uint32_t>(link.iconIndex));
    Put32(out, link.showCommand);
    Put16(out, 0);        // hot key
    out.append(10, '\0'); // reserved

    if (!web) {
        out += LinkInfo(link.target);
    }
    if (flags & kHasName) {
        PutCountedString(out, link.description);
    }
    if (flags & kHasWorkingDir) {
        PutCountedString(out, link.workingFolder);
    }
    if (flags & kHasArguments) {
        PutCountedString(out, link.arguments);
    }
    PutCountedString(out, link.iconPath.empty() ? link.target : link.iconPath);
    if (web) {
        out += EnvironmentBlock(link.target);
    }
    Put32(out, 0); // terminal block
    return out;
}

namespace {

// The link target's id list and link information; the target's path comes from the latter.
bool ReadLocation(const Reader& in, uint32_t flags, size_t* offset, std::wstring* target) {
    if (flags & kHasLinkTargetIdList) {
        if (!in.Has(*offset, 2)) {
            return false;
        }
        *offset += 2 + in.U16(*offset);
    }
    if ((flags & kHasLinkInfo) == 0) {
        return true;
    }
    if (!in.Has(*offset, 0x1C)) {
        return false;
    }
    const size_t size = in.U32(*offset);
    const size_t headerSize = in.U32(*offset + 4);
    if (size < 0x1C || !in.Has(*offset, size)) {
        return false;
    }
    const size_t end = *offset + size;
    if (in.U32(*offset + 8) & kVolumeIdAndLocalBasePath) {
        if (headerSize >= 0x24) {
            in.Utf16Z(*offset + in.U32(*offset + 28), end, target);
        } else {
            in.NarrowZ(*offset + in.U32(*offset + 16), end, target);
        }
    }
    *offset = end;
    return true;
}

// The counted strings, each present when its flag says so, in their fixed order.
bool ReadStrings(const Reader& in, uint32_t flags, size_t* offset, ShellLink* link) {
    std::wstring relativePath;
    return (!(flags & kHasName) || in.Counted(offset, &link->description)) &&
           (!(flags & kHasRelativePath) || in.Counted(offset, &relativePath)) &&
           (!(flags & kHasWorkingDir) || in.Counted(offset, &link->workingFolder)) &&
           (!(flags & kHasArguments) || in.Counted(offset, &link->arguments)) &&
           (!(flags & kHasIconLocation) || in.Counted(offset, &link->iconPath));
}

// Extra data blocks until the terminal block; a web link's target is in its environment block.
bool ReadExtraData(const Reader& in, size_t offset, std::wstring* target) {
    while (in.Has(offset, 4)) {
        const size_t size = in.U32(offset);
        if (size < 4) {
            break;
        }
        if (!in.Has(offset, size) || size < 8) {
            return false;
        }
        if (in.U32(offset + 4) == kEnvironmentBlockSignature && size >= kEnvironmentBlockSize &&
            target->empty()) {
            in.Utf16Z(offset + 8 + 260, offset + size, target);
        }
        offset += size;
    }
    return true;
}

} // namespace

bool DecodeShellLink(const std::string& bytes, ShellLink* link) {
    Reader in(bytes);
    if (!in.Has(0, kHeaderSize) || in.U32(0) != kHeaderSize ||
        std::memcmp(bytes.data() + 4, kLinkClassId, sizeof kLinkClassId) != 0) {
        return false;
    }
    ShellLink result;
    const uint32_t flags = in.U32(20);
    result.iconIndex = static_cast<int32_t>(in.U32(56));
    result.showCommand = in.U32(60);
    size_t offset = kHeaderSize;
    if (!ReadLocation(in, flags, &offset, &result.target)) {
        return false;
    }
    if ((flags & kIsUnicode) == 0) {
        return false; // this system writes and reads Unicode links only
    }
    if (!ReadStrings(in, flags, &offset, &result) || !ReadExtraData(in, offset, &result.target)) {
        return false;
    }
    *link = result;
    return true;
}

bool SaveShellLink(const std::wstring& path, const ShellLink& link) {
    std::filesystem::path host;
    std::error_code error;
    if (!ToHostPath(path, &host) || !std::filesystem::is_directory(host.parent_path(), error)) {
        return false;
    }
    const std::string bytes = EncodeShellLink(link);
    std::filesystem::path temporary = host;
    temporary += ".new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, host, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

bool LoadShellLink(const std::wstring& path, ShellLink* link) {
    std::filesystem::path host;
    if (!ToHostPath(path, &host)) {
        return false;
    }
    std::ifstream in(host, std::ios::binary);
    if (!in) {
        return false;
    }
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return DecodeShellLink(bytes, link);
}

} // namespace platform
