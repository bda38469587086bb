// Language selection and the user-interface texts of the setup window and the shortcuts.
//
// Every text is addressed by an id from 0 to kUiTextCount - 1. InitLanguage loads the English
// table and then the table of the chosen language over it; before that, every lookup answers
// "UnKnow".
//
// Texts are returned by value. The substituted text of each id is cached, but a caller always
// receives its own copy, so a lookup on one thread can never change or free a text that another
// thread is still reading. All functions may be called from any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Ids 0 to 48 exist in every language.
inline constexpr int kUiTextCount = 49;

// Chooses the language and loads its texts. productName replaces "__PRODUCT_NAME__" in the texts
// that GetUiText returns; the first non-empty name given is kept for the rest of the process and
// later names are ignored. languageId 0 takes the system's default language; the debug setting
// setup_test_language, when non-zero, overrides either. Logs the chosen language. Always 1.
// Called by the setup window's thread at window start, before any worker thread runs.
int InitLanguage(const wchar_t* productName, uint16_t languageId);

// The text of id with the kept product name ("Demo" when none was given) in place of the
// placeholder; "UnKnow" for an id outside 0 to 48 or before InitLanguage.
std::wstring GetUiText(int id);

// The text of id with name in place of every "__PRODUCT_NAME__". Text inserted from name is not
// searched again, so a name that contains the placeholder stays as it is.
std::wstring GetUiTextFor(int id, std::wstring_view name);

// The chosen language's caption width in pixels: 0 accept check box (text 2), 1 licence link
// (text 3), 2 join check box (text 7), 3 programme link (text 8). 0 for any other index and
// before InitLanguage.
int GetLayoutWidth(int index);

// Forgets the language, the texts, the cache and the kept product name, as at process start.
void ResetLanguageForTesting();
