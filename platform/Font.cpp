#include "platform/Font.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <tuple>
#include <unordered_map>

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include "platform/Text.h"

namespace platform {

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
    if (c == 0) {
        return -1;
    }
    int64_t product = static_cast<int64_t>(a) * b;
    int64_t half = (c > 0 ? c : -static_cast<int64_t>(c)) / 2;
    // Round halves away from zero, on the sign of the true quotient.
    bool negative = (product < 0) != (c < 0);
    int64_t magnitude = (product < 0 ? -product : product);
    int64_t divisor = (c < 0 ? -static_cast<int64_t>(c) : c);
    int64_t q = (magnitude + half) / divisor;
    int64_t result = negative ? -q : q;
    if (result > INT32_MAX || result < INT32_MIN) {
        return -1;
    }
    return static_cast<int32_t>(result);
}

std::string MapFaceName(std::wstring_view faceName) {
    if (faceName == L"微软雅黑" || EqualsNoCase(faceName, L"Microsoft YaHei")) {
        return "WenQuanYi Micro Hei";
    }
    if (EqualsNoCase(faceName, L"ArialMT") || EqualsNoCase(faceName, L"Arial")) {
        return "Liberation Sans";
    }
    if (faceName.empty() || EqualsNoCase(faceName, L"MS Shell Dlg") ||
        EqualsNoCase(faceName, L"MS Shell Dlg 2") || EqualsNoCase(faceName, L"Tahoma")) {
        return "DejaVu Sans";
    }
    return WideToNarrow(faceName);
}

namespace {

struct FaceKey {
    std::string file;
    int index = 0;
    bool operator<(const FaceKey& other) const {
        return std::tie(file, index) < std::tie(other.file, other.index);
    }
};

struct Glyph {
    std::vector<uint8_t> coverage;
    int32_t width = 0;
    int32_t height = 0;
    int32_t left = 0;
    int32_t top = 0;
    int32_t advance = 0;
};

struct GlyphKey {
    FT_Face face;
    int32_t pixelSize;
    FT_UInt glyphIndex;
    bool embolden;
    bool operator==(const GlyphKey& o) const {
        return face == o.face && pixelSize == o.pixelSize && glyphIndex == o.glyphIndex &&
               embolden == o.embolden;
    }
};

struct GlyphKeyHash {
    size_t operator()(const GlyphKey& k) const {
        size_t h = std::hash<const void*>()(k.face);
        h = h * 31 + static_cast<size_t>(k.pixelSize);
        h = h * 31 + k.glyphIndex;
        return h * 2 + (k.embolden ? 1 : 0);
    }
};

struct FaceDone {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};
using UniqueFace = std::unique_ptr<FT_FaceRec_, FaceDone>;

struct LibraryDone {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
using UniqueLibrary = std::unique_ptr<FT_LibraryRec_, LibraryDone>;

struct FontconfigDestroy {
    void operator()(FcPattern* pattern) const { FcPatternDestroy(pattern); }
    void operator()(FcFontSet* set) const { FcFontSetDestroy(set); }
    void operator()(FcCharSet* charset) const { FcCharSetDestroy(charset); }
};
using UniquePattern = std::unique_ptr<FcPattern, FontconfigDestroy>;
using UniqueFontSet = std::unique_ptr<FcFontSet, FontconfigDestroy>;
using UniqueCharSet = std::unique_ptr<FcCharSet, FontconfigDestroy>;

// FreeType and fontconfig behind one lock: faces, sizes and the glyph cache are shared by every
// thread that draws text. The engine lives until the process ends.
class TextEngine {
public:
    static TextEngine& Instance() {
        static TextEngine* engine = new TextEngine;
        return *engine;
    }

    std::mutex& Lock() { return m_lock; }

