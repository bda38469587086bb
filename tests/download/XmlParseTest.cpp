#include "download/XMLParse.h"

#include "app/Result.h"
#include "platform/FileSystem.h"
#include "tests/common/ScopedRoot.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct IntCase {
    const char* xml;
    const char* path;
    int ok;
    int value;
};

// GetInt over the attribute forms, the marker and the 32-bit range.
TEST(XmlParse, GetIntCases) {
    const IntCase cases[] = {
        {"<download size=\"1234\"/>", "download.size", 1, 1234},
        {"<download><url size=\" 7 \"/></download>", "download.url.size", 1, 7},
        {"<download size=\"abc\"/>", "download.size", 0, kMissingInt},
        {"<download size=\"12abc\"/>", "download.size", 0, kMissingInt},
        {"<download size=\"-9999999\"/>", "download.size", 0, kMissingInt},
        {"<download size=\"2147483647\"/>", "download.size", 1, 2147483647},
        {"<download size=\"2147483648\"/>", "download.size", 0, kMissingInt},
        {"<download size=\"5000000000\"/>", "download.size", 0, kMissingInt},
        {"<download size=\"\"/>", "download.size", 0, kMissingInt},
        {"<download size=\"5\"/>", "download.other", 0, kMissingInt},
        {"<download size=\"5\"/>", "download", 0, kMissingInt}, // no '.': no attribute form
        {"<download><size>5</size></download>", "download.size", 0, kMissingInt},
    };
    for (const IntCase& c : cases) {
        XMLParse xml;
        ASSERT_EQ(xml.LoadString(c.xml, strlen(c.xml)), 1) << c.xml;
        int value = 42;
        EXPECT_EQ(xml.GetInt(c.path, &value), c.ok) << c.xml << " " << c.path;
        EXPECT_EQ(value, c.value) << c.xml << " " << c.path;
    }
}

TEST(XmlParse, GetStringLeavesOutUnchangedOnFailure) {
    const std::string text = std::string("<download><hash><item_0 value=\"AB\"/><item_1 value=\"") +
                             kMissingString + "\"/></hash></download>";
    XMLParse xml;
    ASSERT_EQ(xml.LoadString(text.c_str(), text.size()), 1);
    std::string out = "unchanged";
    EXPECT_EQ(xml.GetString("download.hash.item_0.value", &out), 1);
    EXPECT_EQ(out, "AB");
    out = "unchanged";
    EXPECT_EQ(xml.GetString("download.hash.item_1.value", &out), 0);
    EXPECT_EQ(xml.GetString("download.hash.item_2.value", &out), 0);
    EXPECT_EQ(xml.GetString("nodot", &out), 0);
    EXPECT_EQ(out, "unchanged");
    float f = 1.5f;
    EXPECT_EQ(xml.GetFloat("download.hash.item_0.value", &f), 0);
    EXPECT_EQ(f, 1.5f);
}

TEST(XmlParse, BadDocumentsFailWithoutThrowing) {
    const char* bad[] = {"",
                         "   ",
                         "not xml at all",
                         "<download size=\"1\">",
                         "<a><b></a>",
                         "<?xml version=\"1.0\"?>"};
    for (const char* text : bad) {
        XMLParse xml;
        EXPECT_EQ(xml.LoadString(text, strlen(text)), 0) << text;
    }
    // Parsing stops at the first zero byte and never reads past length.
    const char withZero[] = "<a x=\"1\"/>\0garbage";
    XMLParse xml;
    EXPECT_EQ(xml.LoadString(withZero, sizeof withZero), 1);
    const char unterminated[4] = {'<', 'a', '/', '>'};
    EXPECT_EQ(xml.LoadString(unterminated, sizeof unterminated), 1);
    EXPECT_EQ(xml.LoadString(nullptr, 5), 0);
}

TEST(XmlParse, LoadedOnlyAfterLoadFile) {
    testing_support::ScopedRoot root;
    XMLParse xml;
    const char* text = "<download version=\"1\"/>";
    ASSERT_EQ(xml.LoadString(text, strlen(text)), 1);
    EXPECT_EQ(xml.IsLoaded(), 0);

    EXPECT_EQ(xml.LoadFile(L"C:\\missing\\file.cfg"), 0);
    EXPECT_FALSE(platform::PathExists(L"C:\\missing\\file.cfg"));
    EXPECT_FALSE(platform::PathExists(L"C:\\missing"));

    testing_support::WriteHostFile(root.Host(L"C:\\empty.cfg"), "");
    EXPECT_EQ(xml.LoadFile(L"C:\\empty.cfg"), 0);
    EXPECT_EQ(xml.IsLoaded(), 0);

    testing_support::WriteHostFile(root.Host(L"C:\\good.cfg"), "<download version=\"1\"/>");
    EXPECT_EQ(xml.LoadFile(L"C:\\good.cfg"), 1);
    EXPECT_EQ(xml.IsLoaded(), 1);
}

