// The own-drawn native controls: push button, group box and static text here, the edit box in
// NativeControlsEdit.cpp, the list view and list box in NativeControlsLists.cpp. They paint into
// their dialog's frame when the window thread presents it and take input from the window thread
// only.
#include <algorithm>

#include "platform/NativeControls.h"

namespace platform::detail {

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

class StaticControl final : public NativeControl {
public:
    void Paint(Bitmap& frame, int32_t x, int32_t y, const Rect& clip,
               const ControlState& state) override {
        DrawTextLine(frame, &FontOf(state), state.text,
                     Rect{x, y, x + state.width, y + state.height},
                     state.enabled ? kText : kDisabledText, clip);
    }
};

} // namespace

std::unique_ptr<NativeControl> MakeNativeControl(ControlKind kind, uint32_t style) {
    switch (kind) {
    case ControlKind::Button:
        return std::make_unique<ButtonControl>();
    case ControlKind::GroupBox:
        return std::make_unique<GroupBoxControl>();
    case ControlKind::Edit:
        return MakeEditControl(style);
    case ControlKind::ListView:
        return MakeListViewControl(style);
    case ControlKind::ListBox:
        return MakeListBoxControl(style);
    case ControlKind::Static:
        return std::make_unique<StaticControl>();
    }
    return std::make_unique<StaticControl>();
}

} // namespace platform::detail