    // Call with the lock held. Null when the file cannot be opened.
    FT_Face Face(const FaceKey& key) {
        auto it = m_faces.find(key);
        if (it != m_faces.end()) {
            return it->second.get();
        }
        FT_Face face = nullptr;
        if (m_library == nullptr ||
            FT_New_Face(m_library.get(), key.file.c_str(), key.index, &face) != 0) {
            face = nullptr;
        }
        // A face that failed to open stays null, so that it is not tried again.
        return m_faces.emplace(key, UniqueFace(face)).first->second.get();
    }

    // Call with the lock held.
    const Glyph& GlyphFor(FT_Face face, int32_t pixelSize, FT_UInt glyphIndex, bool embolden) {
        GlyphKey key{face, pixelSize, glyphIndex, embolden};
        auto it = m_glyphs.find(key);
        if (it != m_glyphs.end()) {
            return it->second;
        }
        Glyph glyph;
        FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
        if (FT_Load_Glyph(face, glyphIndex, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_LIGHT) == 0) {
            if (embolden) {
                FT_GlyphSlot_Embolden(face->glyph);
            }
            if (FT_Render_Glyph(face->glyph, FT_RENDER_MODE_NORMAL) == 0) {
                const FT_Bitmap& bm = face->glyph->bitmap;
                glyph.width = static_cast<int32_t>(bm.width);
                glyph.height = static_cast<int32_t>(bm.rows);
                glyph.left = face->glyph->bitmap_left;
                glyph.top = face->glyph->bitmap_top;
                glyph.coverage.resize(static_cast<size_t>(glyph.width) * glyph.height);
                for (int32_t y = 0; y < glyph.height; ++y) {
                    const uint8_t* row = bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch;
                    std::copy(row, row + glyph.width,
                              glyph.coverage.begin() + static_cast<ptrdiff_t>(y) * glyph.width);
                }
            }
            glyph.advance = static_cast<int32_t>((face->glyph->advance.x + 32) >> 6);
        }
        return m_glyphs.emplace(key, std::move(glyph)).first->second;
    }

private:
    TextEngine() {
        FT_Library library = nullptr;
        if (FT_Init_FreeType(&library) == 0) {
            m_library.reset(library);
        }
        FcInit();
    }

    std::mutex m_lock;
    UniqueLibrary m_library;
    // Declared after the library, so that the faces go first.
    std::map<FaceKey, UniqueFace> m_faces;
    std::unordered_map<GlyphKey, Glyph, GlyphKeyHash> m_glyphs;
};

struct FallbackFont {
    FaceKey key;
    UniqueCharSet charset;
};

} // namespace

struct Font::Impl {
    FaceKey primary;
    bool embolden = false;
    int32_t underlinePosition = 1;
    int32_t underlineThickness = 1;
    // Fonts in fontconfig's order of preference for this face; a character the primary face
    // lacks comes from the first of them that has it.
    std::vector<FallbackFont> fallbacks;
    // Call with the engine lock held: which face draws c, and its glyph index (0: none does).
    std::unordered_map<wchar_t, std::pair<FT_Face, FT_UInt>> charCache;

