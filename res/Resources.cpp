#include "res/Resources.h"

#include "res/EmbeddedResource.h"

#include <algorithm>

namespace {

bool FindIn(const EmbeddedResource* table, size_t count, int id, const unsigned char** data,
            size_t* size) {
    const EmbeddedResource* end = table + count;
    const EmbeddedResource* it = std::lower_bound(
        table, end, id, [](const EmbeddedResource& entry, int key) { return entry.id < key; });
    if (it == end || it->id != id) {
        return false;
    }
    if (data) {
        *data = it->data;
    }
    if (size) {
        *size = it->size;
    }
    return true;
}

} // namespace

bool FindBitmapResource(int id, const unsigned char** data, size_t* size) {
    return FindIn(kEmbeddedBitmaps, kEmbeddedBitmapCount, id, data, size);
}

bool FindIconResource(int id, const unsigned char** data, size_t* size) {
    return FindIn(kEmbeddedIcons, kEmbeddedIconCount, id, data, size);
}
