// Text on device contexts: measuring and drawing with the selected font, in the format flags the
// program uses.
#include <algorithm>
#include <vector>

#include "platform/Font.h"
#include "platform/Gdi.h"

namespace platform {

Point DeviceContext::MeasureText(std::wstring_view text) const {
    const Font* font = m_font ? m_font : DefaultGuiFont();
    if (font == nullptr) {
        return Point{};
    }
    return Point{MeasureTextWidth(*font, text), font->LineHeight()};
}

int DeviceContext::DrawText(std::wstring_view text, Rect* rect, uint32_t format) {
    if (rect == nullptr) {
        return 0;
    }
    const Font* font = m_font ? m_font : DefaultGuiFont();
    if (font == nullptr) {
        return 0;
    }
    bool singleLine = (format & kDtSingleLine) != 0;
    bool wordBreak = !singleLine && (format & kDtWordBreak) != 0;
    bool editControl = (format & kDtEditControl) != 0;
    int32_t lineHeight = font->LineHeight();

    std::vector<TextLine> lines;
    if (singleLine) {
        lines.push_back(TextLine{0, text.size(), MeasureTextWidth(*font, text)});
    } else {
        lines = BreakTextLines(*font, text, rect->Width(), wordBreak, editControl);
    }
    int32_t maxWidth = 0;
    for (const TextLine& line : lines) {
        maxWidth = std::max(maxWidth, line.width);
    }
    int32_t totalHeight = lineHeight * static_cast<int32_t>(lines.size());

    if ((format & kDtCalcRect) != 0) {
        // Single lines and unbroken text report their own width; wrapped text keeps the width
        // it was wrapped to unless a line is wider.
        if (wordBreak) {
            rect->right = rect->left + std::max(rect->Width(), maxWidth);
        } else {
            rect->right = rect->left + maxWidth;
        }
        rect->bottom = rect->top + totalHeight;
        return totalHeight;
    }

    int32_t top = rect->top;
    if (singleLine && (format & kDtVCenter) != 0) {
        top = rect->top + (rect->Height() - lineHeight) / 2;
    } else if (singleLine && (format & kDtBottom) != 0) {
        top = rect->bottom - lineHeight;
    }

    SurfaceGuard guard(*this);
    if (m_target == nullptr) {
        return totalHeight;
    }
    Rect clip = IntersectRects(*rect, Rect{0, 0, m_target->Width(), m_target->Height()});
    uint32_t textPixel = PixelFromColorRef(m_textColor);
    for (size_t i = 0; i < lines.size(); ++i) {
        const TextLine& line = lines[i];
        int32_t lineTop = top + static_cast<int32_t>(i) * lineHeight;
        // Like a multi-line edit control, 0x2000 leaves out a last line that would be cut.
        if (editControl && !singleLine && i > 0 && lineTop + lineHeight > rect->bottom) {
            break;
        }
        int32_t x = rect->left;
        uint32_t align = format & 0x3;
        if (align == kDtCenter) {
            x = rect->left + (rect->Width() - line.width) / 2;
        } else if (align == kDtRight) {
            x = rect->right - line.width;
        }
        if (m_bkMode == kOpaque) {
            Rect cell =
                IntersectRects(Rect{x, lineTop, x + line.width, lineTop + lineHeight}, clip);
            uint32_t bk = PixelFromColorRef(m_bkColor);
            for (int32_t y = cell.top; y < cell.bottom; ++y) {
                uint32_t* row = m_target->Pixels() + static_cast<size_t>(y) * m_target->Width();
                std::fill(row + cell.left, row + cell.right, bk);
            }
        }
        RenderTextLine(*m_target, *font, text.substr(line.begin, line.end - line.begin), x,
                       lineTop + font->Ascent(), textPixel, clip);
    }
    if (singleLine && (format & (kDtVCenter | kDtBottom)) != 0) {
        return top - rect->top + lineHeight;
    }
    return totalHeight;
}

} // namespace platform
