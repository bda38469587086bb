// The own-drawn native controls: push button, group box, single-line edit box, report-style list
// view and list box with a vertical scroll bar. They paint into their dialog's frame when the
// window thread presents it and take input from the window thread only.
#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include <SDL.h>

#include "platform/Text.h"
#include "platform/WindowInternal.h"

namespace platform {
namespace detail {

namespace {

constexpr uint32_t kFace = 0xF0F0F0;
constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kBorder = 0x7A7A7A;
constexpr uint32_t kLightBorder = 0xADADAD;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kDisabledText = 0x6D6D6D;
constexpr uint32_t kSelection = 0x0078D7;
constexpr uint32_t kHover = 0xE5F1FB;
constexpr uint32_t kPressed = 0xCCE4F7;
constexpr uint32_t kGrid = 0xE5E5E5;
constexpr size_t kEditLimit = 32767;
constexpr int32_t kScrollBarWidth = 17;

constexpr int kEnChange = 0x0300;
constexpr int kLbnSelChange = 1;

const Font& FontOf(const ControlState& state) {
    return state.font ? *state.font : *DefaultGuiFont();
}

} // namespace

void FillRect(Bitmap& frame, const Rect& rect, uint32_t pixel, const Rect& clip) {
    Rect r = IntersectRects(IntersectRects(rect, clip), Rect{0, 0, frame.Width(), frame.Height()});
    for (int32_t y = r.top; y < r.bottom; ++y) {
        std::fill(frame.Pixels() + static_cast<size_t>(y) * frame.Width() + r.left,
                  frame.Pixels() + static_cast<size_t>(y) * frame.Width() + r.right, pixel);
    }
}

void FrameRect(Bitmap& frame, const Rect& rect, uint32_t pixel, const Rect& clip) {
    FillRect(frame, Rect{rect.left, rect.top, rect.right, rect.top + 1}, pixel, clip);
    FillRect(frame, Rect{rect.left, rect.bottom - 1, rect.right, rect.bottom}, pixel, clip);
    FillRect(frame, Rect{rect.left, rect.top, rect.left + 1, rect.bottom}, pixel, clip);
    FillRect(frame, Rect{rect.right - 1, rect.top, rect.right, rect.bottom}, pixel, clip);
}

void DrawTextLine(Bitmap& frame, const Font* font, std::wstring_view text, const Rect& rect,
                  uint32_t pixel, const Rect& clip, uint32_t align) {
    if (font == nullptr || text.empty()) {
        return;
    }
    int32_t width = MeasureTextWidth(*font, text);
    int32_t x = rect.left;
    if (align == kDtCenter) {
        x = rect.left + (rect.Width() - width) / 2;
    } else if (align == kDtRight) {
        x = rect.right - width;
    }
    int32_t top = rect.top + (rect.Height() - font->LineHeight()) / 2;
    RenderTextLine(frame, *font, text, x, top + font->Ascent(), pixel, IntersectRects(rect, clip));
}

namespace {

class ButtonControl final : public NativeControl {
public:
    void Paint(Bitmap& frame, int32_t x, int32_t y, const Rect& clip,
               const ControlState& state) override {
        Rect r{x, y, x + state.width, y + state.height};
        uint32_t face = !state.enabled            ? kFace
                        : (m_pressed && m_inside) ? kPressed
                        : m_inside                ? kHover
                                                  : 0xE1E1E1;
        FillRect(frame, r, face, clip);
        FrameRect(frame, r, state.enabled ? kLightBorder : 0xBFBFBF, clip);
        DrawTextLine(frame, &FontOf(state), state.text, r, state.enabled ? kText : kDisabledText,
                     clip, kDtCenter);
    }
    ControlResult OnMouseDown(int32_t, int32_t, ControlState&) override {
        m_pressed = true;
        m_inside = true;
        return ControlResult{true, -1};
    }
    ControlResult OnMouseMove(int32_t x, int32_t y, bool, ControlState& state) override {
        bool inside = x >= 0 && y >= 0 && x < state.width && y < state.height;
        if (inside == m_inside) {
            return {};
        }
        m_inside = inside;
        return ControlResult{true, -1};
    }
    ControlResult OnMouseUp(int32_t x, int32_t y, ControlState& state) override {
        bool inside = x >= 0 && y >= 0 && x < state.width && y < state.height;
        bool click = m_pressed && inside;
        m_pressed = false;
        m_inside = inside;
        return ControlResult{true, click ? kBnClicked : -1};
    }

private:
    bool m_pressed = false;
    bool m_inside = false;
};

class GroupBoxControl final : public NativeControl {
public:
    void Paint(Bitmap& frame, int32_t x, int32_t y, const Rect& clip,
               const ControlState& state) override {
        const Font& font = FontOf(state);
        int32_t lineY = y + font.LineHeight() / 2;
        FrameRect(frame, Rect{x, lineY, x + state.width, y + state.height}, 0xDCDCDC, clip);
        if (state.text.empty()) {
            return;
        }
        int32_t textWidth = MeasureTextWidth(font, state.text);
        Rect caption{x + 8, y, x + 8 + textWidth + 4, y + font.LineHeight()};
        FillRect(frame, caption, kFace, clip);
        DrawTextLine(frame, &font, state.text,
                     Rect{caption.left + 2, y, caption.right, caption.bottom},
                     state.enabled ? kText : kDisabledText, clip);
    }
};

// A single-line edit box: caret, selection (Shift with the arrows, Home and End, the mouse,
// Ctrl+A), typing, Backspace and Delete, cut, copy and paste, a formatting rectangle.
class EditControl final : public NativeControl {
public:
    explicit EditControl(uint32_t style) : m_border((style & kControlBorder) != 0) {}

