// Language choice, the log line it writes, the caption widths, and the lookups around it.
#include "tests/i18n/LanguageFixture.h"

#include <array>
#include <optional>

namespace {

using i18n_testing::CapturedLog;
using i18n_testing::LanguageTest;
using i18n_testing::SystemLanguageSettings;
using i18n_testing::WriteDebugConfig;
using testing_support::ScopedRoot;

using Widths = std::array<int, 4>;
constexpr Widths kEnglishWidths = {75, 165, 55, 320};
constexpr Widths kChineseWidths = {52, 95, 52, 170};
constexpr Widths kSpanishWidths = {80, 280, 80, 460};
constexpr Widths kPortugueseWidths = {75, 230, 85, 470};
constexpr Widths kNorwegianWidths = {65, 130, 75, 360};
constexpr Widths kGermanWidths = {105, 190, 105, 450};

struct SwitchCase {
    const char* name;
    unsigned systemLanguage;         // the emulated machine's default language
    uint16_t argument;               // what the caller passes; 0 takes the system's
    std::optional<int> testLanguage; // setup_test_language in the debug settings file
    const char* logLine;
    int anchorId; // one text that tells the chosen table apart
    const wchar_t* anchorText;
    Widths widths;
};

void PrintTo(const SwitchCase& c, std::ostream* out) {
    *out << c.name;
}

// Tables of cases are kept aligned by hand.
// clang-format off
const SwitchCase kSwitchCases[] = {
    {"English", 0x0409, 0, {}, "Language is EN, id = 1033",
     0, L"Click to Install", kEnglishWidths},
    {"SimplifiedChinese", 0x0804, 0, {}, "Language is CHS(JianTi), id = 2052",
     23, L"卸载", kChineseWidths},
    {"Taiwan", 0x0404, 0, {}, "Language is ZH(FanTi), id = 1028",
     23, L"解除安裝", kChineseWidths},
    {"HongKong", 0x0C04, 0, {}, "Language is ZH(FanTi), id = 3076",
     23, L"解除安裝", kChineseWidths},
    {"Singapore", 0x1004, 0, {}, "Language is ZH(FanTi), id = 4100",
     23, L"解除安裝", kChineseWidths},
    {"Catalan", 0x0403, 0, {}, "Language is CATALA(XiBanYa), id = 1027",
     19, L"Sí", kSpanishWidths},
    {"Brazil", 0x0416, 0, {}, "Language is PT(PuTaoYa), id = 1046",
     19, L"Sim", kPortugueseWidths},
    {"Portugal", 0x0816, 0, {}, "Language is PT(PuTaoYa), id = 2070",
     19, L"Sim", kPortugueseWidths},
    {"Bokmal", 0x0414, 0, {}, "Language is NO(NuoWei), id = 1044",
     20, L"Nei", kNorwegianWidths},
    {"Nynorsk", 0x0814, 0, {}, "Language is NO(NuoWei), id = 2068",
     20, L"Nei", kNorwegianWidths},
    {"UnsupportedGreek", 0x0408, 0, {}, "Language is EN, id = 1032",
     12, L"Cancel", kEnglishWidths},
    {"OverrideGermanOnEnglish", 0x0409, 0, 1031, "Language is DE(DeGuo), id = 1031",
     12, L"Abbrechen", kGermanWidths},
    {"OverrideZeroChangesNothing", 0x0804, 0, 0, "Language is CHS(JianTi), id = 2052",
     23, L"卸载", kChineseWidths},
    {"ArgumentBeatsSystem", 0x0804, 0x0407, {}, "Language is DE(DeGuo), id = 1031",
     12, L"Abbrechen", kGermanWidths},
    {"OverrideBeatsArgument", 0x0409, 0x0804, 1031, "Language is DE(DeGuo), id = 1031",
     12, L"Abbrechen", kGermanWidths},
    // The override is cut to 16 bits: 0x10407 is German.
    {"OverrideCutTo16Bits", 0x0409, 0, 0x10407, "Language is DE(DeGuo), id = 1031",
     12, L"Abbrechen", kGermanWidths},
};
// clang-format on

class LanguageSwitchTest : public LanguageTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(LanguageSwitchTest, ChoosesTableLogsAndSetsWidths) {
    const SwitchCase& c = GetParam();
    ScopedRoot root(SystemLanguageSettings(c.systemLanguage));
    if (c.testLanguage) {
        WriteDebugConfig("[root]\nsetup_test_language=" + std::to_string(*c.testLanguage) + "\n");
    }

    EXPECT_EQ(InitLanguage(L"Kelto Clipwave Converter Pro", c.argument), 1);

    EXPECT_EQ(CapturedLog::LinesStartingWith("Language is"), std::vector<std::string>{c.logLine});
    EXPECT_EQ(GetUiText(c.anchorId), c.anchorText);
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(GetLayoutWidth(index), c.widths[static_cast<size_t>(index)]) << index;
    }
    EXPECT_EQ(GetLayoutWidth(4), 0);
    EXPECT_EQ(GetLayoutWidth(-1), 0);
}

