// Private profile (INI) files on Windows paths, as GetPrivateProfileIntW reads them.
#pragma once

#include <string_view>

namespace platform {

// The integer value of key in section of the INI file at a Windows path: leading blanks skipped,
// an optional '-', then decimal digits up to the first other character ("12abc" gives 12, "abc"
// gives 0). The default when the file, the section or the key is missing. Names compare without
// case.
int GetPrivateProfileInt(std::wstring_view section, std::wstring_view key, int defaultValue,
                         std::wstring_view iniPath);

} // namespace platform
