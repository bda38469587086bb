#pragma once

#include <cstddef>

// One resource file as the build embeds it: the generated EmbeddedResources.cpp defines the two
// tables below, sorted by id, from the files in res/skin.
struct EmbeddedResource {
    int id;
    const unsigned char* data;
    size_t size;
};

extern const EmbeddedResource kEmbeddedBitmaps[];
extern const size_t kEmbeddedBitmapCount;
extern const EmbeddedResource kEmbeddedIcons[];
extern const size_t kEmbeddedIconCount;
