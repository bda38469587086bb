#include "platform/FolderHandle.h"

#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

namespace platform {
namespace {

// One open descriptor per level: deeper trees are refused rather than run out of descriptors.
constexpr int kMaxTreeDepth = 256;

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

void SetWhy(std::string* why, const std::string& text) {
    if (why && why->empty()) {
        *why = text;
    }
}

// Why a folder could not be opened: a link is named as such.
std::string OpenFailure(int parent, const std::string& name, int error) {
    struct stat status {};
    if (fstatat(parent, name.c_str(), &status, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISLNK(status.st_mode)) {
        return "\"" + name + "\" is a link";
    }
    if (error == ELOOP) {
        return "\"" + name + "\" is a link";
    }
    return "\"" + name + "\": " + ErrorText(error);
}

struct DirCloser {
    void operator()(DIR* directory) const { closedir(directory); }
};

bool RemoveContent(const FolderHandle& folder, int depth, std::string* why);

// Removes one entry of a folder whose content is being removed.
void RemoveEntry(const FolderHandle& folder, const std::string& name, int depth, std::string* why) {
    if (folder.Kind(name) != EntryKind::Folder) {
        if (!folder.RemoveFile(name) && errno != ENOENT) {
            SetWhy(why, "\"" + name + "\": " + ErrorText(errno));
        }
        return;
    }
    std::string childWhy;
    FolderHandle child = folder.OpenChild(name, &childWhy);
    if (!child.Valid()) {
        // Turned into a link (or a file) since it was looked at: remove that instead.
        if (!folder.RemoveFile(name) && errno != ENOENT) {
            SetWhy(why, childWhy);
        }
        return;
    }
    if (depth + 1 >= kMaxTreeDepth) {
        SetWhy(why, "more than " + std::to_string(kMaxTreeDepth) + " folder levels");
        return;
    }
    RemoveContent(child, depth + 1, why);
    if (!folder.RemoveEmptyFolder(name) && errno != ENOENT) {
        SetWhy(why, "\"" + name + "\": " + ErrorText(errno));
    }
}

bool RemoveContent(const FolderHandle& folder, int depth, std::string* why) {
    std::vector<std::string> names;
    if (!folder.List(&names)) {
        SetWhy(why, "cannot list a folder: " + ErrorText(errno));
        return false;
    }
    for (const std::string& name : names) {
        RemoveEntry(folder, name, depth, why);
    }
    return true;
}

} // namespace

bool IsPlainEntryName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

FolderHandle FolderHandle::Open(const std::filesystem::path& hostPath, std::string* why) {
    return Walk(hostPath, false, 0, why);
}

FolderHandle FolderHandle::OpenOrCreate(const std::filesystem::path& hostPath, unsigned mode,
                                        std::string* why) {
    return Walk(hostPath, true, mode, why);
}

FolderHandle FolderHandle::Walk(const std::filesystem::path& hostPath, bool create, unsigned mode,
                                std::string* why) {
    std::error_code error;
    const std::filesystem::path path =
        std::filesystem::absolute(hostPath, error).lexically_normal();
    if (error || !path.has_root_directory()) {
        SetWhy(why, "not a full path");
        return {};
    }
    FolderHandle folder(Descriptor(::open("/", kFolderFlags)));
    for (const auto& part : path.relative_path()) {
        const std::string name = part.string();
        if (name.empty() || name == ".") {
            continue;
        }
        folder = create ? folder.CreateChild(name, mode, false, why) : folder.OpenChild(name, why);
        if (!folder.Valid()) {
            return {};
        }
    }
    return folder;
}

FolderHandle FolderHandle::Duplicate() const {
    if (!Valid()) {
        return {};
    }
    return FolderHandle(Descriptor(fcntl(Get(), F_DUPFD_CLOEXEC, 0)));
}

EntryKind FolderHandle::Kind(const std::string& name) const {
    struct stat status {};
    if (!Valid() || fstatat(Get(), name.c_str(), &status, AT_SYMLINK_NOFOLLOW) != 0) {
        return EntryKind::Missing;
    }
    if (S_ISLNK(status.st_mode)) {
        return EntryKind::Link;
    }
    if (S_ISDIR(status.st_mode)) {
        return EntryKind::Folder;
    }
    return S_ISREG(status.st_mode) ? EntryKind::File : EntryKind::Other;
}

FolderHandle FolderHandle::OpenChild(const std::string& name, std::string* why) const {
    if (!Valid() || !IsPlainEntryName(name)) {
        SetWhy(why, "\"" + name + "\" is no folder name");
        return {};
    }
    Descriptor child(openat(Get(), name.c_str(), kFolderFlags));
    if (!child) {
        const int error = errno;
        SetWhy(why, OpenFailure(Get(), name, error));
        errno = error;
        return {};
    }
    return FolderHandle(std::move(child));
}

FolderHandle FolderHandle::CreateChild(const std::string& name, unsigned mode, bool exclusive,
                                       std::string* why) const {
    if (!Valid() || !IsPlainEntryName(name)) {
        SetWhy(why, "\"" + name + "\" is no folder name");
        return {};
    }
    if (mkdirat(Get(), name.c_str(), static_cast<mode_t>(mode)) != 0 &&
        (exclusive || errno != EEXIST)) {
        SetWhy(why, "cannot create \"" + name + "\": " + ErrorText(errno));
        return {};
    }
    // Opened by name again, without following: whatever stands there now must be a folder.
    return OpenChild(name, why);
}

Descriptor FolderHandle::CreateFile(const std::string& name, unsigned mode) const {
    if (!Valid() || !IsPlainEntryName(name)) {
        errno = EINVAL;
        return {};
    }
    return Descriptor(openat(Get(), name.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                             static_cast<mode_t>(mode)));
}

Descriptor FolderHandle::OpenFileForReading(const std::string& name) const {
    if (!Valid() || !IsPlainEntryName(name)) {
        errno = EINVAL;
        return {};
    }
    return Descriptor(openat(Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
}

bool FolderHandle::RemoveFile(const std::string& name) const {
    if (!Valid() || !IsPlainEntryName(name)) {
        errno = EINVAL;
        return false;
    }
    return unlinkat(Get(), name.c_str(), 0) == 0;
}

bool FolderHandle::RemoveEmptyFolder(const std::string& name) const {
    if (!Valid() || !IsPlainEntryName(name)) {
        errno = EINVAL;
        return false;
    }
    return unlinkat(Get(), name.c_str(), AT_REMOVEDIR) == 0;
}

bool FolderHandle::MakeLink(const std::string& target, const std::string& name) const {
    if (!Valid() || !IsPlainEntryName(name)) {
        errno = EINVAL;
        return false;
    }
    return symlinkat(target.c_str(), Get(), name.c_str()) == 0;
}

bool FolderHandle::ResolvesBelow(const std::string& relativePath) const {
    if (!Valid()) {
        return false;
    }
    open_how how{};
    how.flags = O_PATH | O_CLOEXEC;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    Descriptor resolved(
        static_cast<int>(syscall(SYS_openat2, Get(), relativePath.c_str(), &how, sizeof how)));
    return static_cast<bool>(resolved);
}

bool FolderHandle::List(std::vector<std::string>* names) const {
    names->clear();
    if (!Valid()) {
        errno = EBADF;
        return false;
    }
    // A descriptor of its own, so that the listing's position is not shared.
    Descriptor own(openat(Get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!own) {
        return false;
    }
    std::unique_ptr<DIR, DirCloser> directory(fdopendir(own.Get()));
    if (!directory) {
        return false;
    }
    own.Release(); // the listing owns it now
    errno = 0;
    while (const dirent* entry = readdir(directory.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names->push_back(name);
        }
    }
    return errno == 0;
}

bool RemoveTree(const FolderHandle& parent, const std::string& name, std::string* why) {
    if (parent.Kind(name) != EntryKind::Folder) {
        if (parent.Kind(name) == EntryKind::Missing) {
            SetWhy(why, "\"" + name + "\" does not exist");
        } else {
            SetWhy(why, "\"" + name + "\" is no folder");
        }
        return false;
    }
    FolderHandle folder = parent.OpenChild(name, why);
    if (!folder.Valid()) {
        return false;
    }
    RemoveContent(folder, 0, why);
    folder = FolderHandle();
    if (!parent.RemoveEmptyFolder(name)) {
        SetWhy(why, "cannot remove \"" + name + "\": " + ErrorText(errno));
    }
    return parent.Kind(name) == EntryKind::Missing;
}

bool WriteAll(const Descriptor& file, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t written = ::write(file.Get(), bytes, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

bool SetFileMode(const Descriptor& file, unsigned mode) {
    return fchmod(file.Get(), static_cast<mode_t>(mode & 0777)) == 0;
}

bool SetFileTime(const Descriptor& file, int64_t secondsSince1970, uint32_t nanoseconds) {
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(secondsSince1970);
    times[1].tv_nsec = static_cast<long>(nanoseconds % 1000000000u);
    return futimens(file.Get(), times) == 0;
}

FilePtr StreamOf(Descriptor file, const char* mode) {
    FilePtr stream(fdopen(file.Get(), mode));
    if (stream) {
        file.Release();
    }
    return stream;
}

bool WritesAsRoot() {
    return geteuid() == 0;
}

} // namespace platform
