#include "i18n/Language.h"

#include "app/Log.h"
#include "app/Probes.h"
#include "app/TextConv.h"
#include "i18n/StringTable.h"
#include "platform/SystemInfo.h"

#include <array>
#include <map>
#include <mutex>

namespace {

constexpr std::wstring_view kProductNamePlaceholder = L"__PRODUCT_NAME__";
constexpr const wchar_t* kUnknownText = L"UnKnow";
constexpr const wchar_t* kDefaultProductName = L"Demo";

// Caption widths in pixels: accept check box, licence link, join check box, programme link.
using CaptionWidths = std::array<int, 4>;

struct LanguageChoice {
    const char* logName; // what the log line calls the language
    const i18n::StringTable* table;
    CaptionWidths captionWidths;
};

constexpr CaptionWidths kEnglishWidths = {75, 165, 55, 320};
constexpr CaptionWidths kChineseWidths = {52, 95, 52, 170};
constexpr CaptionWidths kSpanishWidths = {80, 280, 80, 460};

const LanguageChoice kEnglish = {"EN", &i18n::kEnglishTable, kEnglishWidths};
const LanguageChoice kCatalan = {"CATALA(XiBanYa)", &i18n::kSpanishTable, kSpanishWidths};
const LanguageChoice kChineseSimplified = {"CHS(JianTi)", &i18n::kChineseSimplifiedTable,
                                           kChineseWidths};
const LanguageChoice kChineseTraditional = {"ZH(FanTi)", &i18n::kChineseTraditionalTable,
                                            kChineseWidths};
const LanguageChoice kCzech = {"CZ(JieKe)", &i18n::kCzechTable, {90, 270, 90, 360}};
const LanguageChoice kGerman = {"DE(DeGuo)", &i18n::kGermanTable, {105, 190, 105, 450}};
const LanguageChoice kSpanish = {"SPANISH(XiBanYa)", &i18n::kSpanishTable, kSpanishWidths};
const LanguageChoice kFrench = {"FR(FaGuo)", &i18n::kFrenchTable, {85, 220, 90, 420}};
const LanguageChoice kHungarian = {"HU(XiongYaLi)", &i18n::kHungarianTable, {100, 220, 110, 410}};
const LanguageChoice kItalian = {"IT(YiDaLi)", &i18n::kItalianTable, {90, 270, 105, 480}};
const LanguageChoice kJapanese = {"JP(RiBen)", &i18n::kJapaneseTable, {52, 165, 52, 295}};
const LanguageChoice kDutch = {"NL(HeLan)", &i18n::kDutchTable, {103, 260, 103, 360}};
const LanguageChoice kNorwegian = {"NO(NuoWei)", &i18n::kNorwegianTable, {65, 130, 75, 360}};
const LanguageChoice kPolish = {"PL(BoLan)", &i18n::kPolishTable, {85, 260, 72, 300}};
const LanguageChoice kPortuguese = {"PT(PuTaoYa)", &i18n::kPortugueseTable, {75, 230, 85, 470}};
const LanguageChoice kRussian = {"RU(ErLuoSi)", &i18n::kRussianTable, {88, 360, 143, 400}};
const LanguageChoice kSwedish = {"SVE(RuiDian)", &i18n::kSwedishTable, {93, 160, 70, 320}};

// The primary language is the low ten bits of the identifier. Only Chinese looks at the
// sub-language as well: exactly the sub-language bits 0x0800 (PRC) choose the simplified table,
// every other one (Taiwan 0x0404, Hong Kong 0x0C04, Singapore 0x1004, ...) the traditional one.
const LanguageChoice& ChooseLanguage(uint16_t languageId) {
    switch (languageId & 0x3FF) {
    case 3:
        return kCatalan;
    case 4:
        return (languageId & 0xFC00) == 0x0800 ? kChineseSimplified : kChineseTraditional;
    case 5:
        return kCzech;
    case 7:
        return kGerman;
    case 10:
        return kSpanish;
    case 12:
        return kFrench;
    case 14:
        return kHungarian;
    case 16:
        return kItalian;
    case 17:
        return kJapanese;
    case 19:
        return kDutch;
    case 20:
        return kNorwegian;
    case 21:
        return kPolish;
    case 22:
        return kPortuguese;
    case 25:
        return kRussian;
    case 29:
        return kSwedish;
    default:
        return kEnglish;
    }
}

// The last substituted text of one id, kept together with what it was made from so that a
// repeated lookup with the same name and the same language costs one copy.
struct CachedText {
    const wchar_t* source = nullptr;
    std::wstring name;
    std::wstring text;
};

// Everything the lookups share. One lock guards all of it: lookups are few (captions, message
// boxes, shortcut names) and short, so a reader-writer split would buy nothing.
struct LanguageState {
    std::mutex mutex;
    std::array<const wchar_t*, kUiTextCount> texts{}; // the text map; null: not loaded
    std::map<int, CachedText> cache;
    std::wstring productName = kDefaultProductName;
    bool productNameKept = false;
    const CaptionWidths* captionWidths = nullptr;
};

LanguageState& State() {
    static LanguageState state;
    return state;
}

void LoadTable(LanguageState& state, const i18n::StringTable& table) {
    // In table order, so that an id listed twice ends up with its later text.
    for (const i18n::UiTextEntry& entry : table) {
        state.texts[static_cast<size_t>(entry.id)] = entry.text;
    }
}

// The caller holds state.mutex.
std::wstring LookUpLocked(LanguageState& state, int id, std::wstring_view name) {
    if (id < 0 || id >= kUiTextCount) {
        return kUnknownText;
    }
    const wchar_t* source = state.texts[static_cast<size_t>(id)];
    if (source == nullptr) {
        return kUnknownText;
    }
    CachedText& cached = state.cache[id];
    if (cached.source != source || cached.name != name) {
        cached.text = ReplaceAll(source, kProductNamePlaceholder, name);
        cached.source = source;
        cached.name = name;
    }
    return cached.text;
}

} // namespace