    void SetFormattingRect(const Rect& r) { m_format = r; }

    void Paint(Bitmap& frame, int32_t x, int32_t y, const Rect& clip,
               const ControlState& state) override {
        Rect r{x, y, x + state.width, y + state.height};
        FillRect(frame, r, state.enabled ? kWhite : kFace, clip);
        if (m_border) {
            FrameRect(frame, r, state.focused ? kSelection : kBorder, clip);
        }
        const Font& font = FontOf(state);
        Rect area = FormatRect(state);
        Rect inner{x + area.left, y + area.top, x + area.right, y + area.bottom};
        Rect textClip = IntersectRects(inner, clip);
        Clamp(state.text);
        KeepCaretVisible(font, state);
        std::wstring_view text = state.text;
        int32_t origin = inner.left - m_scroll;
        if (state.focused && HasSelection()) {
            int32_t from = origin + MeasureTextWidth(font, text.substr(0, SelectionBegin()));
            int32_t to = origin + MeasureTextWidth(font, text.substr(0, SelectionEnd()));
            FillRect(frame, Rect{from, inner.top, to, inner.top + font.LineHeight()}, 0xCCE8FF,
                     textClip);
        }
        RenderTextLine(frame, font, text, origin, inner.top + font.Ascent(),
                       state.enabled ? kText : kDisabledText, textClip);
        if (state.focused && state.enabled) {
            int32_t caretX = origin + MeasureTextWidth(font, text.substr(0, m_caret));
            FillRect(frame, Rect{caretX, inner.top, caretX + 1, inner.top + font.LineHeight()},
                     kText, textClip);
        }
    }

    ControlResult OnMouseDown(int32_t x, int32_t, ControlState& state) override {
        m_caret = m_anchor = CharAt(x, state);
        return ControlResult{true, -1};
    }

    ControlResult OnMouseMove(int32_t x, int32_t, bool leftDown, ControlState& state) override {
        if (!leftDown) {
            return {};
        }
        size_t at = CharAt(x, state);
        if (at == m_caret) {
            return {};
        }
        m_caret = at; // dragging extends the selection from the press
        return ControlResult{true, -1};
    }