    std::pair<FT_Face, FT_UInt> Resolve(TextEngine& engine, wchar_t c) {
        auto it = charCache.find(c);
        if (it != charCache.end()) {
            return it->second;
        }
        FT_Face primaryFace = engine.Face(primary);
        std::pair<FT_Face, FT_UInt> result{primaryFace, 0};
        if (primaryFace != nullptr) {
            result.second = FT_Get_Char_Index(primaryFace, static_cast<FT_ULong>(c));
        }
        if (result.second == 0) {
            for (const FallbackFont& f : fallbacks) {
                if (f.charset == nullptr ||
                    !FcCharSetHasChar(f.charset.get(), static_cast<FcChar32>(c))) {
                    continue;
                }
                FT_Face face = engine.Face(f.key);
                FT_UInt index = face ? FT_Get_Char_Index(face, static_cast<FT_ULong>(c)) : 0;
                if (index != 0) {
                    result = {face, index};
                    break;
                }
            }
        }
        charCache.emplace(c, result);
        return result;
    }
};

Font::~Font() = default;

namespace {

// The first font of fontconfig's sorted list for font's pattern: file, face index, whether to
// embolden and the family chosen.
void TakePrimary(FcPattern* prepared, FcPattern* listed, const LogFont& description, FaceKey key,
                 FaceKey* primary, bool* embolden, std::string* chosenFamily) {
    *primary = key;
    FcBool bold = FcFalse;
    int weight = FC_WEIGHT_REGULAR;
    FcPatternGetInteger(listed, FC_WEIGHT, 0, &weight);
    FcPatternGetBool(prepared, FC_EMBOLDEN, 0, &bold);
    // A bold request that found only a regular face is emboldened in software.
    *embolden = description.weight >= 600 && (bold || weight < FC_WEIGHT_DEMIBOLD);
    FcChar8* familyName = nullptr;
    if (FcPatternGetString(prepared, FC_FAMILY, 0, &familyName) == FcResultMatch) {
        *chosenFamily = reinterpret_cast<const char*>(familyName);
    }
}

bool MatchFace(const std::string& family, const LogFont& description, FaceKey* key, bool* embolden,
               std::string* chosenFamily, std::vector<FallbackFont>* fallbacks) {
    UniquePattern pattern(FcPatternCreate());
    FcPatternAddString(pattern.get(), FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern.get(), FC_WEIGHT,
                        description.weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern.get(), FC_SLANT,
                        description.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern.get(), FcMatchPattern);
    FcDefaultSubstitute(pattern.get());
    FcResult result = FcResultNoMatch;
    UniqueFontSet set(FcFontSort(nullptr, pattern.get(), FcTrue, nullptr, &result));
    bool found = false;
    for (int i = 0; set != nullptr && i < set->nfont; ++i) {
        UniquePattern font(FcFontRenderPrepare(nullptr, pattern.get(), set->fonts[i]));
        FcChar8* file = nullptr;
        if (font == nullptr || FcPatternGetString(font.get(), FC_FILE, 0, &file) != FcResultMatch) {
            continue;
        }
        int index = 0;
        FcPatternGetInteger(font.get(), FC_INDEX, 0, &index);
        FaceKey faceKey{reinterpret_cast<const char*>(file), index};
        if (!found) {
            found = true;
            TakePrimary(font.get(), set->fonts[i], description, faceKey, key, embolden,
                        chosenFamily);
            continue;
        }
        FcCharSet* charset = nullptr;
        if (FcPatternGetCharSet(set->fonts[i], FC_CHARSET, 0, &charset) == FcResultMatch) {
            fallbacks->push_back(FallbackFont{faceKey, UniqueCharSet(FcCharSetCopy(charset))});
        }
    }
    return found;
}

} // namespace

std::unique_ptr<Font> CreateFont(const LogFont& description) {
    TextEngine& engine = TextEngine::Instance();
    std::lock_guard<std::mutex> lock(engine.Lock());
    std::unique_ptr<Font> font(new Font);
    font->m_description = description;
    font->m_impl = std::make_unique<Font::Impl>();
    Font::Impl& impl = *font->m_impl;
    if (!MatchFace(MapFaceName(description.faceName), description, &impl.primary, &impl.embolden,
                   &font->m_family, &impl.fallbacks)) {
        return nullptr;
    }
    FT_Face face = engine.Face(impl.primary);
    if (face == nullptr) {
        return nullptr;
    }
    int32_t pixelSize = 16;
    if (description.height < 0) {
        pixelSize = -description.height;
    } else if (description.height > 0) {
        // A positive height is the cell height: ascender plus descender.
        int32_t cell = face->ascender - face->descender;
        pixelSize = cell > 0
                        ? static_cast<int32_t>(std::lround(static_cast<double>(description.height) *
                                                           face->units_per_EM / cell))
                        : description.height;
    }
    pixelSize = std::clamp(pixelSize, 1, 1000);
    font->m_pixelSize = pixelSize;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));
    font->m_ascent = static_cast<int32_t>((face->size->metrics.ascender + 63) >> 6);
    font->m_descent = static_cast<int32_t>((-face->size->metrics.descender + 63) >> 6);
    if (FT_IS_SCALABLE(face)) {
        double scale = static_cast<double>(pixelSize) / face->units_per_EM;
        impl.underlinePosition =
            std::max(1, static_cast<int32_t>(std::lround(-face->underline_position * scale)));
        impl.underlineThickness =
            std::max(1, static_cast<int32_t>(std::lround(face->underline_thickness * scale)));
    }
    return font;
}

