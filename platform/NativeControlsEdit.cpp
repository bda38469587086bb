// The own-drawn single-line edit box.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <optional>

#include "platform/NativeControls.h"
#include "platform/Text.h"

namespace platform {
namespace detail {
namespace {

constexpr size_t kEditLimit = 32767;
constexpr int kEnChange = 0x0300;

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
        case kVkBack:
            if (HasSelection()) {
                return EraseSelection(text);
            }
            if (m_caret == 0) {
                return {};
            }
            text.erase(--m_caret, 1);
            m_anchor = m_caret;
            return ControlResult{true, kEnChange};
        case kVkDelete:
            if (HasSelection()) {
                return EraseSelection(text);
            }
            if (m_caret >= text.size()) {
                return {};
            }
            text.erase(m_caret, 1);
            return ControlResult{true, kEnChange};
        case kVkHome:
            return moveTo(0);
        case kVkEnd:
            return moveTo(text.size());
        case kVkLeft:
            return moveTo(m_caret > 0 ? m_caret - 1 : 0);
        case kVkRight:
            return moveTo(std::min(m_caret + 1, text.size()));
        case 'A':
            if (!ctrl) {
                return {};
            }
            m_anchor = 0;
            m_caret = text.size();
            return ControlResult{true, -1};
        case 'C':
        case 'X':
            if (!ctrl || !HasSelection()) {
                return {};
            }
            SetClipboardText(text.substr(SelectionBegin(), SelectionEnd() - SelectionBegin()));
            return key == 'X' ? EraseSelection(text) : ControlResult{};
        case 'V':
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
        std::wstring text = GetClipboardText();
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

} // namespace

std::unique_ptr<NativeControl> MakeEditControl(uint32_t style) {
    return std::make_unique<EditControl>(style);
}

} // namespace detail

bool EditSetFormattingRect(WindowHandle edit, const Rect& rect) {
    return detail::OnControl<detail::EditControl, bool>(edit, false, [&](detail::EditControl& c) {
        c.SetFormattingRect(rect);
        return true;
    });
}

} // namespace platform
