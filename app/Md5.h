// MD5 digests (RFC 1321) through OpenSSL, and their two renderings: upper case for package
// digests, lower case for the installation identifier.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

using Md5Digest = std::array<uint8_t, 16>;

Md5Digest Md5Of(const void* data, size_t size);
std::string Md5HexUpper(const Md5Digest& digest); // "%02X" per byte
std::string Md5HexLower(const Md5Digest& digest); // "%02x" per byte
inline std::string Md5HexUpper(const void* data, size_t size) {
    return Md5HexUpper(Md5Of(data, size));
}
inline std::string Md5HexLower(const void* data, size_t size) {
    return Md5HexLower(Md5Of(data, size));
}
// The digest of a whole file (a Windows path) read into memory; false when it cannot be read.
bool Md5OfFile(const std::wstring& path, Md5Digest* digest);
