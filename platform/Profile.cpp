#include "platform/Profile.h"

#include "platform/FileSystem.h"
#include "platform/IniFile.h"
#include "platform/Text.h"

#include <string>

namespace platform {

int GetPrivateProfileInt(std::wstring_view section, std::wstring_view key, int defaultValue,
                         std::wstring_view iniPath) {
    std::filesystem::path host;
    if (!ToHostPath(iniPath, &host)) {
        return defaultValue;
    }
    IniFile file;
    if (!file.Load(host)) {
        return defaultValue;
    }
    const auto text = file.Get(WideToNarrow(section), WideToNarrow(key));
    if (!text) {
        return defaultValue;
    }
    // Leading blanks, an optional sign, then decimal digits up to the first other character.
    size_t i = 0;
    while (i < text->size() && ((*text)[i] == ' ' || (*text)[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text->size() && ((*text)[i] == '-' || (*text)[i] == '+')) {
        negative = (*text)[i] == '-';
        ++i;
    }
    long long value = 0;
    while (i < text->size() && (*text)[i] >= '0' && (*text)[i] <= '9') {
        value = value * 10 + ((*text)[i] - '0');
        if (value > 0xFFFFFFFFLL) {
            value = 0xFFFFFFFFLL; // the value wraps into an unsigned 32-bit result on Windows
        }
        ++i;
    }
    const auto result = static_cast<uint32_t>(negative ? -value : value);
    return static_cast<int>(result);
}

} // namespace platform