    ControlResult OnKey(int key, uint32_t modifiers, ControlState& state) override {
        std::wstring& text = state.text;
        Clamp(text);
        bool ctrl = (modifiers & kKeyCtrl) != 0;
        bool shift = (modifiers & kKeyShift) != 0;
        auto moveTo = [&](size_t at) {
            m_caret = at;
            if (!shift) {
                m_anchor = at;
            }
            return ControlResult{true, -1};
        };
        switch (key) {
        case SDLK_BACKSPACE:
            if (HasSelection()) {
                return EraseSelection(text);
            }
            if (m_caret == 0) {
                return {};
            }
            text.erase(--m_caret, 1);
            m_anchor = m_caret;
            return ControlResult{true, kEnChange};
        case SDLK_DELETE:
            if (HasSelection()) {
                return EraseSelection(text);
            }
            if (m_caret >= text.size()) {
                return {};
            }
            text.erase(m_caret, 1);
            return ControlResult{true, kEnChange};
        case SDLK_HOME:
            return moveTo(0);
        case SDLK_END:
            return moveTo(text.size());
        case SDLK_LEFT:
            return moveTo(m_caret > 0 ? m_caret - 1 : 0);
        case SDLK_RIGHT:
            return moveTo(std::min(m_caret + 1, text.size()));
        case SDLK_a:
            if (!ctrl) {
                return {};
            }
            m_anchor = 0;
            m_caret = text.size();
            return ControlResult{true, -1};
        case SDLK_c:
        case SDLK_x:
            if (!ctrl || !HasSelection()) {
                return {};
            }
            SDL_SetClipboardText(
                WideToNarrow(std::wstring_view(text).substr(SelectionBegin(),
                                                            SelectionEnd() - SelectionBegin()))
                    .c_str());
            return key == SDLK_x ? EraseSelection(text) : ControlResult{};
        case SDLK_v:
            if (!ctrl) {
                return {};
            }
            return Paste(state);
        default:
            return {};
        }
    }

    ControlResult OnTextInput(std::wstring_view input, ControlState& state) override {
        return Insert(input, state);
    }
    bool TakesFocus() const override { return true; }

private:
    bool HasSelection() const { return m_caret != m_anchor; }
    size_t SelectionBegin() const { return std::min(m_caret, m_anchor); }
    size_t SelectionEnd() const { return std::max(m_caret, m_anchor); }

    // A text set from outside may be shorter than the caret; the first text puts it at the end.
    void Clamp(const std::wstring& text) {
        m_caret = std::min(m_caret, text.size());
        m_anchor = std::min(m_anchor, text.size());
    }

    ControlResult EraseSelection(std::wstring& text) {
        size_t begin = SelectionBegin();
        text.erase(begin, SelectionEnd() - begin);
        m_caret = m_anchor = begin;
        return ControlResult{true, kEnChange};
    }

    // The character boundary nearest to x (control coordinates).
    size_t CharAt(int32_t x, const ControlState& state) const {
        const Font& font = FontOf(state);
        int32_t target = x - FormatRect(state).left + m_scroll;
        size_t best = 0;
        int32_t bestDistance = INT32_MAX;
        for (size_t i = 0; i <= state.text.size(); ++i) {
            int32_t w = MeasureTextWidth(font, std::wstring_view(state.text).substr(0, i));
            int32_t distance = std::abs(w - target);
            if (distance < bestDistance) {
                bestDistance = distance;
                best = i;
            }
        }
        return best;
    }

    ControlResult Paste(ControlState& state) {
        char* clip = SDL_GetClipboardText();
        if (clip == nullptr) {
            return {};
        }
        std::wstring text = NarrowToWide(clip);
        SDL_free(clip);
        // A single-line box takes the first line of what was copied.
        size_t end = text.find_first_of(L"\r\n");
        return Insert(std::wstring_view(text).substr(0, end), state);
    }

    ControlResult Insert(std::wstring_view input, ControlState& state) {
        std::wstring clean;
        for (wchar_t c : input) {
            if (c >= 0x20 && c != 0x7F) {
                clean.push_back(c);
            }
        }
        Clamp(state.text);
        bool replaced = HasSelection();
        if (replaced) {
            EraseSelection(state.text);
        }
        size_t room = kEditLimit > state.text.size() ? kEditLimit - state.text.size() : 0;
        clean.resize(std::min(clean.size(), room));
        if (clean.empty()) {
            return replaced ? ControlResult{true, kEnChange} : ControlResult{};
        }
        state.text.insert(m_caret, clean);
        m_caret += clean.size();
        m_anchor = m_caret;
        return ControlResult{true, kEnChange};
    }

