// The string table of the executable: two entries, fixed by the maker at configure time.
#include "res/Resources.h"

#include <cwchar>

#include "app/BuildConfig.h"

namespace {

const wchar_t* FindString(int id) {
    switch (id) {
    case 1500:
        return build::kSpecialEditionUrl;
    case 1501:
        return build::kChannelText;
    default:
        return nullptr;
    }
}

} // namespace

int LoadResourceString(int id, wchar_t* buffer, int bufferSize) {
    if (buffer == nullptr || bufferSize <= 0) {
        return 0;
    }
    buffer[0] = L'\0';
    const wchar_t* text = FindString(id);
    if (text == nullptr) {
        return 0;
    }
    size_t length = std::wcslen(text);
    size_t room = static_cast<size_t>(bufferSize) - 1;
    if (length > room) {
        length = room;
    }
    std::wmemcpy(buffer, text, length);
    buffer[length] = L'\0';
    return static_cast<int>(length);
}
