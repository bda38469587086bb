#include "download/VersionFile.h"

#include "download/HttpTransfer.h"

bool IsAcceptedVersionText(const std::string& text) {
    return text.size() > 5 && text[0] == '1';
}

std::string FetchVersionText(const char* url, int attempts) {
    for (int attempt = 0; attempt < attempts; ++attempt) {
        std::string text = FetchText(url);
        if (IsAcceptedVersionText(text)) {
            return text;
        }
    }
    return {};
}