    Rect FormatRect(const ControlState& state) const {
        if (m_format.has_value()) {
            return *m_format;
        }
        return Rect{2, 1, state.width - 2, state.height - 1};
    }

    void KeepCaretVisible(const Font& font, const ControlState& state) {
        Rect area = FormatRect(state);
        int32_t caretX = MeasureTextWidth(font, std::wstring_view(state.text).substr(0, m_caret));
        if (caretX - m_scroll > area.Width() - 1) {
            m_scroll = caretX - area.Width() + 1;
        }
        if (caretX < m_scroll) {
            m_scroll = caretX;
        }
        m_scroll = std::max(m_scroll, 0);
    }

    bool m_border;
    std::optional<Rect> m_format;
    size_t m_caret = SIZE_MAX; // at the end of the first text it sees
    size_t m_anchor = SIZE_MAX;
    int32_t m_scroll = 0;
};

// A vertical scroll bar over [0, count) items with page visible ones; shared by the lists.
class ScrollBar {
public:
    int32_t top = 0;

    void Clamp(int32_t count, int32_t page) { top = std::clamp(top, 0, std::max(0, count - page)); }

    void Paint(Bitmap& frame, const Rect& bar, int32_t count, int32_t page,
               const Rect& clip) const {
        FillRect(frame, bar, kFace, clip);
        int32_t arrow = std::min(kScrollBarWidth, bar.Height() / 2);
        DrawArrow(frame, Rect{bar.left, bar.top, bar.right, bar.top + arrow}, true, clip);
        DrawArrow(frame, Rect{bar.left, bar.bottom - arrow, bar.right, bar.bottom}, false, clip);
        Rect thumb = Thumb(bar, count, page);
        if (!thumb.IsEmpty()) {
            FillRect(frame, Rect{thumb.left + 2, thumb.top, thumb.right - 2, thumb.bottom},
                     0xCDCDCD, clip);
        }
    }

    Rect Thumb(const Rect& bar, int32_t count, int32_t page) const {
        int32_t arrow = std::min(kScrollBarWidth, bar.Height() / 2);
        int32_t track = bar.Height() - 2 * arrow;
        if (count <= page || track <= 0) {
            return Rect{};
        }
        int32_t size = std::max(8, track * page / count);
        int32_t range = count - page;
        int32_t offset = range > 0 ? (track - size) * top / range : 0;
        return Rect{bar.left, bar.top + arrow + offset, bar.right, bar.top + arrow + offset + size};
    }

    // A press at y on the bar: arrows scroll by one, the track by a page.
    void Press(const Rect& bar, int32_t y, int32_t count, int32_t page) {
        int32_t arrow = std::min(kScrollBarWidth, bar.Height() / 2);
        Rect thumb = Thumb(bar, count, page);
        if (y < bar.top + arrow) {
            --top;
        } else if (y >= bar.bottom - arrow) {
            ++top;
        } else if (!thumb.IsEmpty() && y < thumb.top) {
            top -= page;
        } else if (!thumb.IsEmpty() && y >= thumb.bottom) {
            top += page;
        }
        Clamp(count, page);
    }

private:
    static void DrawArrow(Bitmap& frame, const Rect& r, bool up, const Rect& clip) {
        int32_t cx = (r.left + r.right) / 2;
        int32_t cy = (r.top + r.bottom) / 2;
        for (int32_t i = 0; i < 4; ++i) {
            int32_t row = up ? cy - 2 + i : cy + 1 - i;
            FillRect(frame, Rect{cx - i, row, cx + i + 1, row + 1}, 0x606060, clip);
        }
    }
};

class ListBoxControl final : public NativeControl {
public:
    explicit ListBoxControl(uint32_t style)
        : m_border((style & kControlBorder) != 0), m_scrollBar((style & kControlVScroll) != 0) {}

