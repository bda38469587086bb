// Where the archive's items land: files, folders and links made below the destination folder
// through folder descriptors only. Other users may write into the destination while root
// extracts, so no item path is ever resolved again after a check: each parent folder is opened
// relative to the one above it without following links, and files are created, changed and
// removed relative to their folder's descriptor. A link on an item's way refuses that item.
#pragma once

#include "platform/FolderHandle.h"

#include <cstdint>
#include <string>
#include <vector>

struct ItemInfo {
    std::vector<std::wstring> components; // empty when the path is not safe
    bool isDir = false;
    bool isLink = false;
    bool encrypted = false;
    bool hasMode = false;
    uint32_t mode = 0;
    bool hasTime = false;
    uint64_t fileTime = 0; // 100 ns ticks since 1601
    uint64_t size = 0;     // unpacked size as declared
    std::string method;    // coders as the engine names them ("LZMA2:24")
};

class ItemPlacement {
public:
    explicit ItemPlacement(platform::FolderHandle destination)
        : m_destination(std::move(destination)) {}

    // The folder that holds the first count components, made where missing; invalid (why set)
    // when the way passes a link or a file.
    platform::FolderHandle PrepareFolder(const std::vector<std::wstring>& components, size_t count,
                                         std::string* why) const;
    // A new file for an item, after an earlier file or link of that name has been removed (never
    // a folder). Invalid with why on failure.
    platform::Descriptor CreateItemFile(const platform::FolderHandle& folder,
                                        const std::string& name, std::string* why) const;
    // The item's mode and time on its open file. Written as root, group and others lose the
    // write permission: an installation's files are never writable by every user.
    void ApplyAttributes(const ItemInfo& item, const platform::Descriptor& file) const;
    // A link whose target, seen from its folder, stays below the destination.
    bool MakeLink(const ItemInfo& item, const platform::FolderHandle& folder,
                  const std::string& target);
    // Once every item is in place: links that resolve outside the destination (through other
    // links) or to nothing are removed again. Returns how many were removed.
    int RemoveStrayLinks();

    // The mode a file gets for an item mode ("who writes" decides the mask).
    static unsigned FileMode(uint32_t itemMode, bool asRoot);

private:
    platform::FolderHandle m_destination;
    std::vector<std::vector<std::string>> m_links; // components of every link made
};

// An item component as a host name (UTF-8).
std::string HostName(const std::wstring& component);
