// The file a download writes: opened once, written at offsets from several threads at once,
// with its whole size reserved on the volume before the first byte arrives, and every failed or
// short write reported with the system's reason.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// Why a file operation failed: the system's error number and its text.
struct FileError {
    int code = 0;
    std::string text;
    // The volume has no room left (or the file would pass the size the system allows).
    bool VolumeFull() const;
};

class PackageFile {
public:
    PackageFile() = default;
    ~PackageFile() { Close(); }
    PackageFile(const PackageFile&) = delete;
    PackageFile& operator=(const PackageFile&) = delete;

    // Opens (or creates, with its missing folders) the file at a Windows path for reading and
    // writing, keeping what it holds. A link in the file's place is refused.
    bool Open(std::wstring_view windowsPath, FileError* error);
    bool IsOpen() const { return m_fd >= 0; }
    void Close();
    // The file's length in bytes, -1 without an open file.
    int64_t Length() const;
    // Cuts the file to length bytes.
    bool Truncate(uint64_t length, FileError* error);
    // Allocates the blocks of the first length bytes on the volume, so that no later write
    // into them can fail for lack of room. A volume that cannot hold them fails here.
    bool Reserve(uint64_t length, FileError* error);
    // Writes all length bytes at offset, or fails; any thread, concurrently with other writes.
    bool WriteAt(const void* data, size_t length, uint64_t offset, FileError* error);
    // Reads exactly length bytes at offset.
    bool ReadAt(void* data, size_t length, uint64_t offset, FileError* error) const;

private:
    int m_fd = -1;
};

// Free bytes on the volume that would hold the file at a Windows path (its folder, or the
// nearest folder above it that exists); false when the path maps to no host folder.
bool FreeBytesForFile(std::wstring_view windowsPath, uint64_t* freeBytes);

} // namespace platform
