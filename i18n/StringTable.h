// The built-in string tables: one constant array of {id, text} per language. Only Language.cpp
// and the table sources include this header.
#pragma once

#include "app/BuildConfig.h"
#include "i18n/Language.h"

#include <cstddef>
#include <span>
#include <string_view>

namespace i18n {

struct UiTextEntry {
    int id;
    const wchar_t* text;
};

// A table lists every id at least once, in an order of its own. When an id is listed twice, the
// later text is the one that counts.
using StringTable = std::span<const UiTextEntry>;

// True when every id from 0 to kUiTextCount - 1 is present and nothing else is. Each table source
// checks its table with it at compile time.
template <size_t Count>
consteval bool CoversEveryUiTextId(const UiTextEntry (&entries)[Count]) {
    bool seen[kUiTextCount] = {};
    for (const UiTextEntry& entry : entries) {
        if (entry.id < 0 || entry.id >= kUiTextCount || entry.text == nullptr) {
            return false;
        }
        seen[entry.id] = true;
    }
    for (bool present : seen) {
        if (!present) {
            return false;
        }
    }
    return true;
}

// Texts 41 and 42 end with the web host of the sibling product family and a full stop. The host is
// a build constant, so these two texts are assembled at compile time.
template <size_t Size>
struct FixedText {
    wchar_t text[Size];
};

inline constexpr size_t kFamilyWebHostLength = std::string_view(build::kFamilyWebHost).size();

template <size_t PrefixSize>
consteval FixedText<PrefixSize + kFamilyWebHostLength + 1>
EndWithFamilyWebHost(const wchar_t (&prefix)[PrefixSize]) {
    FixedText<PrefixSize + kFamilyWebHostLength + 1> result{};
    size_t length = 0;
    for (size_t i = 0; i + 1 < PrefixSize; ++i) {
        result.text[length++] = prefix[i];
    }
    for (char c : std::string_view(build::kFamilyWebHost)) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            throw "the family web host must be plain ASCII";
        }
        result.text[length++] = static_cast<wchar_t>(c);
    }
    result.text[length++] = L'.';
    result.text[length] = L'\0';
    return result;
}

extern const StringTable kEnglishTable;
extern const StringTable kSpanishTable;
extern const StringTable kChineseTraditionalTable;
extern const StringTable kChineseSimplifiedTable;
extern const StringTable kJapaneseTable;
extern const StringTable kFrenchTable;
extern const StringTable kGermanTable;
extern const StringTable kRussianTable;
extern const StringTable kCzechTable;
extern const StringTable kHungarianTable;
extern const StringTable kItalianTable;
extern const StringTable kDutchTable;
extern const StringTable kNorwegianTable;
extern const StringTable kPolishTable;
extern const StringTable kPortugueseTable;
extern const StringTable kSwedishTable;

} // namespace i18n
