// The sixteen string tables, read through the lookups: completeness, the texts each language
// keeps in English, the leading blanks of the shortcut descriptions, the placeholder, and the
// family web host at the end of texts 41 and 42.
#include "tests/i18n/LanguageFixture.h"

#include "app/BuildConfig.h"
#include "app/TextConv.h"

#include <set>

namespace {

using i18n_testing::CapturedLog;
using i18n_testing::LanguageTest;
using testing_support::ScopedRoot;

// A name that no table text contains, so that its presence shows where the placeholder was.
constexpr const wchar_t* kMarker = L"<product>";

enum class Blanks {
    None,       // no text begins with a blank
    Translated, // 35 to 38 are translations with a leading blank
    English,    // 35 to 38 are the English texts with a leading blank
};

struct TableCase {
    const char* name;
    uint16_t languageId;
    const char* logName;
    std::set<int> englishIds; // ids whose text is the English text unchanged
    Blanks blanks;
};

std::set<int> Range(int first, int last, std::set<int> more = {}) {
    for (int id = first; id <= last; ++id) {
        more.insert(id);
    }
    return more;
}

const std::vector<TableCase>& TableCases() {
    static const std::vector<TableCase> cases = {
        {"English", 0x0409, "EN", Range(0, 48), Blanks::None},
        {"Spanish", 0x0C0A, "SPANISH(XiBanYa)", {20, 21, 33, 42, 48}, Blanks::Translated},
        {"ChineseTraditional", 0x0404, "ZH(FanTi)", {21, 48}, Blanks::None},
        {"ChineseSimplified", 0x0804, "CHS(JianTi)", {21, 48}, Blanks::None},
        {"Japanese", 0x0411, "JP(RiBen)", {11, 48}, Blanks::None},
        {"French", 0x040C, "FR(FaGuo)", {11, 21, 48}, Blanks::Translated},
        {"German", 0x0407, "DE(DeGuo)", {11, 21, 33, 37, 48}, Blanks::None},
        {"Russian", 0x0419, "RU(ErLuoSi)", {11, 21, 32, 33, 34, 42, 48}, Blanks::English},
        {"Czech", 0x0405, "CZ(JieKe)", {11, 21, 33, 37, 42, 46, 48}, Blanks::None},
        {"Hungarian", 0x040E, "HU(XiongYaLi)", Range(39, 46, {11, 21, 32, 33, 48}),
         Blanks::English},
        {"Italian", 0x0410, "IT(YiDaLi)", {11, 20, 21, 33, 40, 42, 48}, Blanks::Translated},
        {"Dutch", 0x0413, "NL(HeLan)", Range(39, 46, {21, 32, 33, 48}), Blanks::English},
        {"Norwegian", 0x0414, "NO(NuoWei)", Range(39, 46, {11, 21, 32, 33, 48}), Blanks::English},
        {"Polish", 0x0415, "PL(BoLan)", {11, 21, 32, 33, 42, 48}, Blanks::English},
        {"Portuguese", 0x0416, "PT(PuTaoYa)", {11, 21, 32, 33, 42, 48}, Blanks::English},
        {"Swedish", 0x041D, "SVE(RuiDian)", Range(39, 46, {11, 21, 32, 33, 48}), Blanks::English},
    };
    return cases;
}

// All 49 texts of a language with kMarker in place of the placeholder.
std::vector<std::wstring> TextsOf(uint16_t languageId) {
    InitLanguage(nullptr, languageId);
    std::vector<std::wstring> texts;
    for (int id = 0; id < kUiTextCount; ++id) {
        texts.push_back(GetUiTextFor(id, kMarker));
    }
    return texts;
}

bool IsShortcutSuffix(int id) {
    return id >= 35 && id <= 38;
}

bool HasPlaceholder(int id, bool english) {
    switch (id) {
    case 9:
    case 10:
    case 32:
    case 33:
    case 46:
    case 47:
        return true;
    case 13:
        return !english; // the English text names a product of its own
    default:
        return false;
    }
}

TEST_F(LanguageTest, EveryTableKeepsItsPeculiarities) {
    ScopedRoot root;
    const std::vector<std::wstring> english = TextsOf(0x0409);
    const std::wstring hostEnding = AnsiToWide(build::kFamilyWebHost) + L".";

    for (const TableCase& table : TableCases()) {
        SCOPED_TRACE(table.name);
        CapturedLog::Clear();
        const std::vector<std::wstring> texts = TextsOf(table.languageId);
        EXPECT_EQ(CapturedLog::LinesStartingWith("Language is"),
                  std::vector<std::string>{"Language is " + std::string(table.logName) +
                                           ", id = " + std::to_string(table.languageId)});
        const bool isEnglish = table.englishIds.size() == static_cast<size_t>(kUiTextCount);

        for (int id = 0; id < kUiTextCount; ++id) {
            SCOPED_TRACE(id);
            const std::wstring& text = texts[static_cast<size_t>(id)];
            const std::wstring& base = english[static_cast<size_t>(id)];
            ASSERT_NE(text, L"UnKnow");
            ASSERT_FALSE(text.empty());

            if (table.englishIds.contains(id)) {
                EXPECT_EQ(text, base) << "kept in English";
            } else if (IsShortcutSuffix(id) && table.blanks == Blanks::English) {
                EXPECT_EQ(text, L" " + base);
            } else {
                EXPECT_NE(text, base) << "translated";
            }

            const bool leadingBlank = IsShortcutSuffix(id) && table.blanks != Blanks::None;
            EXPECT_EQ(text.front() == L' ', leadingBlank);
            if (leadingBlank) {
                EXPECT_NE(text[1], L' ');
            }
            EXPECT_NE(text.back(), L' ');

            EXPECT_EQ(text.find(kMarker) != std::wstring::npos, HasPlaceholder(id, isEnglish));
            EXPECT_EQ(text.find(L"__PRODUCT_NAME__"), std::wstring::npos);

            if (id == 41 || id == 42) {
                EXPECT_TRUE(text.ends_with(hostEnding)) << "ends with the family web host";
                EXPECT_GT(text.size(), hostEnding.size() + 10);
            }
        }
    }
}

// Sixteen languages, sixteen different tables.
TEST_F(LanguageTest, TablesAreDistinct) {
    ScopedRoot root;
    std::set<std::vector<std::wstring>> tables;
    for (const TableCase& table : TableCases()) {
        tables.insert(TextsOf(table.languageId));
    }
    EXPECT_EQ(tables.size(), TableCases().size());
}

// The English texts the rest of the program names by id and wording.
TEST_F(LanguageTest, EnglishTextsAsTheProgramNamesThem) {
    ScopedRoot root;
    InitLanguage(L"Kelto Clipwave Converter Pro", 0x0409);
    EXPECT_EQ(GetUiText(0), L"Click to Install");
    EXPECT_EQ(GetUiText(11), L"OK");
    EXPECT_EQ(GetUiText(13), L"Cannot proceed with the installation as Tessaro is already "
                             L"running. Please close it to try again or force close.");
    EXPECT_EQ(GetUiText(28), L"Windows XP is not suppoeted anymore.");
    EXPECT_EQ(GetUiText(33), L"Kelto Clipwave Converter Pro currently works on 64-bit Windows "
                             L"OS only.");
    EXPECT_EQ(GetUiText(35), L"Uninstall Application");
    EXPECT_EQ(GetUiText(41), L"Download failed, please retry or download the offline installer "
                             L"from " +
                                 AnsiToWide(build::kFamilyWebHost) + L".");
    EXPECT_EQ(GetUiText(42), L"The Online Installer is out of date, please download the latest "
                             L"version at " +
                                 AnsiToWide(build::kFamilyWebHost) + L".");
    EXPECT_EQ(GetUiText(46), L"Kelto Clipwave Converter Pro Online");
    EXPECT_EQ(GetUiText(48), L"Launch");
}

// Portuguese lists 39 and 40 twice, first in English: the later, translated entry counts.
TEST_F(LanguageTest, LaterEntryOfAnIdWins) {
    ScopedRoot root;
    InitLanguage(nullptr, 0x0416);
    EXPECT_EQ(GetUiText(40), L"Reiniciar agora");
    EXPECT_EQ(GetUiText(39).find(L"You must restart"), std::wstring::npos);
}

} // namespace