int InitLanguage(const wchar_t* productName, uint16_t languageId) {
    uint16_t identifier = languageId != 0 ? languageId : platform::GetSystemDefaultLangId();
    // A developer can try any language on any machine through the debug settings file.
    const int testLanguage = ReadDebugConfigInt(L"setup_test_language");
    if (testLanguage != 0) {
        identifier = static_cast<uint16_t>(testLanguage);
    }
    const LanguageChoice& choice = ChooseLanguage(identifier);
    LogFormat("Language is %s, id = %d", choice.logName, static_cast<int>(identifier));

    LanguageState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (productName != nullptr && productName[0] != L'\0' && !state.productNameKept) {
        state.productName = productName;
        state.productNameKept = true;
    }
    state.texts.fill(nullptr);
    LoadTable(state, i18n::kEnglishTable);
    if (choice.table != &i18n::kEnglishTable) {
        LoadTable(state, *choice.table);
    }
    state.captionWidths = &choice.captionWidths;
    return 1;
}

std::wstring GetUiText(int id) {
    LanguageState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return LookUpLocked(state, id, state.productName);
}

std::wstring GetUiTextFor(int id, std::wstring_view name) {
    LanguageState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return LookUpLocked(state, id, name);
}

int GetLayoutWidth(int index) {
    LanguageState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    if (state.captionWidths == nullptr || index < 0 ||
        index >= static_cast<int>(state.captionWidths->size())) {
        return 0;
    }
    return (*state.captionWidths)[static_cast<size_t>(index)];
}

void ResetLanguageForTesting() {
    LanguageState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.texts.fill(nullptr);
    state.cache.clear();
    state.productName = kDefaultProductName;
    state.productNameKept = false;
    state.captionWidths = nullptr;
}
