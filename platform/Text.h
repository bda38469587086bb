// Text encodings of the emulated machine. Both the "ANSI" and the "OEM" code page are UTF-8, so
// every narrow/wide round trip is lossless. Wide text is UTF-32 in wchar_t.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Narrow (UTF-8) to wide. Invalid sequences become U+FFFD; nothing is dropped silently.
std::wstring NarrowToWide(std::string_view text);
// Wide to narrow (UTF-8). Unpaired surrogates and values above U+10FFFF become U+FFFD.
std::string WideToNarrow(std::wstring_view text);

// Case folding the way the registry and drive letters compare names: per character, simple
// lower-casing of the Latin-1 and basic Latin ranges plus the host's towlower for the rest.
wchar_t FoldCase(wchar_t c);
bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

} // namespace platform
