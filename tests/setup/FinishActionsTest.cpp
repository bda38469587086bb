// The welcome page for a new user and the finish command's log, with a page opener that
// records what it is handed.
#include "setup/FinishActions.h"

#include "app/BuildConfig.h"
#include "app/TextConv.h"
#include "setup/PreviousInstall.h"
#include "tests/common/LogCapture.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>

using testing_support::LogCapture;
using testing_support::ScopedRoot;

namespace {

class FinishActionsTest : public ::testing::Test {
protected:
    void SetUp() override { g_updateOldVersion = false; }
    void TearDown() override { g_updateOldVersion = false; }

    WebPageOpener Recorder() {
        return [this](const std::wstring& address) { m_opened.push_back(address); };
    }

    ScopedRoot m_root{"[system]\nuser=tester\n"};
    LogCapture m_log;
    std::vector<std::wstring> m_opened;
};

TEST_F(FinishActionsTest, AddressCarriesTheChannelTextAsSource) {
    const std::wstring host = AnsiToWide(build::kWebHost);
    EXPECT_EQ(FinishPageAddress(L"partner.example"),
              L"https://" + host +
                  L"/?install=converter_pro&source=partner.example&status=install_complete");
    EXPECT_EQ(FinishPageAddress(L""),
              L"https://" + host + L"/?install=converter_pro&source=&status=install_complete");
}

TEST_F(FinishActionsTest, NewUserGetsThePageOnce) {
    ShowFinishWebPage(true, false, L"partner.example", Recorder());
    ASSERT_EQ(m_opened.size(), 1u);
    EXPECT_EQ(m_opened[0], FinishPageAddress(L"partner.example"));
    EXPECT_EQ(
        LogCapture::Lines(),
        (std::vector<std::string>{
            "ShowFinishWebPage bHasOldVersion(0), bNewFlag(1), g_updateOldVersion(0)",
            "New flag : New New New, OldVersion : FALSE", "ShowFinishWebPage : bNewFlag.\n"}));
}

TEST_F(FinishActionsTest, KnownUserGetsNoPage) {
    g_updateOldVersion = true;
    ShowFinishWebPage(false, true, L"partner.example", Recorder());
    EXPECT_TRUE(m_opened.empty());
    EXPECT_EQ(LogCapture::Lines(),
              (std::vector<std::string>{
                  "ShowFinishWebPage bHasOldVersion(1), bNewFlag(0), g_updateOldVersion(1)",
                  "New flag : friend, OldVersion : TRUE"}));
}

TEST_F(FinishActionsTest, NothingCheckedOnlyLogsAndCloses) {
    FinishChoice choice;
    choice.launchConverter = false;
    choice.launchDownloader = false;
    RunFinishLaunches(choice);
    EXPECT_EQ(LogCapture::Lines(),
              (std::vector<std::string>{"OnBtnInstall(AfterInstall)", "Finish and Close Setup!"}));
}

TEST_F(FinishActionsTest, SixtyFourBitEditionStartsTheSixtyFourBitPrograms) {
    FinishChoice choice;
    choice.is64Bit = true;
    RunFinishLaunches(choice);
    const auto converter = LogCapture::LinesStartingWith("Run Converter!!! ");
    const auto downloader = LogCapture::LinesStartingWith("Run Downloader!!! ");
    ASSERT_EQ(converter.size(), 1u);
    ASSERT_EQ(downloader.size(), 1u);
    EXPECT_TRUE(converter[0].ends_with("Kelto Clipwave Converter\\Kelto Clipwave Converter64.exe"))
        << converter[0];
    EXPECT_TRUE(
        downloader[0].ends_with("Kelto Clipwave Downloader\\Kelto Clipwave Downloader64.exe"))
        << downloader[0];
    EXPECT_EQ(LogCapture::Lines().back(), "Finish and Close Setup!");
}

} // namespace
