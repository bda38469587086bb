#pragma once

#include "tools/skinart/Canvas.h"

#include <memory>
#include <string>

struct FT_LibraryRec_;
struct FT_FaceRec_;

namespace skinart {

// One FreeType face at one pixel size, for the few words of type the artwork carries.
class Typeface {
public:
    // Opens the font file; Valid () tells whether it could.
    Typeface(const std::string& path, float pixelSize);
    Typeface(const Typeface&) = delete;
    Typeface& operator=(const Typeface&) = delete;

    bool Valid() const { return m_face != nullptr; }

    // Advance width of the text in pixels (ASCII text only).
    float Measure(const std::string& text) const;
    // Draws the text with its baseline's start at (x, baseline); returns the advance width.
    float Draw(Canvas& canvas, float x, float baseline, const std::string& text, Colour colour,
               float opacity = 1) const;
    // Height of capital letters above the baseline, in pixels.
    float CapHeight() const;

private:
    float Layout(Canvas* canvas, float x, float baseline, const std::string& text, Colour colour,
                 float opacity) const;

    struct LibraryDeleter {
        void operator()(FT_LibraryRec_* library) const;
    };
    struct FaceDeleter {
        void operator()(FT_FaceRec_* face) const;
    };
    // Declared in this order so that the face is released before its library.
    std::unique_ptr<FT_LibraryRec_, LibraryDeleter> m_library;
    std::unique_ptr<FT_FaceRec_, FaceDeleter> m_face;
};

} // namespace skinart
