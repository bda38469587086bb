#include "app/Md5.h"
#include "app/TextConv.h"
#include "tests/common/ScopedRoot.h"

#include <cstring>
#include <gtest/gtest.h>

using testing_support::ScopedRoot;

namespace {

TEST(Md5, KnownDigestsInBothRenderings) {
    struct Case {
        const char* text;
        const char* lower;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Md5HexLower(c.text, std::strlen(c.text)), c.lower);
        std::string upper = c.lower;
        for (char& ch : upper) {
            ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        }
        EXPECT_EQ(Md5HexUpper(c.text, std::strlen(c.text)), upper);
    }
}

TEST(Md5, WholeFile) {
    ScopedRoot root;
    testing_support::WriteHostFile(ScopedRoot::Host(L"C:\\p.bin"), std::string("a\0\nbc", 5));
    Md5Digest digest{};
    ASSERT_TRUE(Md5OfFile(L"C:\\p.bin", &digest));
    EXPECT_EQ(digest, Md5Of("a\0\nbc", 5)); // bytes, no line-break translation
    EXPECT_FALSE(Md5OfFile(L"C:\\missing.bin", &digest));
}

TEST(TextConversions, RoundTripAndReplaceAll) {
    const std::wstring wide = L"Kelto \u00e9\u4e2d \u0416";
    EXPECT_EQ(AnsiToWide(WideToOem(wide)), wide);
    EXPECT_EQ(WideToAnsi(wide), WideToOem(wide));
    struct Case {
        const wchar_t* text;
        const wchar_t* from;
        const wchar_t* to;
        const wchar_t* expected;
    } cases[] = {
        {L"Install __PRODUCT_NAME__ now", L"__PRODUCT_NAME__", L"Kelto", L"Install Kelto now"},
        {L"__P__ and __P__", L"__P__", L"x", L"x and x"},
        {L"__P__", L"__P__", L"a__P__b", L"a__P__b"}, // inserted text is not expanded again
        {L"none", L"__P__", L"x", L"none"},
        {L"abc", L"", L"x", L"abc"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReplaceAll(c.text, c.from, c.to), c.expected);
    }
}

} // namespace
