// The version thread against a real nginx as the maker's download server (127.0.0.1, port 80):
// a version text is accepted only when it is longer than five characters and starts with '1';
// ten rejected answers leave the label at the subtitle. Each case ends within a bound.
#include "SetupFixture.h"

#include <fstream>

#include "app/ProductInfo.h"
#include "support/Servers.h"

namespace setup_testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kVersionPath =
    "setup/converter_Pro_kelto/version_kelto_clipwave_converter_pro";

int CountLines(const fs::path& file, const std::string& text) {
    std::ifstream in(file);
    std::string line;
    int count = 0;
    while (std::getline(in, line)) {
        count += line.find(text) != std::string::npos ? 1 : 0;
    }
    return count;
}

TEST_F(SetupWindowTest, VersionThreadAcceptsOnlyAVersionText) {
    const struct {
        std::string body;
        bool accepted;
    } cases[] = {{"1.0.0.123", true}, {"2.0.0.1", false}, {"1.0.0", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        testing_support::ServedFolder served;
        served.Write(kVersionPath, c.body);
        const fs::path accessLog = served.Path() / "access.log";
        testing_support::NginxServer nginx;
        std::string error;
        ASSERT_TRUE(nginx.Start(
            {{"127.0.0.1", served.Path(), "access_log " + accessLog.string() + ";", std::nullopt}},
            &error))
            << error;
        const auto start = std::chrono::steady_clock::now();
        Open();
        ASSERT_TRUE(m_dialog->WaitForVersionThreadForTesting(25000));
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(25));
        const std::wstring label = m_dialog->Controls().versionLabel->GetText();
        if (c.accepted) {
            EXPECT_EQ(label, L"1.0.0.123");
            m_dialog->OnPaint();
            platform::PumpMessages(60);
            platform::SaveWindowFrameAsPng(m_window,
                                           ArtifactPath("setup-ready-version.png").c_str());
            EXPECT_EQ(m_dialog->State().versionText.Get(), "1.0.0.123");
        } else {
            EXPECT_EQ(label, ProductInfo()->GetSubtitle());
            EXPECT_EQ(m_dialog->State().versionText.Get(), "");
        }
        nginx.Stop();
        EXPECT_EQ(CountLines(accessLog, kVersionPath), c.accepted ? 1 : 10);
        Close();
    }
}

} // namespace
} // namespace setup_testing
