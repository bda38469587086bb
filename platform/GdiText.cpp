// Text on device contexts: measuring and drawing with the selected font, in the format flags the
// program uses.
#include <algorithm>
#include <vector>

#include "platform/Font.h"
#include "platform/Gdi.h"

namespace platform {

namespace {

std::vector<TextLine> LayOutLines(const Font& font, std::wstring_view text, int32_t width,
                                  uint32_t format) {
    if ((format & kDtSingleLine) != 0) {
        return {TextLine{0, text.size(), MeasureTextWidth(font, text)}};
    }
    return BreakTextLines(font, text, width, (format & kDtWordBreak) != 0,
                          (format & kDtEditControl) != 0);
}

// Where a single line starts vertically; other text starts at the top.
int32_t FirstLineTop(const Rect& rect, uint32_t format, int32_t lineHeight) {
    if ((format & kDtSingleLine) != 0 && (format & kDtVCenter) != 0) {
        return rect.top + (rect.Height() - lineHeight) / 2;
    }
    if ((format & kDtSingleLine) != 0 && (format & kDtBottom) != 0) {
        return rect.bottom - lineHeight;
    }
    return rect.top;
}

int32_t LineLeft(const Rect& rect, uint32_t format, int32_t width) {
    switch (format & 0x3) {
    case kDtCenter:
        return rect.left + (rect.Width() - width) / 2;
    case kDtRight:
        return rect.right - width;
    default:
        return rect.left;
    }
}

void FillCell(Bitmap& target, const Rect& cell, uint32_t pixel) {
    for (int32_t y = cell.top; y < cell.bottom; ++y) {
        uint32_t* row = target.Pixels() + static_cast<size_t>(y) * target.Width();
        std::fill(row + cell.left, row + cell.right, pixel);
    }
}

} // namespace

Point DeviceContext::MeasureText(std::wstring_view text) const {
    const Font* font = m_font ? m_font : DefaultGuiFont();
    if (font == nullptr) {
        return Point{};
    }
    return Point{MeasureTextWidth(*font, text), font->LineHeight()};
}

int DeviceContext::DrawText(std::wstring_view text, Rect* rect, uint32_t format) {
    const Font* font = m_font ? m_font : DefaultGuiFont();
    if (rect == nullptr || font == nullptr) {
        return 0;
    }
    const bool singleLine = (format & kDtSingleLine) != 0;
    const bool editControl = (format & kDtEditControl) != 0;
    const int32_t lineHeight = font->LineHeight();
    const std::vector<TextLine> lines = LayOutLines(*font, text, rect->Width(), format);
    const int32_t totalHeight = lineHeight * static_cast<int32_t>(lines.size());

    if ((format & kDtCalcRect) != 0) {
        int32_t maxWidth = 0;
        for (const TextLine& line : lines) {
            maxWidth = std::max(maxWidth, line.width);
        }
        // Single lines and unbroken text report their own width; wrapped text keeps the width
        // it was wrapped to unless a line is wider.
        const bool wordBreak = !singleLine && (format & kDtWordBreak) != 0;
        rect->right = rect->left + (wordBreak ? std::max(rect->Width(), maxWidth) : maxWidth);
        rect->bottom = rect->top + totalHeight;
        return totalHeight;
    }

    const int32_t top = FirstLineTop(*rect, format, lineHeight);
    SurfaceGuard guard(*this);
    if (m_target == nullptr) {
        return totalHeight;
    }
    const Rect clip = IntersectRects(*rect, Rect{0, 0, m_target->Width(), m_target->Height()});
    for (size_t i = 0; i < lines.size(); ++i) {
        const TextLine& line = lines[i];
        const int32_t lineTop = top + static_cast<int32_t>(i) * lineHeight;
        // Like a multi-line edit control, 0x2000 leaves out a last line that would be cut.
        if (editControl && !singleLine && i > 0 && lineTop + lineHeight > rect->bottom) {
            break;
        }
        const int32_t x = LineLeft(*rect, format, line.width);
        if (m_bkMode == kOpaque) {
            FillCell(*m_target,
                     IntersectRects(Rect{x, lineTop, x + line.width, lineTop + lineHeight}, clip),
                     PixelFromColorRef(m_bkColor));
        }
        RenderTextLine(*m_target, *font, text.substr(line.begin, line.end - line.begin), x,
                       lineTop + font->Ascent(), PixelFromColorRef(m_textColor), clip);
    }
    if (singleLine && (format & (kDtVCenter | kDtBottom)) != 0) {
        return top - rect->top + lineHeight;
    }
    return totalHeight;
}

} // namespace platform
