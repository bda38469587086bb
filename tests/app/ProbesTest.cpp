#include "app/Probes.h"
#include "app/DiskPaths.h"
#include "app/Log.h"
#include "tests/common/LogCapture.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using testing_support::ScopedRoot;

namespace {

TEST(Probes, WindowsVersionSourcesAndTheirFallbacks) {
    struct Case {
        const char* settings;
        bool supported;
        std::vector<std::string> lines;
    } cases[] = {
        {"[windows]\nversion=10.0\n", true, {"Window Version : 10,0"}},
        {"[windows]\nversion=6.1\n", true, {"Window Version : 6,1"}},
        {"[windows]\nversion=6.0\n", false, {"Window Version : 6,0"}},
        {"[windows]\nversion=5.1\n", false, {"Window Version : 5,1"}},
        {"[windows]\nversion=6.1\nworkstation_service=0\n",
         true,
         {"First get window version failed. Do second method.", "Window Version : 6,1"}},
        {"[windows]\nversion=6.0\nworkstation_service=0\n",
         false,
         {"First get window version failed. Do second method.", "Window Version : 6,0"}},
        {"[windows]\nversion=10.0\nversion_ex=6.2\nworkstation_service=0\nnt_version_numbers=0\n",
         true,
         {"First get window version failed. Do second method.",
          "Second get window version failed. Do third method.", "Window Version : 6,2"}},
    };
    for (const auto& c : cases) {
        ScopedRoot root(c.settings);
        testing_support::LogCapture log;
        EXPECT_EQ(IsWindowsVersionSupported(), c.supported) << c.settings;
        EXPECT_EQ(log.Lines(), c.lines) << c.settings;
    }
}

TEST(Probes, ArchitectureVistaAndAdmin) {
    {
        ScopedRoot root("[system]\narchitecture=x64\n");
        EXPECT_TRUE(IsOs64Bit());
    }
    {
        ScopedRoot root("[system]\narchitecture=x86\n[windows]\nversion=6.0\n");
        EXPECT_FALSE(IsOs64Bit());
        EXPECT_TRUE(IsVistaOrLater());
    }
    {
        ScopedRoot root("[windows]\nversion=5.1\n");
        EXPECT_FALSE(IsVistaOrLater());
    }
    EXPECT_EQ(IsUserAdmin(), geteuid() == 0);
}

// Test mode latches for the whole process, so the whole sequence is one test.
TEST(Probes, TestModeLatchesOn) {
    ScopedRoot root("[system]\nuser=t\n");
    EXPECT_FALSE(IsTestMode()); // no settings file
    std::wstring path;
    GetDocumentsPath(path, L"", L"QorDebugConfig.ini", true);
    const auto host = ScopedRoot::Host(path);
    testing_support::WriteHostFile(host, "[root]\nsetup_test_mode=2\nshow_info_view=1\n");
    EXPECT_FALSE(IsTestMode());
    EXPECT_EQ(ReadDebugConfigInt(L"show_info_view"), 1);
    EXPECT_EQ(ReadDebugConfigInt(L"setup_test_language"), 0);
    testing_support::WriteHostFile(host, "[root]\nsetup_test_mode=1\n");
    EXPECT_TRUE(IsTestMode());
    std::filesystem::remove(host);
    EXPECT_TRUE(IsTestMode());
    EXPECT_EQ(ReadDebugConfigInt(L"setup_test_mode"), 0);
}

} // namespace
