// Process control on real processes: copies of the test product under the product's names.
#include "install/ProductProcesses.h"

#include "InstallTestSupport.h"
#include "platform/Process.h"

#include <gmock/gmock.h>

#include <cstdio>
#include <fstream>

using namespace install_test;
using ::testing::ElementsAre;

namespace {

class ProcessTest : public RootFixture {
protected:
    // Installs the test product under a file name into a Windows folder and starts it; it runs
    // until it is ended (at most 30 s).
    platform::Process* Run(const std::wstring& folder, const std::wstring& name) {
        fs::path host = Host(folder);
        fs::create_directories(host);
        fs::path program = host / platform::WideToNarrow(name);
        if (!fs::exists(program)) {
            fs::copy_file(std::getenv("KELTO_TESTPRODUCT"), program);
        }
        setenv("KELTO_TESTPRODUCT_SLEEP_MS", "30000", 1);
        platform::StartRequest request;
        request.application = folder + L"\\" + name;
        request.commandLine = L"\"" + request.application + L"\"";
        auto process = platform::StartProcess(request);
        unsetenv("KELTO_TESTPRODUCT_SLEEP_MS");
        EXPECT_TRUE(process) << program;
        m_started.push_back(std::move(process));
        return m_started.back().get();
    }
    // Which of the processes have ended within a short wait.
    static std::vector<bool> Ended(const std::vector<platform::Process*>& processes) {
        std::vector<bool> ended;
        for (platform::Process* process : processes) {
            ended.push_back(process->Wait(2000));
        }
        return ended;
    }
    void TearDown() override {
        for (auto& process : m_started) {
            process->Terminate(0);
            process->Wait(2000);
        }
        RootFixture::TearDown();
    }

    const std::wstring m_install = L"C:\\Apps\\Kelto\\Kelto Clipwave Converter";
    // Every started copy, ended when the test ends.
    std::vector<std::unique_ptr<platform::Process>> m_started;
};

TEST_F(ProcessTest, OneCloseEndsTwoOfThreeCopies) {
    auto first = Run(m_install, L"Kelto Clipwave Converter.exe");
    auto second = Run(m_install, L"Kelto Clipwave Converter.exe");
    auto third = Run(m_install, L"Kelto Clipwave Converter.exe");
    uint32_t found = 0;
    ASSERT_TRUE(FindProcessByName(L"kelto clipwave converter.EXE", &found));
    EXPECT_EQ(found, first->Id()); // the walk is in process-id order

    CloseProductProcesses(m_install);
    std::vector<bool> ended = Ended({first, second});
    EXPECT_THAT(ended, ElementsAre(true, true));
    EXPECT_FALSE(third->Wait(300));
    ASSERT_TRUE(FindProcessByName(L"Kelto Clipwave Converter.exe", &found));
    EXPECT_EQ(found, third->Id());

    CloseProductProcesses(m_install);
    EXPECT_TRUE(third->Wait(2000));
    EXPECT_FALSE(FindProcessByName(L"Kelto Clipwave Converter.exe", &found));
    uint32_t code = 99;
    ASSERT_TRUE(third->GetExitCode(&code));
    EXPECT_EQ(code, 0u);
}

TEST_F(ProcessTest, NamesCompareWithoutCaseButWhole) {
    auto otherCase = Run(m_install, L"KELTO clipwave CONVERTER64.exe");
    auto longer = Run(m_install, L"My Kelto Clipwave Converter.exe");
    auto suffixed = Run(m_install, L"KeltoUpdate.exe.old");
    CloseProductProcesses(m_install);
    EXPECT_TRUE(otherCase->Wait(2000));
    EXPECT_FALSE(longer->Wait(300));
    EXPECT_FALSE(suffixed->Wait(0));
    EXPECT_FALSE(KillProcessByName(L"Kelto Clipwave Converter.exe"));
}

TEST_F(ProcessTest, TheSharedHelperEndsOnlyInsideTheInstallation) {
    auto foreign = Run(L"C:\\Program Files\\Other Vendor", L"QtWebEngineProcess.exe");
    auto ours = Run(m_install, L"QtWebEngineProcess.exe");
    CloseProductProcesses(L"C:\\Apps\\Kelto");
    EXPECT_TRUE(ours->Wait(2000));
    EXPECT_FALSE(foreign->Wait(300));
    // Without a known installation folder no helper is ended at all.
    auto again = Run(m_install, L"QtWebEngineProcess.exe");
    CloseProductProcesses(L"");
    EXPECT_FALSE(again->Wait(300));
    EXPECT_FALSE(foreign->Wait(0));
}

TEST_F(ProcessTest, SnapshotsAndExitCodes) {
    std::vector<platform::ProcessEntry> entries;
    ASSERT_TRUE(platform::SnapshotProcesses(&entries));
    ASSERT_GT(entries.size(), 1u);
    EXPECT_EQ(entries[0].processId, 0u);
    EXPECT_EQ(entries[0].exeFile, L"[System Process]");
    bool self = false;
    for (const auto& entry : entries) {
        self = self || entry.processId == platform::CurrentProcessId();
    }
    EXPECT_TRUE(self);

    fs::path host = Host(m_install);
    fs::create_directories(host);
    fs::copy_file(std::getenv("KELTO_TESTPRODUCT"), host / "uninstall.exe");
    setenv("KELTO_TESTPRODUCT_EXIT", "7", 1);
    platform::StartRequest request;
    request.application = m_install + L"\\uninstall.exe";
    request.commandLine = L"\"" + request.application + L"\" /SILENT";
    auto process = platform::StartProcess(request);
    unsetenv("KELTO_TESTPRODUCT_EXIT");
    ASSERT_TRUE(process);
    ASSERT_TRUE(process->Wait(5000));
    uint32_t code = 0;
    ASSERT_TRUE(process->GetExitCode(&code));
    EXPECT_EQ(code, 7u);

    auto running = Run(m_install, L"KeltoCore.exe");
    ASSERT_TRUE(running->GetExitCode(&code));
    EXPECT_EQ(code, platform::kStillActive);
    auto opened = platform::OpenProcess(running->Id());
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->Terminate(5));
    EXPECT_TRUE(opened->Wait(2000));
    ASSERT_TRUE(opened->GetExitCode(&code));
    EXPECT_EQ(code, 5u);
    EXPECT_TRUE(running->Wait(2000));
    EXPECT_FALSE(platform::OpenProcess(running->Id()));
    EXPECT_FALSE(platform::OpenProcess(0));

