// What a 7z archive may declare before the engine is let near it. The engine trusts the sizes an
// archive declares: a dictionary of 4 GiB in a few hundred bytes of header makes it ask for
// 4 GiB. A package and everything it carries stays below 2 GiB, so an archive that declares more,
// or a dictionary far beyond what it unpacks, is refused before the engine reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A package and everything it carries stays below 2 GiB.
inline constexpr uint64_t kMaxDeclaredSize = 0x7FFFFFFF;

// Whether a coder's dictionary (or model memory) fits what it unpacks: at most twice the unpacked
// size (a writer rounds it up), at least 1 MiB allowed, and never beyond kMaxDeclaredSize.
bool DictionaryFits(uint64_t dictionary, uint64_t unpacked);

// The archive's signature header and, when the item list is itself packed, the description of
// how it is packed (read before the engine unpacks the list). bytes holds the file's start;
// nextHeader the first bytes of the header that the signature header locates. Empty when within
// the bound, otherwise why not.
std::string WhyPackedHeaderExceedsBound(const uint8_t* nextHeader, size_t size);
// Where the signature header says the next header lies: offset from the file's start and size;
// false when the 32 bytes are no 7z signature header.
bool LocateNextHeader(const uint8_t* signatureHeader, size_t size, uint64_t* offset,
                      uint64_t* length);

// An item's method text as the engine reports it ("LZMA2:24", "LZMA:4064m", "PPMD:o6:mem24",
// "BCJ LZMA:24") checked against the unpacked size of the whole archive. Empty when within the
// bound, otherwise why not.
std::string WhyMethodExceedsBound(std::string_view method, uint64_t unpacked);
