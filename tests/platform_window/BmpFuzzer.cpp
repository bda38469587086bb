// Bitmap resources are parsed from bytes; no input may read outside them or allocate wildly.
#include <cstddef>
#include <cstdint>

#include "platform/Gdi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto bitmap = platform::DecodeBmp(data, size);
    if (bitmap != nullptr && (bitmap->Width() <= 0 || bitmap->Height() <= 0)) {
        __builtin_trap();
    }
    return 0;
}
