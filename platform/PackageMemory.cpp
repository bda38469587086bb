#include "platform/PackageMemory.h"

#include <sys/mman.h>

#include <cstring>

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
    // Large pages where the system offers them; then every page is backed now, while no
    // transfer waits, instead of one fault at a time under the engine's lock.
    madvise(data, size, MADV_HUGEPAGE);
    memset(data, 0, size);
    return PackageMemory(static_cast<unsigned char*>(data), PackageMemoryDeleter{size});
}

} // namespace platform