const Font* DefaultGuiFont() {
    static const std::unique_ptr<Font> font = [] {
        LogFont description;
        description.height = -MulDiv(8, GetDisplayDpi(), 72);
        description.faceName = L"MS Shell Dlg";
        return CreateFont(description);
    }();
    return font.get();
}

namespace {

bool IsLineBreakChar(wchar_t c) {
    return c == L'\n' || c == L'\r';
}

// Characters between which a line may break without a space: ideographs, kana, Hangul and the
// full-width forms.
bool IsBreakAnywhere(wchar_t c) {
    return (c >= 0x2E80 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7AF) ||
           (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFF00 && c <= 0xFFEF);
}

int32_t CharAdvance(TextEngine& engine, const Font& font, wchar_t c) {
    if (IsLineBreakChar(c)) {
        return 0;
    }
    Font::Impl& impl = font.Internal();
    auto [face, index] = impl.Resolve(engine, c);
    if (face == nullptr) {
        return 0;
    }
    return engine.GlyphFor(face, font.PixelSize(), index, impl.embolden).advance;
}

} // namespace

int32_t MeasureTextWidth(const Font& font, std::wstring_view text) {
    TextEngine& engine = TextEngine::Instance();
    std::lock_guard<std::mutex> lock(engine.Lock());
    int32_t width = 0;
    for (wchar_t c : text) {
        width += CharAdvance(engine, font, c);
    }
    return width;
}

int CountMissingGlyphs(const Font& font, std::wstring_view text) {
    TextEngine& engine = TextEngine::Instance();
    std::lock_guard<std::mutex> lock(engine.Lock());
    int missing = 0;
    for (wchar_t c : text) {
        if (c < 0x20 || c == 0x7F) {
            continue;
        }
        if (font.Internal().Resolve(engine, c).second == 0) {
            ++missing;
        }
    }
    return missing;
}

