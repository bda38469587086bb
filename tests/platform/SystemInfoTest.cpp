#include "platform/SystemInfo.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>

using testing_support::ScopedRoot;

namespace {

TEST(SystemInfo, ArchitectureFromSettings) {
    struct Case {
        const char* settings;
        uint16_t native;
        uint16_t asSeenBy32Bit;
    } cases[] = {
        {"[system]\narchitecture=x64\n", platform::kProcessorArchitectureAmd64,
         platform::kProcessorArchitectureIntel},
        {"[system]\narchitecture=x86\n", platform::kProcessorArchitectureIntel,
         platform::kProcessorArchitectureIntel},
    };
    for (const auto& c : cases) {
        ScopedRoot root(c.settings);
        platform::SystemInfo info;
        platform::GetNativeSystemInfo(&info);
        EXPECT_EQ(info.processorArchitecture, c.native);
        EXPECT_GE(info.numberOfProcessors, 1u);
        platform::GetSystemInfo(&info);
        EXPECT_EQ(info.processorArchitecture, c.asSeenBy32Bit);
    }
}

TEST(SystemInfo, TheThreeVersionSources) {
    ScopedRoot root("[windows]\nversion=6.1\nbuild=7601\nversion_ex=6.2\n");
    uint32_t major = 0, minor = 0, build = 0;
    ASSERT_TRUE(platform::GetWorkstationVersion(&major, &minor));
    EXPECT_EQ(major, 6u);
    EXPECT_EQ(minor, 1u);
    ASSERT_TRUE(platform::GetNtVersionNumbers(&major, &minor, &build));
    EXPECT_EQ(build, 0xF0000000u | 7601u);
    platform::OsVersionInfo info;
    info.size = platform::kOsVersionInfoExSize;
    ASSERT_TRUE(platform::GetVersionEx(&info));
    EXPECT_EQ(info.majorVersion, 6u);
    EXPECT_EQ(info.minorVersion, 2u);
    info.size = 100;
    EXPECT_FALSE(platform::GetVersionEx(&info));

    root.SetSettings("[windows]\nworkstation_service=0\nnt_version_numbers=0\n");
    EXPECT_FALSE(platform::GetWorkstationVersion(&major, &minor));
    EXPECT_FALSE(platform::GetNtVersionNumbers(&major, &minor, &build));
    info.size = platform::kOsVersionInfoSize;
    ASSERT_TRUE(platform::GetVersionEx(&info));
    EXPECT_EQ(info.majorVersion, 10u); // the default emulated Windows
}

TEST(SystemInfo, LanguageIdFromLocaleAndSettings) {
    struct Case {
        const char* locale;
        uint16_t id;
    } cases[] = {
        {"de_DE.UTF-8", 0x0407}, {"de_AT", 0x0C07}, {"zh_TW.UTF-8", 0x0404},
        {"zh_CN", 0x0804},       {"pt_BR", 0x0416}, {"pt_PT", 0x0816},
        {"nb_NO.UTF-8", 0x0414}, {"nn_NO", 0x0814}, {"ca_ES@valencia", 0x0403},
        {"C.UTF-8", 0},          {"POSIX", 0},      {"xx_YY", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::LanguageIdFromLocale(c.locale), c.id) << c.locale;
    }
    ScopedRoot root("[system]\nlanguage_id=0x0411\n");
    EXPECT_EQ(platform::GetSystemDefaultLangId(), 0x0411);
}

TEST(SystemInfo, TickCountMovesForTests) {
    const uint32_t before = platform::GetTickCount();
    platform::AdvanceTickCountForTesting(3'600'000);
    const uint32_t after = platform::GetTickCount();
    platform::AdvanceTickCountForTesting(-3'600'000);
    EXPECT_GE(after - before, 3'600'000u);
    EXPECT_LT(after - before, 3'660'000u);
    platform::LocalTime now;
    platform::GetLocalTime(&now);
    EXPECT_GE(now.year, 2024);
    EXPECT_GE(now.month, 1);
    EXPECT_LE(now.month, 12);
}

} // namespace
