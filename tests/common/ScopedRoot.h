// A fresh platform root for one test: a new temporary folder in $KELTO_ROOT, an optional
// platform.ini, and the platform's cached root forgotten, so that every test starts on a new
// emulated machine. The folder is removed again when the object goes.
#pragma once

#include "platform/FileSystem.h"
#include "platform/Root.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <unistd.h>

namespace testing_support {

class ScopedRoot {
public:
    explicit ScopedRoot(std::string_view settings = {}) {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "kelto-root-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        m_folder = pattern;
        // Servers run as unprivileged workers may have to read below the root.
        std::filesystem::permissions(
            m_folder, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                          std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
                          std::filesystem::perms::others_exec);
        if (!settings.empty()) {
            std::ofstream(m_folder / "platform.ini", std::ios::binary) << settings;
        }
        setenv("KELTO_ROOT", m_folder.c_str(), 1);
        platform::ResetRootForTesting();
    }
    ~ScopedRoot() {
        platform::ResetRootForTesting();
        unsetenv("KELTO_ROOT");
        // A test may have taken the owner's rights away.
        std::error_code error;
        std::filesystem::permissions(m_folder, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
        std::filesystem::remove_all(m_folder, error);
    }
    ScopedRoot(const ScopedRoot&) = delete;
    ScopedRoot& operator=(const ScopedRoot&) = delete;

    const std::filesystem::path& Folder() const { return m_folder; }

    // Rewrites platform.ini and makes the platform read it again.
    void SetSettings(std::string_view settings) const {
        std::ofstream(m_folder / "platform.ini", std::ios::binary | std::ios::trunc) << settings;
        platform::ResetRootForTesting();
    }

    // The host path of a Windows path on this root (empty when it does not map).
    static std::filesystem::path Host(std::wstring_view windowsPath) {
        std::filesystem::path host;
        platform::ToHostPath(windowsPath, &host);
        return host;
    }

private:
    std::filesystem::path m_folder;
};

// The whole content of a host file as bytes; empty when it cannot be read.
inline std::string ReadHostFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteHostFile(const std::filesystem::path& file, std::string_view content) {
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    std::ofstream(file, std::ios::binary | std::ios::trunc) << content;
}

} // namespace testing_support