std::vector<TextLine> BreakTextLines(const Font& font, std::wstring_view text, int32_t maxWidth,
                                     bool wordBreak, bool breakLongWords) {
    TextEngine& engine = TextEngine::Instance();
    std::lock_guard<std::mutex> lock(engine.Lock());
    std::vector<TextLine> lines;
    auto widthOf = [&](size_t begin, size_t end) {
        int32_t w = 0;
        for (size_t i = begin; i < end; ++i) {
            w += CharAdvance(engine, font, text[i]);
        }
        return w;
    };
    auto addLine = [&](size_t begin, size_t end) {
        while (end > begin && text[end - 1] == L' ') {
            --end; // trailing spaces take no room at a break
        }
        lines.push_back(TextLine{begin, end, widthOf(begin, end)});
    };
    size_t paragraph = 0;
    while (paragraph <= text.size()) {
        size_t end = paragraph;
        while (end < text.size() && !IsLineBreakChar(text[end])) {
            ++end;
        }
        if (!wordBreak) {
            lines.push_back(TextLine{paragraph, end, widthOf(paragraph, end)});
        } else if (end == paragraph) {
            lines.push_back(TextLine{paragraph, end, 0});
        }
        size_t pos = paragraph;
        while (wordBreak && pos < end) {
            int32_t width = 0;
            size_t j = pos;
            size_t lastBreak = pos;
            while (j < end) {
                int32_t w = CharAdvance(engine, font, text[j]);
                if (width + w > maxWidth && j > pos && text[j] != L' ') {
                    break;
                }
                width += w;
                ++j;
                if (text[j - 1] == L' ' || IsBreakAnywhere(text[j - 1]) ||
                    (j < end && IsBreakAnywhere(text[j]))) {
                    lastBreak = j;
                }
            }
            size_t next = j;
            if (j == end) {
                addLine(pos, end);
            } else if (lastBreak > pos) {
                addLine(pos, lastBreak);
                next = lastBreak;
            } else if (breakLongWords) {
                addLine(pos, j);
            } else {
                // A word wider than the line stays whole and is cut at the rectangle.
                while (next < end && text[next] != L' ') {
                    ++next;
                }
                addLine(pos, next);
            }
            while (next < end && text[next] == L' ') {
                ++next;
            }
            pos = next;
        }
        if (end >= text.size()) {
            break;
        }
        // "\r\n" is one break.
        paragraph =
            end + ((text[end] == L'\r' && end + 1 < text.size() && text[end + 1] == L'\n') ? 2 : 1);
        if (paragraph == text.size()) {
            lines.push_back(TextLine{paragraph, paragraph, 0});
            break;
        }
    }
    if (text.empty()) {
        lines.clear();
    }
    return lines;
}

void RenderTextLine(Bitmap& target, const Font& font, std::wstring_view text, int32_t x,
                    int32_t baselineY, uint32_t pixelColor, const Rect& clipRect) {
    TextEngine& engine = TextEngine::Instance();
    std::lock_guard<std::mutex> lock(engine.Lock());
    Rect clip = IntersectRects(clipRect, Rect{0, 0, target.Width(), target.Height()});
    if (clip.IsEmpty()) {
        return;
    }
    const uint32_t sr = (pixelColor >> 16) & 0xFF;
    const uint32_t sg = (pixelColor >> 8) & 0xFF;
    const uint32_t sb = pixelColor & 0xFF;
    auto blend = [&](int32_t px, int32_t py, uint32_t a) {
        if (a == 0 || !clip.Contains(px, py)) {
            return;
        }
        uint32_t& d = target.Pixels()[static_cast<size_t>(py) * target.Width() + px];
        uint32_t dr = (d >> 16) & 0xFF;
        uint32_t dg = (d >> 8) & 0xFF;
        uint32_t db = d & 0xFF;
        uint32_t r = (sr * a + dr * (255 - a) + 127) / 255;
        uint32_t g = (sg * a + dg * (255 - a) + 127) / 255;
        uint32_t b = (sb * a + db * (255 - a) + 127) / 255;
        d = (r << 16) | (g << 8) | b;
    };
    Font::Impl& impl = font.Internal();
    int32_t pen = x;
    for (wchar_t c : text) {
        if (IsLineBreakChar(c)) {
            continue;
        }
        auto [face, index] = impl.Resolve(engine, c);
        if (face == nullptr) {
            continue;
        }
        const Glyph& glyph = engine.GlyphFor(face, font.PixelSize(), index, impl.embolden);
        int32_t gx = pen + glyph.left;
        int32_t gy = baselineY - glyph.top;
        for (int32_t y = 0; y < glyph.height; ++y) {
            for (int32_t xx = 0; xx < glyph.width; ++xx) {
                blend(gx + xx, gy + y, glyph.coverage[static_cast<size_t>(y) * glyph.width + xx]);
            }
        }
        pen += glyph.advance;
    }
    if (font.Description().underline) {
        int32_t top = baselineY + impl.underlinePosition;
        for (int32_t y = top; y < top + impl.underlineThickness; ++y) {
            for (int32_t xx = x; xx < pen; ++xx) {
                blend(xx, y, 255);
            }
        }
    }
}

} // namespace platform