INSTANTIATE_TEST_SUITE_P(Languages, LanguageSwitchTest, ::testing::ValuesIn(kSwitchCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Identifiers that share a table must give the same 49 texts.
TEST_F(LanguageTest, VariantsShareTheirTable) {
    ScopedRoot root;
    auto textsOf = [](uint16_t languageId) {
        InitLanguage(nullptr, languageId);
        std::vector<std::wstring> texts;
        for (int id = 0; id < kUiTextCount; ++id) {
            texts.push_back(GetUiText(id));
        }
        return texts;
    };
    EXPECT_EQ(textsOf(0x0403), textsOf(0x0C0A)); // Catalan shows Spanish
    EXPECT_EQ(textsOf(0x0404), textsOf(0x0C04));
    EXPECT_EQ(textsOf(0x0404), textsOf(0x1004));
    EXPECT_NE(textsOf(0x0404), textsOf(0x0804));
    EXPECT_EQ(textsOf(0x0416), textsOf(0x0816));
    EXPECT_EQ(textsOf(0x0414), textsOf(0x0814));
    EXPECT_EQ(textsOf(0x0408), textsOf(0x0409)); // unsupported falls back to English
}

TEST_F(LanguageTest, EverythingIsUnknownBeforeInitialisation) {
    EXPECT_EQ(GetUiText(0), L"UnKnow");
    EXPECT_EQ(GetUiText(48), L"UnKnow");
    EXPECT_EQ(GetUiTextFor(9, L"Kelto"), L"UnKnow");
    EXPECT_EQ(GetLayoutWidth(0), 0);
    EXPECT_EQ(GetLayoutWidth(3), 0);
}

TEST_F(LanguageTest, IdsOutsideTheTablesAreUnknown) {
    ScopedRoot root;
    InitLanguage(L"Kelto Clipwave Converter Pro", 0x0409);
    EXPECT_EQ(GetUiText(49), L"UnKnow");
    EXPECT_EQ(GetUiText(-1), L"UnKnow");
    EXPECT_EQ(GetUiText(1 << 30), L"UnKnow");
    EXPECT_EQ(GetUiTextFor(49, L"Kelto"), L"UnKnow");
    EXPECT_EQ(CapturedLog::LinesStartingWith("Language is").size(), 1u) << "lookups log nothing";
}

TEST_F(LanguageTest, WithoutProductNameThePlaceholderBecomesDemo) {
    ScopedRoot root;
    InitLanguage(nullptr, 0x0409);
    EXPECT_EQ(GetUiText(9), L"Start Demo");
    EXPECT_EQ(GetUiText(46), L"Demo Online");
}

TEST_F(LanguageTest, SubstitutesTheGivenName) {
    ScopedRoot root;
    InitLanguage(L"Kelto Clipwave Converter Pro", 0x0409);
    EXPECT_EQ(GetUiTextFor(47, L"Kelto Clipwave Converter (x64)"),
              L"Uninstall Kelto Clipwave Converter (x64)");
    EXPECT_EQ(GetUiText(47), L"Uninstall Kelto Clipwave Converter Pro");
    // The cache of id 47 must not answer for another name.
    EXPECT_EQ(GetUiTextFor(47, L"Other"), L"Uninstall Other");
    EXPECT_EQ(GetUiTextFor(47, L""), L"Uninstall ");
    // Texts without the placeholder are left alone.
    EXPECT_EQ(GetUiTextFor(0, L"Other"), L"Click to Install");
}

TEST_F(LanguageTest, InsertedNameIsNotExpandedAgain) {
    ScopedRoot root;
    InitLanguage(nullptr, 0x0409);
    EXPECT_EQ(GetUiTextFor(10, L"[__PRODUCT_NAME__]"),
              L"Are you sure you want to quit [__PRODUCT_NAME__] installation?");
    EXPECT_EQ(GetUiTextFor(46, L"__PRODUCT_NAME____PRODUCT_NAME__"),
              L"__PRODUCT_NAME____PRODUCT_NAME__ Online");
}

TEST_F(LanguageTest, FirstProductNameIsKept) {
    ScopedRoot root;
    InitLanguage(L"Kelto Clipwave Converter Pro", 0x0409);
    InitLanguage(L"Another Product", 0x0409);
    EXPECT_EQ(GetUiText(9), L"Start Kelto Clipwave Converter Pro");
    InitLanguage(nullptr, 0x0409);
    EXPECT_EQ(GetUiText(9), L"Start Kelto Clipwave Converter Pro");
}

TEST_F(LanguageTest, EmptyNameIsNotKept) {
    ScopedRoot root;
    InitLanguage(L"", 0x0409);
    EXPECT_EQ(GetUiText(9), L"Start Demo");
    InitLanguage(L"Kelto Clipwave Converter Pro", 0x0409);
    EXPECT_EQ(GetUiText(9), L"Start Kelto Clipwave Converter Pro");
}

// A second call reloads English and the new language; nothing of the first language, and no
// cached text of it, survives.
TEST_F(LanguageTest, InitialisingAgainReplacesLanguageAndCachedTexts) {
    ScopedRoot root;
    InitLanguage(L"Kelto Clipwave Converter Pro", 0x040C);
    EXPECT_EQ(GetUiText(23), L"Désinstaller");
    EXPECT_EQ(GetUiText(47), L"Désinstaller Kelto Clipwave Converter Pro");
    EXPECT_EQ(GetLayoutWidth(3), 420);

    InitLanguage(nullptr, 0x0407);
    EXPECT_EQ(GetUiText(23), L"Deinstallieren");
    EXPECT_EQ(GetUiText(47), L"Kelto Clipwave Converter Pro deinstallieren");
    EXPECT_EQ(GetUiText(21), L"Installing...");
    EXPECT_EQ(GetLayoutWidth(3), 450);

    InitLanguage(nullptr, 0x0409);
    EXPECT_EQ(GetUiText(23), L"Uninstall");
    EXPECT_EQ(GetLayoutWidth(3), 320);
}

TEST_F(LanguageTest, UnreadableDebugFileKeepsSystemLanguage) {
    ScopedRoot root(SystemLanguageSettings(0x0407));
    WriteDebugConfig("this is not an ini file\n[other]\nsetup_test_language=1036\n");
    InitLanguage(nullptr, 0);
    EXPECT_EQ(CapturedLog::LinesStartingWith("Language is"),
              std::vector<std::string>{"Language is DE(DeGuo), id = 1031"});
}

} // namespace
