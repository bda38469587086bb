// The own-drawn list box and report-style list view, with the vertical scroll bar they share.
#include <algorithm>
#include <vector>

#include "platform/NativeControls.h"

namespace platform {
namespace detail {
namespace {

constexpr int32_t kScrollBarWidth = 17;
constexpr int kLbnSelChange = 1;

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

// The white field of a list, framed when border: what both lists paint first. Its rectangle on
// the frame.
Rect PaintListField(Bitmap& frame, int32_t x, int32_t y, const Rect& clip,
                    const ControlState& state, bool border) {
    const Rect r{x, y, x + state.width, y + state.height};
    FillRect(frame, r, kWhite, clip);
    if (border) {
        FrameRect(frame, r, kBorder, clip);
    }
    return r;
}

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
        PaintListField(frame, x, y, clip, state, m_border);
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
        const Rect r = PaintListField(frame, x, y, clip, state, m_border);
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

} // namespace

std::unique_ptr<NativeControl> MakeListBoxControl(uint32_t style) {
    return std::make_unique<ListBoxControl>(style);
}

std::unique_ptr<NativeControl> MakeListViewControl(uint32_t style) {
    return std::make_unique<ListViewControl>(style);
}

} // namespace detail

using detail::ListBoxControl;
using detail::ListViewControl;
using detail::OnControl;

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
