// Icons and saved frames are decoded from PNG bytes; no input may read outside them, leak, or
// yield an empty image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Gdi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> alpha;
    auto bitmap = platform::DecodePng(data, size, &alpha);
    if (bitmap != nullptr &&
        (bitmap->Width() <= 0 || bitmap->Height() <= 0 ||
         alpha.size() != static_cast<size_t>(bitmap->Width()) * bitmap->Height())) {
        __builtin_trap();
    }
    return 0;
}
