#include "app/Md5.h"

#include "app/JFile.h"

#include <cstdio>
#include <openssl/evp.h>
#include <vector>

Md5Digest Md5Of(const void* data, size_t size) {
    Md5Digest digest{};
    unsigned int length = 0;
    EVP_Digest(data, size, digest.data(), &length, EVP_md5(), nullptr);
    return digest;
}

namespace {

std::string Render(const Md5Digest& digest, const char* format) {
    std::string text;
    text.reserve(32);
    for (uint8_t byte : digest) {
        char pair[3];
        std::snprintf(pair, sizeof pair, format, byte);
        text += pair;
    }
    return text;
}

} // namespace

std::string Md5HexUpper(const Md5Digest& digest) {
    return Render(digest, "%02X");
}

std::string Md5HexLower(const Md5Digest& digest) {
    return Render(digest, "%02x");
}

bool Md5OfFile(const std::wstring& path, Md5Digest* digest) {
    JFile file;
    if (!file.Open(path, JFile::kRead | JFile::kBinary)) {
        return false;
    }
    const long length = file.Length();
    if (length < 0) {
        return false;
    }
    std::vector<unsigned char> content(static_cast<size_t>(length));
    if (length > 0 && file.Read(content.data(), length) != length) {
        return false;
    }
    *digest = Md5Of(content.data(), content.size());
    return true;
}