    int Add(const std::wstring& text) {
        m_items.push_back(text);
        return static_cast<int>(m_items.size()) - 1;
    }
    int Count() const { return static_cast<int>(m_items.size()); }
    std::wstring Text(int index) const {
        return index >= 0 && index < Count() ? m_items[static_cast<size_t>(index)] : std::wstring();
    }
    int TopIndex() const { return m_scroll.top; }

    void Paint(Bitmap& frame, int32_t x, int32_t y, const Rect& clip,
               const ControlState& state) override {
        const Font& font = FontOf(state);
        Rect r{x, y, x + state.width, y + state.height};
        FillRect(frame, r, kWhite, clip);
        if (m_border) {
            FrameRect(frame, r, kBorder, clip);
        }
        Rect items = ItemArea(state);
        items = Rect{x + items.left, y + items.top, x + items.right, y + items.bottom};
        int32_t page = Page(font, state);
        m_scroll.Clamp(Count(), page);
        Rect itemClip = IntersectRects(items, clip);
        int32_t rowHeight = font.LineHeight();
        for (int32_t i = m_scroll.top; i < Count() && i < m_scroll.top + page + 1; ++i) {
            int32_t rowTop = items.top + (i - m_scroll.top) * rowHeight;
            Rect row{items.left, rowTop, items.right, rowTop + rowHeight};
            bool selected = i == m_selected;
            if (selected) {
                FillRect(frame, row, kSelection, itemClip);
            }
            std::wstring_view text = m_items[static_cast<size_t>(i)];
            // Lines keep their breaks in the list; they are shown as one line each.
            while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) {
                text.remove_suffix(1);
            }
            DrawTextLine(frame, &font, text, Rect{row.left + 2, row.top, row.right, row.bottom},
                         selected ? kWhite : kText, itemClip);
        }
        if (m_scrollBar) {
            Rect bar = BarRect(state);
            m_scroll.Paint(frame, Rect{x + bar.left, y + bar.top, x + bar.right, y + bar.bottom},
                           Count(), page, clip);
        }
    }

    ControlResult OnMouseDown(int32_t x, int32_t y, ControlState& state) override {
        const Font& font = FontOf(state);
        Rect bar = BarRect(state);
        if (m_scrollBar && bar.Contains(x, y)) {
            m_scroll.Press(bar, y, Count(), Page(font, state));
            return ControlResult{true, -1};
        }
        Rect items = ItemArea(state);
        if (!items.Contains(x, y)) {
            return {};
        }
        int index = m_scroll.top + (y - items.top) / std::max(1, font.LineHeight());
        if (index >= Count() || index == m_selected) {
            return {};
        }
        m_selected = index;
        return ControlResult{true, kLbnSelChange};
    }

    ControlResult OnWheel(int lines, ControlState& state) override {
        m_scroll.top -= lines * 3;
        m_scroll.Clamp(Count(), Page(FontOf(state), state));
        return ControlResult{true, -1};
    }

private:
    Rect ItemArea(const ControlState& state) const {
        int32_t inset = m_border ? 1 : 0;
        int32_t right = state.width - inset - (m_scrollBar ? kScrollBarWidth : 0);
        return Rect{inset, inset, right, state.height - inset};
    }
    Rect BarRect(const ControlState& state) const {
        int32_t inset = m_border ? 1 : 0;
        return Rect{state.width - inset - kScrollBarWidth, inset, state.width - inset,
                    state.height - inset};
    }
    int32_t Page(const Font& font, const ControlState& state) const {
        return std::max(1, ItemArea(state).Height() / std::max(1, font.LineHeight()));
    }

    bool m_border;
    bool m_scrollBar;
    std::vector<std::wstring> m_items;
    int m_selected = -1;
    ScrollBar m_scroll;
};

class ListViewControl final : public NativeControl {
public:
    explicit ListViewControl(uint32_t style) : m_border((style & kControlBorder) != 0) {}

