// Large zeroed buffers in large pages where the system offers them, so that filling them costs
// one page fault per 2 MiB rather than per 4 KiB (the download engine keeps a whole package in
// one). Pages are backed when first written.
#pragma once

#include <cstddef>
#include <memory>

namespace platform {

struct PackageMemoryDeleter {
    size_t size = 0;
    void operator()(unsigned char* data) const;
};
using PackageMemory = std::unique_ptr<unsigned char, PackageMemoryDeleter>;

// size zeroed bytes (at least one), or null when the memory cannot be had.
PackageMemory AllocatePackageMemory(size_t size);

// Backs length bytes from data with pages ready for writing, without changing any byte, so it
// may run while other threads write there. False where the system cannot (the pages are then
// backed when first written, as before).
bool PrefaultPackageMemory(unsigned char* data, size_t length);

} // namespace platform
