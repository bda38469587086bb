#include "app/TextConv.h"

#include "platform/Text.h"

std::wstring AnsiToWide(std::string_view text) {
    return platform::NarrowToWide(text);
}

std::string WideToAnsi(std::wstring_view text) {
    return platform::WideToNarrow(text);
}

std::string WideToOem(std::wstring_view text) {
    return platform::WideToNarrow(text);
}

std::wstring ReplaceAll(std::wstring text, std::wstring_view from, std::wstring_view to) {
    if (from.empty()) {
        return text;
    }
    size_t pos = 0;
    while ((pos = text.find(from, pos)) != std::wstring::npos) {
        text.replace(pos, from.size(), to);
        pos += to.size();
    }
    return text;
}
