#include "platform/Text.h"

#include <cwctype>

namespace platform {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        c = kReplacement;
    }
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// Length of the sequence a lead byte starts, 0 for a byte that cannot start one.
int SequenceLength(unsigned char lead) {
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        return 2;
    }
    if (lead >= 0xE0 && lead <= 0xEF) {
        return 3;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        return 4;
    }
    return 0;
}

} // namespace

std::wstring NarrowToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = SequenceLength(lead);
        if (length == 0 || i + length > text.size()) {
            out.push_back(static_cast<wchar_t>(kReplacement));
            ++i;
            continue;
        }
        if (length == 1) {
            out.push_back(static_cast<wchar_t>(lead));
            ++i;
            continue;
        }
        char32_t c = lead & (0x7F >> length);
        bool valid = true;
        for (int k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) {
                valid = false;
                break;
            }
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms, surrogates and values above U+10FFFF are not characters.
        const bool overlong = (length == 3 && c < 0x800) || (length == 4 && c < 0x10000);
        if (!valid || overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out.push_back(static_cast<wchar_t>(kReplacement));
            ++i;
            continue;
        }
        out.push_back(static_cast<wchar_t>(c));
        i += length;
    }
    return out;
}

std::string WideToNarrow(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (wchar_t c : text) {
        AppendUtf8(out, static_cast<char32_t>(c));
    }
    return out;
}

wchar_t FoldCase(wchar_t c) {
    const auto u = static_cast<char32_t>(c);
    auto folded = [](char32_t v) { return static_cast<wchar_t>(v); };
    if (u >= U'A' && u <= U'Z') {
        return folded(u + 0x20);
    }
    if (u < 0x80) {
        return c;
    }
    // The host's towlower depends on the process locale, so the scripts of the sixteen user
    // interface languages are folded here: Latin-1, Latin Extended-A, Greek and Cyrillic.
    if (u >= 0xC0 && u <= 0xDE && u != 0xD7) {
        return folded(u + 0x20);
    }
    if ((u >= 0x100 && u <= 0x137) || (u >= 0x14A && u <= 0x177)) {
        return folded(u | 1);
    }
    if ((u >= 0x139 && u <= 0x148) || (u >= 0x179 && u <= 0x17E)) {
        return folded((u & 1) != 0 ? u + 1 : u);
    }
    if (u == 0x178) {
        return folded(0xFF);
    }
    if (u >= 0x391 && u <= 0x3AB && u != 0x3A2) {
        return folded(u + 0x20);
    }
    if (u >= 0x410 && u <= 0x42F) {
        return folded(u + 0x20);
    }
    if (u >= 0x400 && u <= 0x40F) {
        return folded(u + 0x50);
    }
    return static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i])) {
            return false;
        }
    }
    return true;
}

} // namespace platform
