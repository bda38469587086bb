#include "platform/FileTree.h"

#include "platform/FileSystem.h"

#include <filesystem>
#include <system_error>

namespace platform {

bool IsLinkAt(std::wstring_view path) {
    std::filesystem::path host;
    std::error_code error;
    return ToHostPath(path, &host) &&
           std::filesystem::is_symlink(std::filesystem::symlink_status(host, error));
}

bool DeleteLinkAt(std::wstring_view path) {
    std::filesystem::path host;
    std::error_code error;
    if (!ToHostPath(path, &host) ||
        !std::filesystem::is_symlink(std::filesystem::symlink_status(host, error))) {
        return false;
    }
    return std::filesystem::remove(host, error);
}

} // namespace platform
