#include "tools/skinart/Text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

namespace skinart {

void Typeface::LibraryDeleter::operator()(FT_LibraryRec_* library) const {
    FT_Done_FreeType(library);
}

void Typeface::FaceDeleter::operator()(FT_FaceRec_* face) const {
    FT_Done_Face(face);
}

Typeface::Typeface(const std::string& path, float pixelSize) {
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        return;
    }
    m_library.reset(library);
    FT_Face face = nullptr;
    if (FT_New_Face(library, path.c_str(), 0, &face) != 0) {
        return;
    }
    m_face.reset(face);
    if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(pixelSize * 64), 72, 72) != 0) {
        m_face.reset();
    }
}

float Typeface::Measure(const std::string& text) const {
    return Layout(nullptr, 0, 0, text, {}, 0);
}

float Typeface::Draw(Canvas& canvas, float x, float baseline, const std::string& text,
                     Colour colour, float opacity) const {
    return Layout(&canvas, x, baseline, text, colour, opacity);
}

float Typeface::CapHeight() const {
    if (!m_face) {
        return 0;
    }
    FT_Face face = m_face.get();
    if (FT_Load_Char(face, 'H', FT_LOAD_NO_HINTING) != 0) {
        return 0;
    }
    return face->glyph->metrics.horiBearingY / 64.0f;
}

float Typeface::Layout(Canvas* canvas, float x, float baseline, const std::string& text,
                       Colour colour, float opacity) const {
    if (!m_face) {
        return 0;
    }
    FT_Face face = m_face.get();
    float pen = x;
    FT_UInt previous = 0;
    for (unsigned char ch : text) {
        FT_UInt glyph = FT_Get_Char_Index(face, ch);
        if (previous && glyph && FT_HAS_KERNING(face)) {
            FT_Vector kerning;
            if (FT_Get_Kerning(face, previous, glyph, FT_KERNING_UNFITTED, &kerning) == 0) {
                pen += kerning.x / 64.0f;
            }
        }
        previous = glyph;
        // The fractional part of the pen goes into the outline, so that the letters keep their
        // designed spacing instead of snapping to whole pixels.
        float whole = std::floor(pen);
        FT_Vector delta{static_cast<FT_Pos>((pen - whole) * 64), 0};
        FT_Set_Transform(face, nullptr, &delta);
        if (FT_Load_Glyph(face, glyph, FT_LOAD_TARGET_LIGHT | FT_LOAD_RENDER) != 0) {
            continue;
        }
        FT_GlyphSlot slot = face->glyph;
        if (canvas) {
            const FT_Bitmap& bitmap = slot->bitmap;
            int left = static_cast<int>(whole) + slot->bitmap_left;
            int top = static_cast<int>(std::lround(baseline)) - slot->bitmap_top;
            for (unsigned row = 0; row < bitmap.rows; ++row) {
                for (unsigned column = 0; column < bitmap.width; ++column) {
                    uint8_t level = bitmap.buffer[row * bitmap.pitch + column];
                    canvas->Blend(left + static_cast<int>(column), top + static_cast<int>(row),
                                  colour, level / 255.0f * opacity);
                }
            }
        }
        pen += slot->linearHoriAdvance / 65536.0f;
    }
    FT_Set_Transform(face, nullptr, nullptr);
    return pen - x;
}

} // namespace skinart
