#pragma once

#include <cstddef>

// The resources the installer carries inside its own executable, addressed by number the way the
// skin and the window code ask for them. The bytes stay valid for the life of the process.

// The bytes of the bitmap with this id as an uncompressed Windows BMP file (BITMAPFILEHEADER,
// BITMAPINFOHEADER, 24 or 32 bits per pixel, bottom-up rows padded to 4 bytes). Returns false for
// an unknown id and then leaves the outputs alone. Either output pointer may be null when the
// caller only asks whether the id exists. The fourth byte of a 32-bit pixel is unused and 0.
bool FindBitmapResource(int id, const unsigned char** data, size_t* size);

// The bytes of the icon with this id as a PNG file (8-bit RGBA, 256 × 256, transparent around the
// logo). Returns false for an unknown id, with the outputs left alone.
bool FindIconResource(int id, const unsigned char** data, size_t* size);

// LoadStringW: the string resource with this id, copied into buffer (at most bufferSize
// characters including the terminating zero, cut when longer). Returns the characters copied; 0
// for an unknown id or an empty string, with buffer holding the empty text. The installer carries
// 1500 (the special-edition address) and 1501 (the channel text), both build constants.
int LoadResourceString(int id, wchar_t* buffer, int bufferSize);
