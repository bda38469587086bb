// The package container: a 32-bit offset at byte 32 locates the 4096-byte PackageHeader, which
// describes the product and locates the 7z archive and the uninstaller image in the same file.
// All integers are 32-bit signed little-endian; a package stays below 2 GiB.
#pragma once

#include "install/SevenZipExtractor.h"

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr long kHeaderOffsetPosition = 32;
inline constexpr long kPackageHeaderSize = 4096;

struct PackageHeader {
    char signature[8];         // "XQpackRR" in a new record; never checked
    int32_t uninstallerOffset; // file offset of the uninstaller image
    int32_t uninstallerSize;
    int32_t archiveOffset; // file offset of the 7z archive
    int32_t archiveSize;
    char reserved1[81];
    char rootName[64];    // product folder name and registry lookup key
    char displayName[64]; // display name
    char version[32];
    char productName[16];
    char releaseDate[16]; // YYYY-MM-DD
    char homeUrl[128];
    char publisher[67];
    int32_t is64Bit; // 1 for the 64-bit edition
    char reserved2[3600];
};

static_assert(sizeof(PackageHeader) == 4096, "the header is exactly 4096 bytes");
static_assert(offsetof(PackageHeader, uninstallerOffset) == 8);
static_assert(offsetof(PackageHeader, uninstallerSize) == 12);
static_assert(offsetof(PackageHeader, archiveOffset) == 16);
static_assert(offsetof(PackageHeader, archiveSize) == 20);
static_assert(offsetof(PackageHeader, reserved1) == 24);
static_assert(offsetof(PackageHeader, rootName) == 105);
static_assert(offsetof(PackageHeader, displayName) == 169);
static_assert(offsetof(PackageHeader, version) == 233);
static_assert(offsetof(PackageHeader, productName) == 265);
static_assert(offsetof(PackageHeader, releaseDate) == 281);
static_assert(offsetof(PackageHeader, homeUrl) == 297);
static_assert(offsetof(PackageHeader, publisher) == 425);
static_assert(offsetof(PackageHeader, is64Bit) == 492);
static_assert(offsetof(PackageHeader, reserved2) == 496);

// A new record: all zero except the signature.
PackageHeader NewPackageHeader();
// Copies text into a header field of size bytes, cut to size - 1 so it never runs into the next.
void SetHeaderText(char* field, size_t size, const std::string& text);
template <size_t N>
void SetHeaderText(char (&field)[N], const std::string& text) {
    SetHeaderText(field, N, text);
}
// A header text field as a string (up to its terminator or the field's end).
template <size_t N>
std::string HeaderText(const char (&field)[N]) {
    size_t length = 0;
    while (length < N && field[length] != 0) {
        ++length;
    }
    return std::string(field, length);
}

// Reads the header of a package (wide Windows path) into header. 0 on success; E_POINTER for a
// null path or header; E_FAIL when the file cannot be read or the header offset is negative or
// beyond the file length minus 4096. header is unchanged on failure.
long ReadPackageHeader(const wchar_t* packagePath, PackageHeader* header);

// Unpack statuses.
inline constexpr int kUnpackBadArguments = 1;
inline constexpr int kUnpackBadPackage = 2;
inline constexpr int kUnpackNoFolder = 3;
inline constexpr int kUnpackExtractFailed = 4;

// Events of the unpack (with the extraction's 100 and 101 between them).
inline constexpr int kEventUnpackStart = 0;
inline constexpr int kEventUnpackFinished = 1;
inline constexpr int kEventUnpackFailed = 2;

// Loads the package's archive into memory and extracts it into installFolder (created first).
// 0 on success, E_POINTER for a null path or an empty notify (status 1, no event), E_FAIL
// otherwise with event (2, 2) or (2, 3). Offsets and sizes that are negative or reach beyond the
// file are refused with status 2. Engine errors arrive as event 101 and do not fail the unpack.
long UnpackPackage(const wchar_t* packagePath, const wchar_t* installFolder, ProgressNotify notify);

// The status of the last failed unpack (0 before any failure; a success keeps it).
int GetLastUnpackError();
// The folder the last unpack installed into.
std::wstring GetInstallFolder();
