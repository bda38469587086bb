#include "platform/PackageMemory.h"

#include <sys/mman.h>

namespace platform {

void PackageMemoryDeleter::operator()(unsigned char* data) const {
    if (data != nullptr) {
        munmap(data, size);
    }
}

PackageMemory AllocatePackageMemory(size_t size) {
    if (size == 0) {
        size = 1;
    }
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data == MAP_FAILED) {
        return PackageMemory(nullptr, PackageMemoryDeleter{0});
    }
    // Large pages where the system offers them, so that a 2 MiB page faults in at once. The
    // pages are not touched here: the kernel zeroes each when a transfer first writes to it,
    // spread over the transfer threads instead of one pass before the first byte is fetched.
    madvise(data, size, MADV_HUGEPAGE);
    return PackageMemory(static_cast<unsigned char*>(data), PackageMemoryDeleter{size});
}

bool PrefaultPackageMemory(unsigned char* data, size_t length) {
    return madvise(data, length, MADV_POPULATE_WRITE) == 0;
}

} // namespace platform
