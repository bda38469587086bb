#include "platform/Text.h"

#include <gtest/gtest.h>

namespace {

TEST(Text, RoundTripsAndInvalidInput) {
    const std::wstring wide = L"Kelto \u00e9\u4e2d\u6587 \U0001F600 \u0420\u0443\u0441";
    EXPECT_EQ(platform::NarrowToWide(platform::WideToNarrow(wide)), wide);
    EXPECT_EQ(platform::WideToNarrow(L"\u00e9"), "\xC3\xA9");
    // Truncated, overlong and surrogate sequences become U+FFFD, one per bad byte.
    EXPECT_EQ(platform::NarrowToWide("a\xC3"), L"a\uFFFD");
    EXPECT_EQ(platform::NarrowToWide("\xC0\xAF"), L"\uFFFD\uFFFD");
    EXPECT_EQ(platform::NarrowToWide("\xED\xA0\x80"), L"\uFFFD\uFFFD\uFFFD");
    EXPECT_TRUE(platform::EqualsNoCase(L"SOFTWARE\\\u00c9", L"software\\\u00e9"));
    EXPECT_TRUE(platform::EqualsNoCase(L"\u010c\u0416\u0178", L"\u010d\u0436\u00ff"));
    EXPECT_FALSE(platform::EqualsNoCase(L"abc", L"abd"));
}

} // namespace
