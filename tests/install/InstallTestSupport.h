// Shared fixtures of the installation-service tests: a fresh platform root per test, host-side
// file helpers and archives made by the 7-Zip engine's own command line.
#pragma once

#include "platform/FileSystem.h"
#include "platform/Root.h"
#include "platform/Text.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace install_test {

namespace fs = std::filesystem;

// Points KELTO_ROOT at a new folder for the test and removes it afterwards.
class RootFixture : public ::testing::Test {
protected:
    void SetUp() override {
        m_scopedRoot = std::make_unique<testing_support::ScopedRoot>();
        m_root = m_scopedRoot->Folder();
        m_scratch = m_root / "scratch";
        fs::create_directories(m_scratch);
    }
    void TearDown() override { m_scopedRoot.reset(); }

    // The host path of a Windows path of the emulated machine.
    static fs::path Host(const std::wstring& windowsPath) {
        fs::path host;
        EXPECT_TRUE(platform::ToHostPath(windowsPath, &host)) << fs::path(windowsPath);
        return host;
    }

    std::unique_ptr<testing_support::ScopedRoot> m_scopedRoot;
    fs::path m_root;
    fs::path m_scratch; // host-only working space outside every drive
};

inline void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') {
            quoted += "'\\''";
        } else {
            quoted += c;
        }
    }
    return quoted + "'";
}

// Runs the engine's command line ("7z <arguments>") in a folder; true when it exits with 0.
inline bool SevenZip(const fs::path& folder, const std::vector<std::string>& arguments) {
    std::string command = "cd " + Quote(folder.string()) + " && 7z";
    for (const std::string& argument : arguments) {
        command += " " + Quote(argument);
    }
    command += " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

// Archives the content of folder (its entries, not the folder itself) into archive.
inline std::string MakeArchive(const fs::path& folder, const fs::path& archive,
                               std::vector<std::string> options = {}) {
    std::vector<std::string> arguments = {"a", "-snl", archive.string()};
    arguments.insert(arguments.end(), options.begin(), options.end());
    arguments.push_back("*");
    EXPECT_TRUE(SevenZip(folder, arguments));
    return ReadFile(archive);
}

} // namespace install_test
