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
    const auto* bytes = static_cast<const char*>(data);
    while (length > 0) {
        const ssize_t written = pwrite(m_fd, bytes, length, static_cast<off_t>(offset));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            // A write that took nothing without an error means the volume is full.
            return Fail(error, written == 0 ? ENOSPC : errno);
        }
        bytes += written;
        length -= static_cast<size_t>(written);
        offset += static_cast<uint64_t>(written);
    }
    return true;
}

bool PackageFile::ReadAt(void* data, size_t length, uint64_t offset, FileError* error) const {
    if (m_fd < 0) {
        return Fail(error, EBADF);
    }
    auto* bytes = static_cast<char*>(data);
    while (length > 0) {
        const ssize_t got = pread(m_fd, bytes, length, static_cast<off_t>(offset));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return Fail(error, got == 0 ? EIO : errno);
        }
        bytes += got;
        length -= static_cast<size_t>(got);
        offset += static_cast<uint64_t>(got);
    }
    return true;
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