    bool InsertColumn(int index, const std::wstring& header, int width) {
        if (index < 0) {
            return false;
        }
        size_t at = std::min(static_cast<size_t>(index), m_columns.size());
        m_columns.insert(m_columns.begin() + static_cast<ptrdiff_t>(at), Column{header, width});
        for (auto& row : m_rows) {
            if (row.size() >= at) {
                row.insert(row.begin() + static_cast<ptrdiff_t>(at), std::wstring());
            }
        }
        return true;
    }
    int InsertItem(int row, const std::wstring& text) {
        size_t at = row < 0 ? m_rows.size() : std::min(static_cast<size_t>(row), m_rows.size());
        std::vector<std::wstring> cells(std::max<size_t>(m_columns.size(), 1));
        cells[0] = text;
        m_rows.insert(m_rows.begin() + static_cast<ptrdiff_t>(at), std::move(cells));
        return static_cast<int>(at);
    }
    bool SetItemText(int row, int column, const std::wstring& text) {
        if (row < 0 || column < 0 || static_cast<size_t>(row) >= m_rows.size()) {
            return false;
        }
        auto& cells = m_rows[static_cast<size_t>(row)];
        if (static_cast<size_t>(column) >= cells.size()) {
            cells.resize(static_cast<size_t>(column) + 1);
        }
        cells[static_cast<size_t>(column)] = text;
        return true;
    }
    void DeleteAll() { m_rows.clear(); }
    int Count() const { return static_cast<int>(m_rows.size()); }
    std::wstring ItemText(int row, int column) const {
        if (row < 0 || column < 0 || static_cast<size_t>(row) >= m_rows.size()) {
            return {};
        }
        const auto& cells = m_rows[static_cast<size_t>(row)];
        return static_cast<size_t>(column) < cells.size() ? cells[static_cast<size_t>(column)]
                                                          : std::wstring();
    }

    void Paint(Bitmap& frame, int32_t x, int32_t y, const Rect& clip,
               const ControlState& state) override {
        const Font& font = FontOf(state);
        Rect r{x, y, x + state.width, y + state.height};
        FillRect(frame, r, kWhite, clip);
        if (m_border) {
            FrameRect(frame, r, kBorder, clip);
        }
        int32_t inset = m_border ? 1 : 0;
        Rect inner{r.left + inset, r.top + inset, r.right - inset, r.bottom - inset};
        Rect innerClip = IntersectRects(inner, clip);
        int32_t rowHeight = font.LineHeight() + 4;
        // Header.
        Rect header{inner.left, inner.top, inner.right, inner.top + rowHeight};
        FillRect(frame, header, kWhite, innerClip);
        FillRect(frame, Rect{header.left, header.bottom - 1, header.right, header.bottom}, kGrid,
                 innerClip);
        int32_t cx = inner.left;
        for (const Column& column : m_columns) {
            Rect cell{cx, header.top, cx + column.width, header.bottom};
            DrawTextLine(frame, &font, column.header,
                         Rect{cell.left + 6, cell.top, cell.right - 2, cell.bottom}, 0x4C607A,
                         IntersectRects(cell, innerClip));
            FillRect(frame, Rect{cell.right - 1, cell.top + 2, cell.right, cell.bottom - 2}, kGrid,
                     innerClip);
            cx += column.width;
        }
        int32_t page = std::max(1, (inner.Height() - rowHeight) / rowHeight);
        m_top = std::clamp(m_top, 0, std::max(0, Count() - page));
        Rect body{inner.left, header.bottom, inner.right, inner.bottom};
        Rect bodyClip = IntersectRects(body, innerClip);
        for (int32_t i = m_top; i < Count() && i <= m_top + page; ++i) {
            int32_t rowTop = body.top + (i - m_top) * rowHeight;
            int32_t colX = inner.left;
            const auto& cells = m_rows[static_cast<size_t>(i)];
            for (size_t c = 0; c < m_columns.size(); ++c) {
                Rect cell{colX, rowTop, colX + m_columns[c].width, rowTop + rowHeight};
                if (c < cells.size()) {
                    DrawTextLine(frame, &font, cells[c],
                                 Rect{cell.left + 6, cell.top, cell.right - 2, cell.bottom}, kText,
                                 IntersectRects(cell, bodyClip));
                }
                colX += m_columns[c].width;
            }
        }
    }

