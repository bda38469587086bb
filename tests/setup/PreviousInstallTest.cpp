// Traces of earlier installations on a fresh emulated machine per test: the registry's
// "InstallLocation", the uninstaller in the chosen folder and the per-user data folder.
#include "setup/PreviousInstall.h"

#include "install/UninstallRegistry.h"
#include "platform/SpecialFolders.h"
#include "tests/common/LogCapture.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>

#include <filesystem>

using testing_support::LogCapture;
using testing_support::ScopedRoot;

namespace {

PackageHeader Record(const std::string& rootName, bool is64Bit) {
    PackageHeader record = NewPackageHeader();
    SetHeaderText(record.rootName, rootName);
    record.is64Bit = is64Bit ? 1 : 0;
    return record;
}

class PreviousInstallTest : public ::testing::Test {
protected:
    void SetUp() override { g_updateOldVersion = false; }
    void TearDown() override { g_updateOldVersion = false; }

    // A folder of the emulated machine, created on the host.
    std::string MakeFolder(const std::wstring& windowsPath) {
        std::filesystem::create_directories(ScopedRoot::Host(windowsPath));
        return std::string(windowsPath.begin(), windowsPath.end());
    }

    ScopedRoot m_root{"[system]\nuser=tester\narchitecture=x64\n"};
    LogCapture m_log;
};

TEST_F(PreviousInstallTest, CleanMachineIsNew) {
    EXPECT_TRUE(IsNewInstall(false, Record("", false)));
    EXPECT_EQ(LogCapture::Lines(),
              (std::vector<std::string>{"Begin IsNewInstall : bHasOldVersion (0)\n",
                                        "Don't find install path for old version.\n"}));
    EXPECT_FALSE(g_updateOldVersion);
}

TEST_F(PreviousInstallTest, UninstallerInTheFolderDecidesWithoutTheRegistry) {
    const std::string folder = MakeFolder(L"C:\\Old\\Kelto");
    ASSERT_TRUE(WriteUninstallString("Kelto Clipwave Converter", "InstallLocation", folder));
    EXPECT_FALSE(IsNewInstall(true, Record("Kelto Clipwave Converter", false)));
    EXPECT_EQ(LogCapture::Lines(),
              (std::vector<std::string>{"Begin IsNewInstall : bHasOldVersion (1)\n",
                                        "IsNewInstall : bHasOldVersion(1).\n"}));
    EXPECT_FALSE(g_updateOldVersion);
}

TEST_F(PreviousInstallTest, EarlierInstallationElsewhereIsAnUpdate) {
    const std::string folder = MakeFolder(L"C:\\Old\\Kelto");
    ASSERT_TRUE(WriteUninstallString("Kelto Clipwave Converter", "InstallLocation", folder));
    EXPECT_FALSE(IsNewInstall(false, Record("Kelto Clipwave Converter", false)));
    EXPECT_EQ(LogCapture::Lines(),
              (std::vector<std::string>{"Begin IsNewInstall : bHasOldVersion (0)\n",
                                        "Find install path: (C:\\Old\\Kelto)\n",
                                        "IsNewInstall : bHasOldVersion(0).\n"}));
    EXPECT_TRUE(g_updateOldVersion);
}

TEST_F(PreviousInstallTest, RecordedFolderThatIsGoneStillMarksAnUpdateButNotOld) {
    ASSERT_TRUE(
        WriteUninstallString("Kelto Clipwave Converter", "InstallLocation", "C:\\Gone\\Kelto"));
    EXPECT_TRUE(IsNewInstall(false, Record("Kelto Clipwave Converter", false)));
    EXPECT_TRUE(g_updateOldVersion);
}

TEST_F(PreviousInstallTest, DataFolderOfAnEarlierUserIsNotNew) {
    std::wstring appData;
    ASSERT_TRUE(platform::GetSpecialFolderPath(platform::SpecialFolder::AppData, &appData));
    MakeFolder(appData + L"\\Kelto Clipwave Converter");
    EXPECT_FALSE(IsNewInstall(false, Record("", false)));
    EXPECT_EQ(LogCapture::Lines().back(), "IsNewInstall : appdata folder\n");
    EXPECT_FALSE(g_updateOldVersion);
}

TEST_F(PreviousInstallTest, OldInstallPathCases) {
    struct Case {
        const char* name;
        std::string keyName; // where the value is written; empty: nowhere
        std::string value;
        PackageHeader record;
        std::string expected;
    };
    const std::string long199(199, 'p');
    const Case cases[] = {
        {"199 characters are read", "Kelto Clipwave Converter", long199,
         Record("Kelto Clipwave Converter", false), long199},
        {"200 characters are not", "Kelto Clipwave Converter", std::string(200, 'p'),
         Record("Kelto Clipwave Converter", false), ""},
        {"an empty text is no path", "Kelto Clipwave Converter", "",
         Record("Kelto Clipwave Converter", false), ""},
        {"the 64-bit edition looks under (x64)", "Kelto Clipwave Converter(x64)", "C:\\X64",
         Record("Kelto Clipwave Converter", true), "C:\\X64"},
        {"the 64-bit edition ignores the 32-bit key", "Kelto Clipwave Converter", "C:\\X86",
         Record("Kelto Clipwave Converter", true), ""},
        {"the empty root name reads the Uninstall key itself", "", "C:\\Top", Record("", false),
         "C:\\Top"},
    };
    for (const Case& c : cases) {
        ScopedRoot root("[system]\nuser=tester\n");
        g_updateOldVersion = false;
        ASSERT_TRUE(WriteUninstallString(c.keyName.c_str(), "InstallLocation", c.value)) << c.name;
        EXPECT_EQ(GetOldInstallPath(c.record), c.expected) << c.name;
        EXPECT_EQ(g_updateOldVersion.load(), !c.expected.empty()) << c.name;
    }
    // Every lookup leaves the root key in place, as the key helper creates what it opens.
    ScopedRoot root("[system]\nuser=tester\n");
    EXPECT_EQ(GetOldInstallPath(Record("Kelto Clipwave Converter", true)), "");
    platform::RegistryKeyHandle key;
    EXPECT_EQ(
        platform::RegistryOpenKey(platform::RegistryRoot::LocalMachine,
                                  std::string(kUninstallKeyPath) + "Kelto Clipwave Converter(x64)",
                                  platform::kKeyRead, &key),
        platform::kErrorSuccess);
}

} // namespace
