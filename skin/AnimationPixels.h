// The pixel routines behind the setup window's animations: the frame geometry, size texts, the
// channel blend, image copies into a frame and the logo sweep of the download screen. Frames are
// 622 × 405 arrays of pixel values 0x00RRGGBB, row by row from the top. Everything here is plain
// arithmetic on buffers the caller owns, so any thread may call it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "skin/SkinBitmap.h"

namespace skin {

inline constexpr int32_t kFrameWidth = 622;
inline constexpr int32_t kFrameHeight = 405;
inline constexpr size_t kFramePixels = static_cast<size_t>(kFrameWidth) * kFrameHeight;

// Geometry of the setup window's animations: the ripple centre, the emblem's top-left corner, the
// largest distance of a pixel from the centre and the emblem's radius.
inline constexpr int32_t kCentreX = kFrameWidth / 2;
inline constexpr int32_t kCentreY = kFrameHeight - 50;
inline constexpr int32_t kEmblemSize = 311;
inline constexpr int32_t kEmblemX = kCentreX - kEmblemSize / 2;
inline constexpr int32_t kEmblemY = (kCentreY - kEmblemSize) / 2;
inline constexpr int32_t kMaxRadius = 471;
inline constexpr int32_t kEmblemRadius = 367;

inline constexpr uint32_t kFrameWhite = 0x00FFFFFF;
inline constexpr uint32_t kPurplePixel = 0x0042237E;

using Frame = std::vector<uint32_t>;

// A frame of 622 × 405 pixels, all white.
Frame MakeWhiteFrame();
void FillFrame(uint32_t* frame, uint32_t pixel);

// "1024Byte", "1.00KB", "3.00MB": bytes up to 1024 as they are, then kilobytes up to 1 048 576,
// then megabytes, two decimals.
std::string FormatSize(uint32_t n);
std::wstring FormatSizeWide(uint32_t n);

// Mixes two pixel values per red, green and blue channel: t = 1 gives a, t = 0 gives b. The
// fourth byte of the result is 0.
uint32_t Blend(uint32_t a, uint32_t b, float t);

// Copies the whole image to (x, y) of the frame, skipping the pixels whose stored word is white
// (0x00FFFFFF). An image that is not loaded copies nothing.
void CopyImageKeyed(uint32_t* frame, const BMData& image, int32_t x, int32_t y);
// Copies the whole image to (x, y) of the frame, every pixel.
void CopyImage(uint32_t* frame, const BMData& image, int32_t x, int32_t y);
// Copies the image's columns [left, right) and rows [top, bottom) to the same place relative to
// (x, y), every pixel. Parts outside the image or the frame are skipped.
void CopyImagePart(uint32_t* frame, const BMData& image, int32_t x, int32_t y, int32_t left,
                   int32_t top, int32_t right, int32_t bottom);

// The download screen's wipe for download percent p: the plain logo turns into the ringed one
// quarter by quarter, clockwise from the bottom centre. Draws the whole frame.
void DrawLogoSweep(uint32_t* frame, int32_t percent, const BMData& logo, const BMData& ringedLogo);

} // namespace skin
