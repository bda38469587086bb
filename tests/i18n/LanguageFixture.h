// Shared set-up of the localisation tests: a fresh emulated machine per test, the language state
// forgotten, and the install log's lines captured through the log listener.
#pragma once

#include "app/DiskPaths.h"
#include "app/Log.h"
#include "i18n/Language.h"
#include "platform/FileSystem.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace i18n_testing {

// The lines that went to the install log while a LanguageTest ran.
class CapturedLog {
public:
    static void Start() {
        Clear();
        ILog::Instance().SetListener(&Receive);
    }
    static void Stop() { ILog::Instance().SetListener(nullptr); }
    static void Clear() {
        std::lock_guard lock(Mutex());
        Lines().clear();
    }
    // The captured lines that begin with prefix.
    static std::vector<std::string> LinesStartingWith(std::string_view prefix) {
        std::lock_guard lock(Mutex());
        std::vector<std::string> result;
        for (const std::string& line : Lines()) {
            if (line.starts_with(prefix)) {
                result.push_back(line);
            }
        }
        return result;
    }

private:
    static int Receive(const char* text) {
        std::lock_guard lock(Mutex());
        Lines().emplace_back(text);
        return 0;
    }
    static std::mutex& Mutex() {
        static std::mutex mutex;
        return mutex;
    }
    static std::vector<std::string>& Lines() {
        static std::vector<std::string> lines;
        return lines;
    }
};

// Writes Documents\QorDebugConfig.ini of the current root with the given content.
inline void WriteDebugConfig(std::string_view content) {
    std::wstring path;
    GetDocumentsPath(path, L"", L"QorDebugConfig.ini", true);
    std::filesystem::path host;
    ASSERT_TRUE(platform::ToHostPath(path, &host));
    testing_support::WriteHostFile(host, content);
}

// The system language of the emulated machine as its settings file states it.
inline std::string SystemLanguageSettings(unsigned languageId) {
    char text[64];
    std::snprintf(text, sizeof text, "[system]\nlanguage_id=0x%04X\n", languageId);
    return text;
}

class LanguageTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetLanguageForTesting();
        CapturedLog::Start();
    }
    void TearDown() override {
        CapturedLog::Stop();
        ResetLanguageForTesting();
    }
};

} // namespace i18n_testing