TEST(XmlParse, ListsAndTablesRoundTripThroughSaveAs) {
    testing_support::ScopedRoot root;
    XMLParse xml;
    ASSERT_EQ(xml.SetInt("config.limits.count", 3), 1);
    ASSERT_EQ(xml.SetString("config.names.title", "T"), 1);
    ASSERT_EQ(xml.AddStringList("config.words", {"alpha", "beta"}), 1);
    ASSERT_EQ(xml.AddFloatList("config.weights", {0.5f, 2.25f}), 1);
    EXPECT_EQ(xml.AddIntList("config.never", {1}), 1); // reports success, adds nothing
    ASSERT_EQ(xml.SetStringValue("config.rows", ""), 1);
    const std::map<int, std::string> columns = {{0, "name"}, {1, "size"}};
    ASSERT_EQ(xml.WriteTable("config.rows", columns, {{"a", "1"}, {"b", "2"}}), 0);
    EXPECT_EQ(xml.WriteTable("config.absent", columns, {}), kEFail);
    EXPECT_EQ(xml.SaveAs(L"C:\\out\\deep\\config.xml"), 1);

    const std::string saved =
        testing_support::ReadHostFile(root.Host(L"C:\\out\\deep\\config.xml"));
    EXPECT_NE(saved.find("encoding=\"utf-8\""), std::string::npos);
    EXPECT_NE(saved.find("\n\t<limits"), std::string::npos);

    XMLParse back;
    ASSERT_EQ(back.LoadFile(L"C:\\out\\deep\\config.xml"), 1);
    int count = 0;
    EXPECT_EQ(back.GetInt("config.limits.count", &count), 1);
    EXPECT_EQ(count, 3);
    std::vector<std::string> words;
    EXPECT_EQ(back.GetStringList("config.words", &words), 1);
    EXPECT_EQ(words, (std::vector<std::string>{"alpha", "beta"}));
    std::vector<float> weights;
    EXPECT_EQ(back.GetFloatList("config.weights", &weights), 1);
    EXPECT_EQ(weights, (std::vector<float>{0.5f, 2.25f}));
    std::vector<int> none = {9};
    EXPECT_EQ(back.GetIntList("config.never", &none), 0);
    std::vector<std::vector<std::string>> rows;
    EXPECT_EQ(back.ReadTable("config.rows", {{0, "name"}, {1, "size"}, {2, "x"}}, 3, "-", &rows),
              1);
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"a", "1", "-"}, {"b", "2", "-"}}));

    // A list whose children are not all <item key=...> stops at the first stranger.
    const char* mixed = "<l><item key=\"1\"/><other/><item key=\"3\"/></l>";
    ASSERT_EQ(back.LoadString(mixed, strlen(mixed)), 1);
    std::vector<int> ints;
    EXPECT_EQ(back.GetIntList("l", &ints), 0);
    EXPECT_EQ(ints, std::vector<int>{1});

    EXPECT_EQ(xml.SaveAs(L"Q:\\no\\drive.xml"), kEFail);
}

TEST(XmlParse, RemoveAndClone) {
    XMLParse xml;
    const char* text = "<a x=\"1\" y=\"2\"><b/><b/></a>";
    ASSERT_EQ(xml.LoadString(text, strlen(text)), 1);
    auto copy = xml.Clone();
    EXPECT_EQ(xml.RemoveAttr("a.x"), 1);
    EXPECT_EQ(xml.Remove("a.b"), 1);
    EXPECT_EQ(xml.Remove("a.nothing"), 1);
    int value = 0;
    EXPECT_EQ(xml.GetInt("a.x", &value), 0);
    EXPECT_EQ(xml.GetInt("a.y", &value), 1);
    EXPECT_EQ(xml.GetTree()->get_child("a").count("b"), 1u);
    EXPECT_EQ(copy->GetInt("a.x", &value), 1);
    EXPECT_EQ(copy->GetTree()->get_child("a").count("b"), 2u);
    EXPECT_EQ(xml.RemoveAttr("nodot"), 0);
}

} // namespace
