// Between the window system and its own-drawn native controls. Not for use outside platform/.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Font.h"
#include "platform/Gdi.h"
#include "platform/Window.h"
#include "platform/WindowBackend.h"

namespace platform::detail {

// What a control sees of its window while it paints or handles input: a copy of the window's
// text, which the window system stores back when the control changed it.
struct ControlState {
    std::wstring& text;
    const Font* font;
    bool enabled;
    bool focused;
    int32_t width;
    int32_t height;
};

// What a control asks of the window system after an input event.
struct ControlResult {
    bool changed = false; // repaint the frame
    int notifyCode = -1;  // when not negative: send WM_COMMAND (id, code) to the parent
};

// An own-drawn control. Runs on the window thread only.
class NativeControl {
public:
    virtual ~NativeControl() = default;
    // Draws the control into frame with its top-left corner at (x, y), clipped to clip.
    virtual void Paint(Bitmap& frame, int32_t x, int32_t y, const Rect& clip,
                       const ControlState& state) = 0;
    // Mouse input in the control's client coordinates.
    virtual ControlResult OnMouseDown(int32_t x, int32_t y, ControlState& state) { return {}; }
    virtual ControlResult OnMouseUp(int32_t x, int32_t y, ControlState& state) { return {}; }
    virtual ControlResult OnMouseMove(int32_t x, int32_t y, bool leftDown, ControlState& state) {
        return {};
    }
    virtual ControlResult OnWheel(int lines, ControlState& state) { return {}; }
    // virtualKey: a kVk* code or a letter; modifiers: kKeyCtrl and kKeyShift bits.
    virtual ControlResult OnKey(int virtualKey, uint32_t modifiers, ControlState& state) {
        return {};
    }
    virtual ControlResult OnTextInput(std::wstring_view text, ControlState& state) { return {}; }
    virtual bool TakesFocus() const { return false; }
    virtual void OnFocus(bool focused, ControlState& state) {}
};

std::unique_ptr<NativeControl> MakeNativeControl(ControlKind kind, uint32_t style);

// Runs fn with the control of window on the window thread (marshalled from other threads) and
// repaints the parent's frame afterwards. False when window is not a native control.
bool WithControl(WindowHandle window, const std::function<void(NativeControl&, ControlState&)>& fn);

// Draws a one-pixel frame (used by several controls).
void FrameRect(Bitmap& frame, const Rect& rect, uint32_t pixel, const Rect& clip);
void FillRect(Bitmap& frame, const Rect& rect, uint32_t pixel, const Rect& clip);
// Draws a single line of text with the vertical centring of format 0x24, clipped to clip.
void DrawTextLine(Bitmap& frame, const Font* font, std::wstring_view text, const Rect& rect,
                  uint32_t pixel, const Rect& clip, uint32_t align = kDtLeft);

} // namespace platform::detail