    ControlResult OnWheel(int lines, ControlState&) override {
        m_top = std::max(0, m_top - lines * 3);
        return ControlResult{true, -1};
    }

private:
    struct Column {
        std::wstring header;
        int width;
    };
    bool m_border;
    std::vector<Column> m_columns;
    std::vector<std::vector<std::wstring>> m_rows;
    int32_t m_top = 0;
};

class StaticControl final : public NativeControl {
public:
    void Paint(Bitmap& frame, int32_t x, int32_t y, const Rect& clip,
               const ControlState& state) override {
        DrawTextLine(frame, &FontOf(state), state.text,
                     Rect{x, y, x + state.width, y + state.height},
                     state.enabled ? kText : kDisabledText, clip);
    }
};

template <typename T, typename R>
R OnControl(WindowHandle window, R fallback, const std::function<R(T&)>& fn) {
    R result = fallback;
    WithControl(window, [&](NativeControl& control, ControlState&) {
        if (T* typed = dynamic_cast<T*>(&control)) {
            result = fn(*typed);
        }
    });
    return result;
}

} // namespace

std::unique_ptr<NativeControl> MakeNativeControl(ControlKind kind, uint32_t style) {
    switch (kind) {
    case ControlKind::Button:
        return std::make_unique<ButtonControl>();
    case ControlKind::GroupBox:
        return std::make_unique<GroupBoxControl>();
    case ControlKind::Edit:
        return std::make_unique<EditControl>(style);
    case ControlKind::ListView:
        return std::make_unique<ListViewControl>(style);
    case ControlKind::ListBox:
        return std::make_unique<ListBoxControl>(style);
    case ControlKind::Static:
        return std::make_unique<StaticControl>();
    }
    return std::make_unique<StaticControl>();
}

} // namespace detail

using detail::EditControl;
using detail::ListBoxControl;
using detail::ListViewControl;
using detail::OnControl;

bool EditSetFormattingRect(WindowHandle edit, const Rect& rect) {
    return OnControl<EditControl, bool>(edit, false, [&](EditControl& c) {
        c.SetFormattingRect(rect);
        return true;
    });
}

bool ListViewInsertColumn(WindowHandle listView, int index, const std::wstring& header, int width) {
    return OnControl<ListViewControl, bool>(
        listView, false, [&](ListViewControl& c) { return c.InsertColumn(index, header, width); });
}

int ListViewInsertItem(WindowHandle listView, int row, const std::wstring& text) {
    return OnControl<ListViewControl, int>(
        listView, -1, [&](ListViewControl& c) { return c.InsertItem(row, text); });
}

bool ListViewSetItemText(WindowHandle listView, int row, int column, const std::wstring& text) {
    return OnControl<ListViewControl, bool>(
        listView, false, [&](ListViewControl& c) { return c.SetItemText(row, column, text); });
}

bool ListViewDeleteAllItems(WindowHandle listView) {
    return OnControl<ListViewControl, bool>(listView, false, [&](ListViewControl& c) {
        c.DeleteAll();
        return true;
    });
}

int ListViewGetItemCount(WindowHandle listView) {
    return OnControl<ListViewControl, int>(listView, 0,
                                           [&](ListViewControl& c) { return c.Count(); });
}

std::wstring ListViewGetItemText(WindowHandle listView, int row, int column) {
    return OnControl<ListViewControl, std::wstring>(
        listView, std::wstring(), [&](ListViewControl& c) { return c.ItemText(row, column); });
}

int ListBoxAddString(WindowHandle listBox, const std::wstring& text) {
    return OnControl<ListBoxControl, int>(listBox, -1,
                                          [&](ListBoxControl& c) { return c.Add(text); });
}

int ListBoxGetCount(WindowHandle listBox) {
    return OnControl<ListBoxControl, int>(listBox, 0, [&](ListBoxControl& c) { return c.Count(); });
}

std::wstring ListBoxGetText(WindowHandle listBox, int index) {
    return OnControl<ListBoxControl, std::wstring>(
        listBox, std::wstring(), [&](ListBoxControl& c) { return c.Text(index); });
}

int ListBoxGetTopIndex(WindowHandle listBox) {
    return OnControl<ListBoxControl, int>(listBox, 0,
                                          [&](ListBoxControl& c) { return c.TopIndex(); });
}

} // namespace platform
