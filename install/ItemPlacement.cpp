#include "install/ItemPlacement.h"

#include "platform/Text.h"

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

// Whether a link target, read from the link's folder (given by its components), stays below the
// destination as text.
bool TargetStaysBelow(std::vector<std::wstring> parts, const std::wstring& target) {
    if (target.empty() || IsSeparator(target.front()) ||
        (target.size() >= 2 && target[1] == L':')) {
        return false;
    }
    size_t start = 0;
    while (start <= target.size()) {
        size_t end = start;
        while (end < target.size() && !IsSeparator(target[end])) {
            ++end;
        }
        const std::wstring part = target.substr(start, end - start);
        if (part == L"..") {
            if (parts.empty()) {
                return false;
            }
            parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        start = end + 1;
    }
    return true;
}

std::string Joined(const std::vector<std::string>& components) {
    std::string path;
    for (const std::string& component : components) {
        path += path.empty() ? component : "/" + component;
    }
    return path;
}

} // namespace

std::string HostName(const std::wstring& component) {
    return platform::WideToNarrow(component);
}

platform::FolderHandle ItemPlacement::PrepareFolder(const std::vector<std::wstring>& components,
                                                    size_t count, std::string* why) const {
    platform::FolderHandle folder = m_destination.Duplicate();
    for (size_t i = 0; i < count && folder.Valid(); ++i) {
        folder = folder.CreateChild(HostName(components[i]), 0755, false, why);
    }
    return folder;
}

platform::Descriptor ItemPlacement::CreateItemFile(const platform::FolderHandle& folder,
                                                   const std::string& name,
                                                   std::string* why) const {
    const platform::EntryKind kind = folder.Kind(name);
    if (kind == platform::EntryKind::Folder) {
        *why = "a folder stands where the file goes";
        return {};
    }
    if (kind != platform::EntryKind::Missing && !folder.RemoveFile(name)) {
        *why = "the earlier entry cannot be removed";
        return {};
    }
    // Exclusive and without following: whatever appeared meanwhile is not written through.
    platform::Descriptor file = folder.CreateFile(name, 0666);
    if (!file) {
        *why = "cannot create the file (something appeared in its place)";
    }
    return file;
}

unsigned ItemPlacement::FileMode(uint32_t itemMode, bool asRoot) {
    // Permission bits only: set-id and sticky bits never travel into an installation.
    return itemMode & (asRoot ? 0755u : 0777u);
}

void ItemPlacement::ApplyAttributes(const ItemInfo& item, const platform::Descriptor& file) const {
    const bool asRoot = platform::WritesAsRoot();
    if (item.hasMode) {
        platform::SetFileMode(file, FileMode(item.mode, asRoot));
    } else if (asRoot) {
        platform::SetFileMode(file, 0644);
    }
    if (item.hasTime) {
        constexpr int64_t kTicksPerSecond = 10000000;
        constexpr int64_t kEpochDifference = 11644473600LL; // 1601 to 1970, in seconds
        const int64_t ticks = static_cast<int64_t>(item.fileTime);
        platform::SetFileTime(file, ticks / kTicksPerSecond - kEpochDifference,
                              static_cast<uint32_t>((ticks % kTicksPerSecond) * 100));
    }
}

bool ItemPlacement::MakeLink(const ItemInfo& item, const platform::FolderHandle& folder,
                             const std::string& target) {
    const std::vector<std::wstring> parents(item.components.begin(), item.components.end() - 1);
    if (!TargetStaysBelow(parents, platform::NarrowToWide(target))) {
        return false;
    }
    const std::string name = HostName(item.components.back());
    if (!folder.MakeLink(target, name)) {
        return false;
    }
    std::vector<std::string> components;
    for (const std::wstring& component : item.components) {
        components.push_back(HostName(component));
    }
    m_links.push_back(std::move(components));
    return true;
}

int ItemPlacement::RemoveStrayLinks() {
    int removed = 0;
    for (const std::vector<std::string>& link : m_links) {
        if (m_destination.ResolvesBelow(Joined(link))) {
            continue;
        }
        std::string why;
        platform::FolderHandle folder = m_destination.Duplicate();
        for (size_t i = 0; i + 1 < link.size() && folder.Valid(); ++i) {
            folder = folder.OpenChild(link[i], &why);
        }
        if (folder.Kind(link.back()) == platform::EntryKind::Link) {
            folder.RemoveFile(link.back());
        }
        ++removed;
    }
    m_links.clear();
    return removed;
}
