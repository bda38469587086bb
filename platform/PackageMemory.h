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

} // namespace platform
