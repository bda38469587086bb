// The install sequence's steps that need no window: the package file's name and folder, the
// installation identifier, the hand-over parameters and the hand-over itself with real copies
// of the test product.
#include "setup/InstallSteps.h"

#include "app/TextConv.h"
#include "tests/common/LogCapture.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

using testing_support::LogCapture;
using testing_support::ReadHostFile;
using testing_support::ScopedRoot;

namespace {

TEST(PackageFileNameTest, VersionRule) {
    struct Case {
        std::string version;
        std::string expected;
    };
    const Case cases[] = {
        {"1.0.0.123", "KeltoClipwaveConverter_x86(1.0.0.12).exe"},
        {"1.0.0.12", "KeltoClipwaveConverter_x86.exe"}, // exactly 8: not appended
        {"1.2.3.45678", "KeltoClipwaveConverter_x86(1.2.3.45).exe"},
        {"1.0.100.5", "KeltoClipwaveConverter_x86(1.0.100.).exe"}, // cut after the dot
        {"", "KeltoClipwaveConverter_x86.exe"}, // the version file was unreachable
        // Texts from the server that are no version never reach the file name.
        {"1\\..\\..\\Startup\\x", "KeltoClipwaveConverter_x86.exe"},
        {"1.0/../../evil", "KeltoClipwaveConverter_x86.exe"},
        {"1.0.0.0 beta", "KeltoClipwaveConverter_x86.exe"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PackageFileName("KeltoClipwaveConverter_x86", c.version), c.expected)
            << c.version;
    }
}

TEST(PackageFolderTest, DownloadsBesideDocuments) {
    ScopedRoot root("[system]\nuser=tester\n");
    const std::wstring folder = PackageFolder(true);
    EXPECT_EQ(folder, L"C:\\Users\\tester\\Downloads\\Kelto Clipwave Converter");
    EXPECT_TRUE(std::filesystem::is_directory(ScopedRoot::Host(folder)));
}

TEST(InstallIdTest, Md5OfTheNextRandValuesInLowerCase) {
    // Reference digests of glibc's generator from seed 1 (the unseeded state), computed apart
    // from this code: 256 values as little-endian 32-bit integers through MD5.
    std::srand(1);
    EXPECT_EQ(MakeInstallId(), "d190c38bb70ff6048d9ecff40f5dc6d9");
    EXPECT_EQ(MakeInstallId(), "7b83e0f616a3d4dae2216557a9a1b056");
}

TEST(InstallParametersTest, Cases) {
    const std::string id = "0123456789abcdef0123456789abcdef";
    EXPECT_EQ(InstallParameters(true, id, true, 85),
              "/install /add_plan /ID:" + id + " /new  /time:85 ");
    EXPECT_EQ(InstallParameters(false, id, false, 1), "/install /ID:" + id + " /time:1 ");
    EXPECT_EQ(InstallParameters(false, "", false, 0), "/install");
    EXPECT_EQ(InstallParameters(true, "", true, 0), "/install /add_plan /new ");
}

// Copies of the test product under their own name in a folder of the emulated machine.
class HandOverTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_record = m_root.Folder() / "record.txt";
        setenv("KELTO_TESTPRODUCT_RECORD", m_record.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("KELTO_TESTPRODUCT_RECORD");
        unsetenv("KELTO_TESTPRODUCT_SLEEP_MS");
        unsetenv("KELTO_TESTPRODUCT_EXIT");
    }
    std::wstring Install(const std::wstring& name) {
        const std::wstring path = L"C:\\Apps\\HandOver\\" + name;
        const auto host = ScopedRoot::Host(path);
        std::filesystem::create_directories(host.parent_path());
        std::filesystem::copy_file(std::getenv("KELTO_TESTPRODUCT"), host);
        return path;
    }
    // The value of key in the record's lines.
    std::string Recorded(const std::string& key) {
        const std::string record = ReadHostFile(m_record);
        const size_t at = record.find("\n" + key + "=");
        if (at == std::string::npos) {
            return "<none>";
        }
        const size_t start = at + key.size() + 2;
        return record.substr(start, record.find('\n', start) - start);
    }

    ScopedRoot m_root{"[system]\nuser=tester\n"};
    LogCapture m_log;
    std::filesystem::path m_record;
};

TEST_F(HandOverTest, QuickProgramGetsTheParametersAndItsExitCodeIsLogged) {
    const std::wstring path = Install(L"handover-quick.exe");
    setenv("KELTO_TESTPRODUCT_EXIT", "7", 1);
    RunMainExeInstall(path, L"handover-quick.exe", "/install /ID:abc /new  /time:3 ");
    EXPECT_EQ(Recorded("argv[1]"), "/install");
    EXPECT_EQ(Recorded("argv[4]"), "/time:3");
    EXPECT_TRUE(Recorded("command_line").ends_with("\" /install /ID:abc /new  /time:3 "))
        << Recorded("command_line");
    const auto lines = LogCapture::Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "Run MainExe.exe /install");
    EXPECT_EQ(lines[1], "Run Install Params: /install /ID:abc /new  /time:3 .\n");
    EXPECT_TRUE(std::regex_match(lines[2], std::regex("Run main exe install : ExitCode\\(7\\), "
                                                      "nWaitCount\\((100|9[0-9])\\)\\.\n")))
        << lines[2];
}

TEST_F(HandOverTest, ProgramThatNeverEndsIsTerminatedAfterThePolls) {
    const std::wstring path = Install(L"handover-stuck.exe");
    setenv("KELTO_TESTPRODUCT_SLEEP_MS", "60000", 1);
    RunMainExeInstall(path, L"handover-stuck.exe", "/install", HandOverWait{20, 5});
    const auto lines = LogCapture::Lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[2], "Run main exe install : ExitCode(0), nWaitCount(95).\n");
    EXPECT_EQ(lines[3],
              "Run main exe install : still running after 5 polls of 20 ms, terminated.\n");
    const uint32_t pid = std::stoul(Recorded("pid"));
    // Ended, and reaped by the terminating handle: no process of that id is left.
    EXPECT_FALSE(std::filesystem::exists("/proc/" + std::to_string(pid)));
}

TEST_F(HandOverTest, MissingProgramIsLoggedAndSkipped) {
    RunMainExeInstall(L"C:\\Apps\\HandOver\\missing.exe", L"missing.exe", "/install");
    EXPECT_EQ(LogCapture::Lines(),
              (std::vector<std::string>{"Run MainExe.exe /install",
                                        "Run exe failed. main exe con't found\n."}));
    EXPECT_EQ(Recorded("program"), "<none>");
}

} // namespace
