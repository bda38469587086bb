// Text conversions between narrow and wide strings, and the wide replace-all.
#pragma once

#include <string>
#include <string_view>

// Narrow text in the ANSI code page to wide.
std::wstring AnsiToWide(std::string_view text);
// Wide text to the ANSI code page (registry texts) and to the OEM code page (log lines, engine
// paths). Both code pages are UTF-8 here, so both conversions are lossless.
std::string WideToAnsi(std::wstring_view text);
std::string WideToOem(std::wstring_view text);
// Replaces every occurrence of from in text by to, left to right; text inserted by a replacement
// is not searched again. An empty from changes nothing.
std::wstring ReplaceAll(std::wstring text, std::wstring_view from, std::wstring_view to);
