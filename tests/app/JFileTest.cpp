#include "app/JFile.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>

using testing_support::ReadHostFile;
using testing_support::ScopedRoot;
using testing_support::WriteHostFile;

namespace {

TEST(JFile, FlagCombinations) {
    struct Case {
        unsigned flags;
        bool fileExists;
        bool opens;
        const char* contentAfterWritingAB; // null: nothing written
    } cases[] = {
        {0x201, true, true, nullptr},         // read bytes
        {0x201, false, false, nullptr},       // reading never creates
        {0x101, true, true, nullptr},         // read text
        {0x202, false, true, "A\nB"},         // write bytes, missing folders made
        {0x202, true, true, "A\nB"},          // write truncates
        {0x102, true, true, "A\r\nB"},        // write text: CR LF
        {0x103, true, true, "old\r\nA\r\nB"}, // read + write + text = append
        {0x103, false, true, "A\r\nB"},       {0x003, true, false, nullptr}, // "wr" is no mode
        {0x301, true, false, nullptr}, // text and bytes at once
        {0x200, true, false, nullptr}, // neither read nor write
        {0x000, true, false, nullptr},
    };
    for (const auto& c : cases) {
        ScopedRoot root;
        const std::wstring path = L"C:\\deep\\er\\file.txt";
        const auto host = ScopedRoot::Host(path);
        if (c.fileExists) {
            WriteHostFile(host, "old\r\n");
        }
        JFile file;
        EXPECT_EQ(file.Open(path, c.flags), c.opens) << std::hex << c.flags;
        EXPECT_EQ(file.IsOpen(), c.opens);
        if (c.contentAfterWritingAB != nullptr) {
            EXPECT_EQ(file.Write("A\nB", 3), 3);
            file.Close();
            EXPECT_EQ(ReadHostFile(host), c.contentAfterWritingAB) << std::hex << c.flags;
        }
        if (!c.opens && !c.fileExists) {
            EXPECT_FALSE(std::filesystem::exists(host));
        }
    }
}

TEST(JFile, ReadSeekLengthAndClosedFile) {
    ScopedRoot root;
    WriteHostFile(ScopedRoot::Host(L"C:\\f.bin"), "line1\r\nline2");
    JFile file;
    char buffer[32] = {};
    EXPECT_EQ(file.Read(buffer, 4), -1);
    EXPECT_EQ(file.Write(buffer, 4), -1);
    EXPECT_EQ(file.Seek(0), -1);
    EXPECT_EQ(file.Length(), -1);

    ASSERT_TRUE(file.Open(L"C:\\f.bin", 0x201));
    EXPECT_EQ(file.Read(buffer, 3), 3);
    EXPECT_EQ(file.Length(), 12);
    EXPECT_EQ(file.Read(buffer + 3, 2), 2); // the position survived Length
    EXPECT_EQ(std::string(buffer, 5), "line1");
    EXPECT_EQ(file.Seek(7), 0);
    EXPECT_EQ(file.Read(buffer, 32), 5);
    EXPECT_EQ(std::string(buffer, 5), "line2");

    // Reopening closes first; text mode reads CR LF back as one line break.
    ASSERT_TRUE(file.Open(L"C:\\f.bin", 0x101));
    EXPECT_EQ(file.Read(buffer, 32), 11);
    EXPECT_EQ(std::string(buffer, 11), "line1\nline2");
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Read(buffer, 1), -1);
}

} // namespace
