#include "app/DiskPaths.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>

using testing_support::ScopedRoot;

namespace {

TEST(CreateDirectoryTree, EveryFolderBeforeEachBackslash) {
    struct Case {
        const wchar_t* path;
        const char* deepest; // below drive_c
    } cases[] = {
        {L"C:\\A\\B", "A/B"},
        {L"C:\\A\\B\\", "A/B"},
        {L"C:\\A\\B\\\\C", "A/B/C"},
    };
    for (const auto& c : cases) {
        ScopedRoot root;
        EXPECT_EQ(CreateDirectoryTree(c.path), 1);
        EXPECT_TRUE(std::filesystem::is_directory(root.Folder() / "drive_c" / c.deepest)) << c.path;
        EXPECT_EQ(CreateDirectoryTree(c.path), 1); // existing folders are not an error
    }
}

TEST(CreateDirectoryTree, LimitsAndMissingDrives) {
    ScopedRoot root;
    std::wstring tooLong = L"C:\\";
    tooLong.append(258, L'x'); // 261 characters
    EXPECT_EQ(CreateDirectoryTree(tooLong), 0);
    EXPECT_EQ(CreateDirectoryTree(L"C:\\Short\\" + std::wstring(300, L'y')), 0);
    EXPECT_FALSE(std::filesystem::exists(root.Folder() / "drive_c/Short"));
    EXPECT_EQ(CreateDirectoryTree(L"Q:\\A\\B"), 1); // failures are ignored
    EXPECT_FALSE(std::filesystem::exists(root.Folder() / "Q:"));
}

TEST(DiskPaths, DocumentsPathAppendsAndCreates) {
    ScopedRoot root("[system]\nuser=bob\n");
    std::wstring path;
    GetDocumentsPath(path, L"Kelto Clipwave Converter Pro\\Log\\", L"install.log", true);
    EXPECT_EQ(path, L"C:\\Users\\bob\\Documents\\Kelto Clipwave Converter Pro\\Log\\install.log");
    EXPECT_TRUE(std::filesystem::is_directory(
        root.Folder() / "drive_c/Users/bob/Documents/Kelto Clipwave Converter Pro/Log"));
    GetDocumentsPath(path, L"", L"QorDebugConfig.ini", false);
    EXPECT_EQ(path, L"C:\\Users\\bob\\Documents\\QorDebugConfig.ini");
    GetDocumentsPath(path, L"Sub", nullptr, false);
    EXPECT_EQ(path, L"C:\\Users\\bob\\Documents\\Sub");
    EXPECT_FALSE(std::filesystem::exists(root.Folder() / "drive_c/Users/bob/Documents/Sub"));
}

TEST(DiskPaths, ProgramFilesByArchitectureAndPreference) {
    struct Case {
        const char* settings;
        bool prefer64Bit;
        const wchar_t* expected;
    } cases[] = {
        {"[system]\narchitecture=x64\n", true, L"C:\\Program Files\\Kelto"},
        {"[system]\narchitecture=x64\n", false, L"C:\\Program Files (x86)\\Kelto"},
        {"[system]\narchitecture=x86\n", true, L"C:\\Program Files\\Kelto"},
        {"[system]\narchitecture=x86\n", false, L"C:\\Program Files\\Kelto"},
    };
    for (const auto& c : cases) {
        ScopedRoot root(c.settings);
        wchar_t output[260] = {};
        EXPECT_EQ(GetProgramFilesPath(output, L"Kelto", false, c.prefer64Bit), 1);
        EXPECT_EQ(std::wstring(output), c.expected);
        EXPECT_FALSE(std::filesystem::exists(ScopedRoot::Host(output)));
        EXPECT_EQ(GetProgramFilesPath(output, L"Kelto\\", true, c.prefer64Bit), 1);
        EXPECT_TRUE(std::filesystem::is_directory(ScopedRoot::Host(output)));
    }
}

TEST(DiskPaths, PathAppendAndFreeSpace) {
    ScopedRoot root;
    std::wstring path = L"C:\\A";
    EXPECT_TRUE(PathAppend(path, L"\\B"));
    EXPECT_EQ(path, L"C:\\A\\B");
    EXPECT_TRUE(PathAppend(path, L""));
    EXPECT_EQ(path, L"C:\\A\\B");
    path = L"C:\\";
    EXPECT_TRUE(PathAppend(path, L"x"));
    EXPECT_EQ(path, L"C:\\x");
    EXPECT_FALSE(PathAppend(path, std::wstring(300, L'z')));
    EXPECT_EQ(path, L"C:\\x");

    EXPECT_GT(GetFreeMegabytes('C'), 0);
    EXPECT_GT(GetFreeMegabytes('c'), 0);
    EXPECT_EQ(GetFreeMegabytes('Q'), 0);
}

} // namespace
