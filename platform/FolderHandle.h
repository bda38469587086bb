// Files and folders reached through open folder descriptors. The installer runs as root in folders
// that other users may write into; a path that is checked and then used again can be switched
// to a link in between. So every folder here is opened relative to its parent's descriptor, one
// name at a time, without following links and only when it is a folder, and everything done in
// it (create, remove, change mode or time) names an entry of that descriptor. A link met on the
// way is refused, with the reason, never followed.
#pragma once

#include "platform/Descriptor.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace platform {

enum class EntryKind { Missing, File, Folder, Link, Other };

class FolderHandle {
public:
    FolderHandle() = default;

    // Opens a host folder, walking from "/" one component at a time. Fails (with why) at a link,
    // a missing folder or anything else that is no folder. A relative path is taken from the
    // current folder's absolute path.
    static FolderHandle Open(const std::filesystem::path& hostPath, std::string* why);
    // The same, creating every missing folder along the way with mode (less the umask).
    static FolderHandle OpenOrCreate(const std::filesystem::path& hostPath, unsigned mode,
                                     std::string* why);

    bool Valid() const { return static_cast<bool>(m_descriptor); }
    // A second handle of the same folder.
    FolderHandle Duplicate() const;
    int Get() const { return m_descriptor.Get(); }

    // What an entry is, the entry itself (a link is a link).
    EntryKind Kind(const std::string& name) const;
    // The child folder; fails at a link or at anything that is no folder.
    FolderHandle OpenChild(const std::string& name, std::string* why) const;
    // Creates the child folder and opens it. exclusive: an existing entry of that name fails;
    // otherwise an existing folder (never a link) is opened.
    FolderHandle CreateChild(const std::string& name, unsigned mode, bool exclusive,
                             std::string* why) const;
    // A new file, created here and now (an existing entry of that name fails), for writing.
    Descriptor CreateFile(const std::string& name, unsigned mode) const;
    // An existing file for reading; a link fails.
    Descriptor OpenFileForReading(const std::string& name) const;
    // Removes a file or a link (the link itself); never a folder.
    bool RemoveFile(const std::string& name) const;
    bool RemoveEmptyFolder(const std::string& name) const;
    bool MakeLink(const std::string& target, const std::string& name) const;
    // Whether a path below this folder, followed through links, stays below it and exists.
    bool ResolvesBelow(const std::string& relativePath) const;
    // Names of the entries (no "." or "..").
    bool List(std::vector<std::string>* names) const;

private:
    explicit FolderHandle(Descriptor descriptor) : m_descriptor(std::move(descriptor)) {}
    // Open and OpenOrCreate: from "/" one component at a time, opening or creating each folder.
    static FolderHandle Walk(const std::filesystem::path& hostPath, bool create, unsigned mode,
                             std::string* why);
    Descriptor m_descriptor;
};

// Removes the folder name of parent with everything below it. Links are removed as links and
// never followed; a folder that turns into a link meanwhile is removed as the link. True only
// when the entry is gone afterwards; otherwise why names the first failure.
bool RemoveTree(const FolderHandle& parent, const std::string& name, std::string* why);

// Whether a name can be one entry of a folder: not empty, not "." or "..", no '/' and no zero.
bool IsPlainEntryName(const std::string& name);

// Operations on an open file.
bool WriteAll(const Descriptor& file, const void* data, size_t size);
// Permission bits only (set-id and sticky bits are dropped).
bool SetFileMode(const Descriptor& file, unsigned mode);
bool SetFileTime(const Descriptor& file, int64_t secondsSince1970, uint32_t nanoseconds);
// A C stream over the descriptor, which the stream then owns.
FilePtr StreamOf(Descriptor file, const char* mode);
// Whether this process writes as root (files it makes belong to root).
bool WritesAsRoot();

} // namespace platform
