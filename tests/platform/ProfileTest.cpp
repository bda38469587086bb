#include "platform/Profile.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>

using testing_support::ScopedRoot;

namespace {

TEST(PrivateProfile, IntegerValues) {
    ScopedRoot root;
    testing_support::WriteHostFile(ScopedRoot::Host(L"C:\\cfg.ini"),
                                   "\xEF\xBB\xBF; comment\r\n[Root]\r\none=1\r\ntwo = 2\r\n"
                                   "mixed=12abc\r\nword=abc\r\nempty=\r\nlead=  7\r\n"
                                   "negative=-1\r\n[other]\r\none=5\r\n");
    struct Case {
        const wchar_t* section;
        const wchar_t* key;
        int expected;
    } cases[] = {
        {L"root", L"one", 1},      {L"ROOT", L"ONE", 1},       {L"root", L"two", 2},
        {L"root", L"mixed", 12},   {L"root", L"word", 0},      {L"root", L"empty", 0},
        {L"root", L"lead", 7},     {L"root", L"negative", -1}, {L"other", L"one", 5},
        {L"root", L"missing", 42}, {L"nosection", L"one", 42},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(platform::GetPrivateProfileInt(c.section, c.key, 42, L"C:\\cfg.ini"), c.expected)
            << c.key;
    }
    EXPECT_EQ(platform::GetPrivateProfileInt(L"root", L"one", 42, L"C:\\missing.ini"), 42);
    EXPECT_EQ(platform::GetPrivateProfileInt(L"root", L"one", 42, L"Z:\\cfg.ini"), 42);
}

} // namespace
