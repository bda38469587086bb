#include "app/Log.h"
#include "tests/common/ScopedRoot.h"

#include <atomic>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using testing_support::ReadHostFile;
using testing_support::ScopedRoot;

namespace {

constexpr wchar_t kLogPath[] =
    L"C:\\Users\\u\\Documents\\Kelto Clipwave Converter Pro\\Log\\install.log";
constexpr char kHeader[] = "\r\n\r\n----------------------------------------\r\n"
                           "00:00:00 : Init Log OK.\r\n";

std::atomic<int> g_heard{0};
std::string g_lastHeard;

int Listener(const char* text) {
    g_lastHeard = text;
    return ++g_heard;
}

// The log is a process-wide object, so this test runs first: a write before ILog::Init makes no
// file, and the listener hears it all the same.
TEST(InstallLog, AWriteBeforeInitMakesNoFile) {
    ScopedRoot root("[system]\nuser=u\n");
    ILog::Instance().SetListener(Listener);
    EXPECT_EQ(LogFormat("early %d", 1), 1);
    EXPECT_EQ(g_lastHeard, "early 1");
    EXPECT_FALSE(std::filesystem::exists(ScopedRoot::Host(kLogPath)));
    ILog::Instance().SetListener(nullptr);
    EXPECT_EQ(LogFormat("no listener"), 0);
}

TEST(InstallLog, HeaderStampsAndLineBreaksAsStoredOnDisk) {
    ScopedRoot root("[system]\nuser=u\n");
    ASSERT_EQ(ILog::Instance().Init(kLogPath), 1); // creates the missing Log folder
    LogFormat("Setup Init. Version %s", "1.0.6.0");
    LogFormat("Test Mode : true\n");
    ILog::Instance().ShiftStartForTesting(3'725'000);
    LogFormat("later");
    ILog::Instance().ShiftStartForTesting(100u * 3600 * 1000);
    LogFormat("much later");
    ILog::Instance().Init(kLogPath); // a second run appends a second header
    LogFormat("second run");

    const std::string expected = std::string(kHeader) +
                                 "00:00:00 : Setup Init. Version 1.0.6.0\r\n"
                                 "00:00:00 : Test Mode : true\r\n\r\n"
                                 "01:02:05 : later\r\n"
                                 "101:02:05 : much later\r\n" +
                                 kHeader + "00:00:00 : second run\r\n";
    EXPECT_EQ(ReadHostFile(ScopedRoot::Host(kLogPath)), expected);
}

TEST(InstallLog, LongMessagesAreCutTo12999Bytes) {
    ScopedRoot root("[system]\nuser=u\n");
    ILog::Instance().Init(kLogPath);
    const std::string message(20000, 'm');
    LogFormat("%s", message.c_str());
    const std::string content = ReadHostFile(ScopedRoot::Host(kLogPath));
    const std::string expected =
        std::string(kHeader) + "00:00:00 : " + std::string(12999, 'm') + "\r\n";
    EXPECT_EQ(content, expected);
}

TEST(InstallLog, ConcurrentWritersLoseNoLine) {
    ScopedRoot root("[system]\nuser=u\n");
    ILog::Instance().Init(kLogPath);
    constexpr int kThreads = 8;
    constexpr int kLines = 1000;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < kLines; ++i) {
                LogFormat("thread %d line %d", t, i);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::istringstream lines(ReadHostFile(ScopedRoot::Host(kLogPath)));
    std::multiset<std::string> seen;
    std::string line;
    while (std::getline(lines, line)) {
        const auto at = line.find(" : thread ");
        if (at != std::string::npos) {
            seen.insert(line.substr(at + 3));
        }
    }
    EXPECT_EQ(seen.size(), static_cast<size_t>(kThreads * kLines));
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kLines; ++i) {
            const std::string text =
                "thread " + std::to_string(t) + " line " + std::to_string(i) + "\r";
            ASSERT_EQ(seen.count(text), 1u) << text;
        }
    }
}

} // namespace
