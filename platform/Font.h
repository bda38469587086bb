// Fonts of the emulated machine: logical fonts by face name, rendered with FreeType from the
// fonts fontconfig finds. Windows face names map to installed families ("微软雅黑" to WenQuanYi
// Micro Hei, "ArialMT" to Liberation Sans, "MS Shell Dlg" to DejaVu Sans); a character the chosen
// face lacks is taken from the first installed font that has it, so every UI language shows all
// its glyphs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Gdi.h"

namespace platform {

inline constexpr int32_t kFwNormal = 400;
inline constexpr int32_t kFwBold = 700;

// The fields of a logical font the program sets; everything else of the description is zero.
struct LogFont {
    // Negative: character height (the em size) in pixels; positive: cell height; 0: default.
    int32_t height = 0;
    int32_t weight = 0;
    bool italic = false;
    bool underline = false;
    std::wstring faceName;
};

// MulDiv: a × b / c rounded to the nearest integer (halves away from zero); −1 when c is 0.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// The installed family a Windows face name maps to.
std::string MapFaceName(std::wstring_view faceName);

// A created font (CreateFontIndirect). Immutable after creation, so any thread may draw with it.
class Font {
public:
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const LogFont& Description() const { return m_description; }
    // The family that fontconfig chose for the face name.
    const std::string& FamilyName() const { return m_family; }
    int32_t PixelSize() const { return m_pixelSize; }
    int32_t Ascent() const { return m_ascent; }
    int32_t LineHeight() const { return m_ascent + m_descent; }

    struct Impl;
    Impl& Internal() const { return *m_impl; }

private:
    friend std::unique_ptr<Font> CreateFont(const LogFont& description);
    Font() = default;
    LogFont m_description;
    std::string m_family;
    int32_t m_pixelSize = 0;
    int32_t m_ascent = 0;
    int32_t m_descent = 0;
    std::unique_ptr<Impl> m_impl;
};

// CreateFontIndirect. Null only when no font at all is installed.
std::unique_ptr<Font> CreateFont(const LogFont& description);
// The system font that contexts use while no font is selected ("MS Shell Dlg", 8 points).
const Font* DefaultGuiFont();

// How many characters of text the font and its fallbacks could not show (each drawn as an empty
// box). Tests use it to prove that a language renders completely.
int CountMissingGlyphs(const Font& font, std::wstring_view text);

// One laid-out line of text: the characters [begin, end) of the original text and the width.
struct TextLine {
    size_t begin = 0;
    size_t end = 0;
    int32_t width = 0;
};

// Text layout and rendering used by DeviceContext::DrawText.
int32_t MeasureTextWidth(const Font& font, std::wstring_view text);
std::vector<TextLine> BreakTextLines(const Font& font, std::wstring_view text, int32_t maxWidth,
                                     bool wordBreak, bool breakLongWords);
// Draws one line with its baseline at (x, baselineY), blending into the bitmap, clipped to clip.
void RenderTextLine(Bitmap& target, const Font& font, std::wstring_view text, int32_t x,
                    int32_t baselineY, uint32_t pixelColor, const Rect& clip);

} // namespace platform