    request.application = L"C:\\Apps\\missing.exe";
    EXPECT_FALSE(platform::StartProcess(request));
}

// A process found by a snapshot ends and its id goes to an innocent process (forced here through
// the kernel's last-id counter) before the kill: the innocent one must survive.
TEST_F(ProcessTest, AFoundProcessIsEndedOnlyIfItIsStillTheSameProcess) {
    std::vector<platform::ProcessEntry> entries;
    auto entryOf = [&](uint32_t id) {
        EXPECT_TRUE(platform::SnapshotProcesses(&entries));
        for (const platform::ProcessEntry& entry : entries) {
            if (entry.processId == id) {
                return entry;
            }
        }
        return platform::ProcessEntry{};
    };
    // The process as found is opened while it runs.
    auto live = Run(m_install, L"KeltoCore.exe");
    auto opened = platform::OpenProcessAsFound(entryOf(live->Id()));
    ASSERT_TRUE(opened);
    EXPECT_TRUE(opened->Terminate(0));
    EXPECT_TRUE(live->Wait(2000));

    int forced = 0, innocentsEnded = 0;
    for (int round = 0; round < 60; ++round) {
        auto found = Run(m_install, L"KeltoCore.exe");
        const platform::ProcessEntry stale = entryOf(found->Id());
        ASSERT_EQ(stale.processId, found->Id());
        found->Terminate(0);
        ASSERT_TRUE(found->Wait(2000));
        std::ofstream("/proc/sys/kernel/ns_last_pid") << stale.processId - 1;
        auto innocent = Run(L"C:\\Other", L"KeltoCore.exe");
        if (innocent->Id() != stale.processId) {
            continue; // another process took the id first: no reuse this round
        }
        ++forced;
        if (auto reopened = platform::OpenProcessAsFound(stale)) {
            reopened->Terminate(0);
        }
        uint32_t code = 0;
        innocent->GetExitCode(&code);
        innocentsEnded += code != platform::kStillActive || innocent->Wait(50);
    }
    std::printf("process id reuse forced in %d of 60 rounds\n", forced);
    if (forced == 0) {
        GTEST_SKIP() << "process id reuse could not be forced on this machine";
    }
    EXPECT_EQ(innocentsEnded, 0) << "in " << forced << " rounds with a reused id";
}

TEST(CommandLineTest, SplitsTheWayTheRuntimeDoes) {
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> arguments;
    };
    const std::vector<Case> cases = {
        {L"\"C:\\Program Files\\a.exe\" --installmode",
         {L"C:\\Program Files\\a.exe", L"--installmode"}},
        {L"a.exe /install /add_plan /ID:abc /new  /time:85 ",
         {L"a.exe", L"/install", L"/add_plan", L"/ID:abc", L"/new", L"/time:85"}},
        {L"a.exe \"two words\" x\"y z\"w", {L"a.exe", L"two words", L"xy zw"}},
        {L"a.exe a\\\\\"b c\" d\\e", {L"a.exe", L"a\\b c", L"d\\e"}},
        {L"a.exe \\\"quoted\\\"", {L"a.exe", L"\"quoted\""}},
        {L"\"C:\\dir\\\" x", {L"C:\\dir\\", L"x"}},
        {L"", {}},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(platform::SplitCommandLine(test.line), test.arguments) << fs::path(test.line);
    }
}

} // namespace
