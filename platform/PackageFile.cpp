#include "platform/PackageFile.h"

#include "platform/FileSystem.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace platform {

namespace {

bool Fail(FileError* error, int code) {
    if (error != nullptr) {
        error->code = code;
        error->text = strerror(code);
    }
    return false;
}

// pread or pwrite until length bytes have moved at offset, retried after an interruption; a
// call that moves nothing fails with nothingMoved.
template <typename Call, typename Bytes>
bool TransferAll(Call call, int fd, Bytes* bytes, size_t length, uint64_t offset, int nothingMoved,
                 FileError* error) {
    while (length > 0) {
        const ssize_t moved = call(fd, bytes, length, static_cast<off_t>(offset));
        if (moved < 0 && errno == EINTR) {
            continue;
        }
        if (moved <= 0) {
            return Fail(error, moved == 0 ? nothingMoved : errno);
        }
        bytes += moved;
        length -= static_cast<size_t>(moved);
        offset += static_cast<uint64_t>(moved);
    }
    return true;
}

} // namespace

bool FileError::VolumeFull() const {
    return code == ENOSPC || code == EDQUOT || code == EFBIG;
}

bool PackageFile::Open(std::wstring_view windowsPath, FileError* error) {
    Close();
    std::filesystem::path host;
    if (!ToHostPath(windowsPath, &host)) {
        return Fail(error, ENOENT);
    }
    std::error_code folderError;
    std::filesystem::create_directories(host.parent_path(), folderError);
    m_fd = open(host.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (m_fd < 0) {
        return Fail(error, errno);
    }
    struct stat status = {};
    if (fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int code = errno != 0 ? errno : EISDIR;
        Close();
        return Fail(error, code);
    }
    return true;
}

void PackageFile::Close() {
    if (m_fd >= 0) {
        close(m_fd);
        m_fd = -1;
    }
}

int64_t PackageFile::Length() const {
    struct stat status = {};
    if (m_fd < 0 || fstat(m_fd, &status) != 0) {
        return -1;
    }
    return status.st_size;
}

bool PackageFile::Truncate(uint64_t length, FileError* error) {
    if (m_fd < 0) {
        return Fail(error, EBADF);
    }
    return ftruncate(m_fd, static_cast<off_t>(length)) == 0 ? true : Fail(error, errno);
}

bool PackageFile::Reserve(uint64_t length, FileError* error) {
    if (m_fd < 0) {
        return Fail(error, EBADF);
    }
    if (length == 0) {
        return true;
    }
    // posix_fallocate returns the error number instead of setting errno.
    const int code = posix_fallocate(m_fd, 0, static_cast<off_t>(length));
    return code == 0 ? true : Fail(error, code);
}

bool PackageFile::WriteAt(const void* data, size_t length, uint64_t offset, FileError* error) {
    if (m_fd < 0) {
        return Fail(error, EBADF);
    }
    // A write that took nothing without an error means the volume is full.
    return TransferAll(pwrite, m_fd, static_cast<const char*>(data), length, offset, ENOSPC, error);
}

bool PackageFile::ReadAt(void* data, size_t length, uint64_t offset, FileError* error) const {
    if (m_fd < 0) {
        return Fail(error, EBADF);
    }
    // The file ends before the range: the reader asked for bytes that are not there.
    return TransferAll(pread, m_fd, static_cast<char*>(data), length, offset, EIO, error);
}

bool FreeBytesForFile(std::wstring_view windowsPath, uint64_t* freeBytes) {
    std::filesystem::path host;
    if (!ToHostPath(windowsPath, &host)) {
        return false;
    }
    std::error_code error;
    std::filesystem::path folder = host.parent_path();
    while (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        if (folder == folder.parent_path()) {
            return false;
        }
        folder = folder.parent_path();
    }
    struct statvfs volume = {};
    if (statvfs(folder.c_str(), &volume) != 0) {
        return false;
    }
    *freeBytes = static_cast<uint64_t>(volume.f_bavail) * volume.f_frsize;
    return true;
}

} // namespace platform
