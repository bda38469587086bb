// Shared set-up of the localisation tests: a fresh emulated machine per test, the language state
// forgotten, and the install log's lines captured through the log listener.
#pragma once

#include "app/DiskPaths.h"
#include "app/Log.h"
#include "i18n/Language.h"
#include "platform/FileSystem.h"
#include "tests/common/LogCapture.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace i18n_testing {

using CapturedLog = testing_support::LogCapture;

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
    void SetUp() override { ResetLanguageForTesting(); }
    void TearDown() override { ResetLanguageForTesting(); }

    CapturedLog m_log;
};

} // namespace i18n_testing
