#include "install/PackageWriter.h"

#include <climits>
#include <cstring>

namespace {

constexpr int32_t kHeaderOffset = 64;

void PutInt32(std::string* bytes, size_t offset, int32_t value) {
    for (int i = 0; i < 4; ++i) {
        (*bytes)[offset + i] = static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xFF);
    }
}

} // namespace

bool BuildPackageBytes(PackageHeader header, const std::string& archive,
                       const std::string& uninstaller, std::string* package, std::string* error) {
    const uint64_t total = static_cast<uint64_t>(kHeaderOffset) + sizeof(PackageHeader) +
                           archive.size() + uninstaller.size();
    if (total > INT32_MAX) {
        if (error) {
            *error = "a package must stay below 2 GiB";
        }
        return false;
    }
    const int32_t archiveOffset = kHeaderOffset + static_cast<int32_t>(sizeof(PackageHeader));
    header.archiveOffset = archiveOffset;
    header.archiveSize = static_cast<int32_t>(archive.size());
    header.uninstallerOffset = archiveOffset + header.archiveSize;
    header.uninstallerSize = static_cast<int32_t>(uninstaller.size());

    package->assign(kHeaderOffset, '\0');
    std::memcpy(package->data(), "KELTOPKG", 8);
    PutInt32(package, static_cast<size_t>(kHeaderOffsetPosition), kHeaderOffset);
    package->append(reinterpret_cast<const char*>(&header), sizeof header);
    package->append(archive);
    package->append(uninstaller);
    return true;
}
