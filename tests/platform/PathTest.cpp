#include "platform/FileSystem.h"
#include "platform/SpecialFolders.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>

using testing_support::ScopedRoot;

namespace {

struct MappingCase {
    const wchar_t* windowsPath;
    bool maps;
    const char* hostRelative; // below the root, when it maps
};

TEST(PathMapping, DriveLettersSeparatorsAndLimits) {
    ScopedRoot root("[drives]\nC=drive_c\nD=disk_d\n");
    const MappingCase cases[] = {
        {L"C:\\Users\\me\\Documents", true, "drive_c/Users/me/Documents"},
        {L"c:/Users/me", true, "drive_c/Users/me"},
        {L"C:\\", true, "drive_c"},
        {L"C:", true, "drive_c"},
        {L"C:\\A\\\\B\\.\\C\\", true, "drive_c/A/B/C"},
        {L"C:\\..\\..\\etc\\passwd", true, "drive_c/etc/passwd"}, // never above the drive
        {L"D:\\Apps\\x", true, "disk_d/Apps/x"},
        {L"E:\\Apps", false, nullptr}, // unmapped drive
        {L"Users\\me", false, nullptr},
        {L"C:relative", false, nullptr},
        {L"\\\\server\\share", false, nullptr},
        {L"", false, nullptr},
    };
    for (const auto& c : cases) {
        std::filesystem::path host;
        EXPECT_EQ(platform::ToHostPath(c.windowsPath, &host), c.maps) << c.windowsPath;
        if (c.maps) {
            EXPECT_EQ(host, (root.Folder() / c.hostRelative).lexically_normal()) << c.windowsPath;
        }
    }
}

TEST(PathMapping, TwoHundredSixtyCharacterLimit) {
    ScopedRoot root;
    std::filesystem::path host;
    std::wstring path = L"C:\\";
    path.append(platform::kMaxPath - 1 - path.size(), L'a'); // 259 characters
    EXPECT_TRUE(platform::ToHostPath(path, &host));
    path += L'a'; // 260: no room for the terminating zero
    EXPECT_FALSE(platform::ToHostPath(path, &host));
}

TEST(PathMapping, UnmappedDriveCannotHoldFolders) {
    ScopedRoot root("[drives]\nC=\n");
    EXPECT_FALSE(platform::CreateFolder(L"C:\\A"));
    std::wstring documents;
    EXPECT_FALSE(platform::GetSpecialFolderPath(platform::SpecialFolder::Documents, &documents));
}

TEST(PathMapping, ReverseMappingOfHostPaths) {
    ScopedRoot root("[drives]\nD=disk_d\n");
    EXPECT_EQ(platform::ToWindowsPath(root.Folder() / "drive_c" / "Users" / "x"), L"C:\\Users\\x");
    EXPECT_EQ(platform::ToWindowsPath(root.Folder() / "disk_d"), L"D:\\");
    EXPECT_EQ(platform::ToWindowsPath("/definitely/not/below/a/drive"), L"");
}

TEST(SpecialFolders, SkeletonFollowsTheArchitecture) {
    struct Case {
        const char* settings;
        const wchar_t* programFiles;
        bool hasProgramW6432;
    } cases[] = {
        {"[system]\narchitecture=x64\nuser=alice\n", L"C:\\Program Files (x86)", true},
        {"[system]\narchitecture=x86\nuser=alice\n", L"C:\\Program Files", false},
    };
    for (const auto& c : cases) {
        ScopedRoot root(c.settings);
        std::wstring path;
        ASSERT_TRUE(platform::GetSpecialFolderPath(platform::SpecialFolder::ProgramFiles, &path));
        EXPECT_EQ(path, c.programFiles);
        EXPECT_TRUE(std::filesystem::is_directory(ScopedRoot::Host(path)));
        std::wstring native;
        EXPECT_EQ(platform::GetEnvironmentValue(L"ProgramW6432", &native), c.hasProgramW6432);
        if (c.hasProgramW6432) {
            EXPECT_EQ(native, L"C:\\Program Files");
        }
        ASSERT_TRUE(platform::GetSpecialFolderPath(platform::SpecialFolder::Documents, &path));
        EXPECT_EQ(path, L"C:\\Users\\alice\\Documents");
        EXPECT_TRUE(std::filesystem::is_directory(root.Folder() / "drive_c/Users/alice/Documents"));
        ASSERT_TRUE(platform::GetSpecialFolderPath(platform::SpecialFolder::Programs, &path));
        EXPECT_EQ(path,
                  L"C:\\Users\\alice\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs");
        EXPECT_EQ(platform::GetTempFolder(), L"C:\\Users\\alice\\AppData\\Local\\Temp\\");
    }
}

TEST(FileServices, WindowsMeaningOfResults) {
    ScopedRoot root;
    EXPECT_TRUE(platform::CreateFolder(L"C:\\Data"));
    EXPECT_FALSE(platform::CreateFolder(L"C:\\Data")); // exists already
    EXPECT_FALSE(platform::CreateFolder(L"C:\\Missing\\Child"));
    platform::FilePtr file = platform::OpenFile(L"C:\\Data\\a.txt", "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("x", file.get());
    file.reset();
    EXPECT_TRUE(platform::PathExists(L"C:\\Data\\a.txt"));
    EXPECT_TRUE(std::filesystem::exists(root.Folder() / "drive_c/Data/a.txt"));
    std::vector<std::wstring> names;
    ASSERT_TRUE(platform::ListFolder(L"C:\\Data", &names));
    EXPECT_EQ(names, std::vector<std::wstring>{L"a.txt"});
    EXPECT_EQ(platform::OpenFile(L"C:\\Data", "rb"), nullptr);
    EXPECT_FALSE(platform::DeleteFileAt(L"C:\\Data"));
    EXPECT_TRUE(platform::DeleteFileAt(L"C:\\Data\\a.txt"));
    EXPECT_TRUE(platform::RemoveEmptyFolder(L"C:\\Data"));
    uint64_t freeBytes = 0;
    EXPECT_TRUE(platform::GetDiskFreeBytes(L"C:\\", &freeBytes));
    EXPECT_GT(freeBytes, 0u);
    EXPECT_FALSE(platform::GetDiskFreeBytes(L"Q:\\", &freeBytes));
}

} // namespace
