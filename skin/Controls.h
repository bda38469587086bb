// Windowless skinned controls: each owns a rectangle of its owner window's client area, draws
// itself into the context the owner's painter passes in, is fed mouse coordinates by the owner
// and reports a click by sending WM_COMMAND with its id to the owner.
//
// Three threads touch the controls of a window (its own thread, its repaint thread, and the
// workers that switch pages). Every change and every drawing holds the owner window's lock
// (OwnerLock), which painters also hold across a whole frame.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/Font.h"
#include "platform/Gdi.h"
#include "platform/Window.h"
#include "skin/SkinBitmap.h"

namespace skin {

using platform::ColorRef;
using platform::DeviceContext;
using platform::Font;
using platform::WindowHandle;

// The lock that serialises drawing and changes of every control of one owner window. It lives
// until the process ends; a null owner has one lock of its own.
std::recursive_mutex& OwnerLock(WindowHandle owner);

enum ControlState : int32_t {
    kStateNormal = 0,
    kStateHover = 1,
    kStatePressed = 2,
    kStateDisabled = 3,
};

class CommonCtrl {
public:
    CommonCtrl(WindowHandle owner, int32_t left, int32_t top, int32_t right, int32_t bottom);
    virtual ~CommonCtrl();
    CommonCtrl(const CommonCtrl&) = delete;
    CommonCtrl& operator=(const CommonCtrl&) = delete;

    // Returns 1 when the control drew, 0 when it drew nothing.
    virtual int Draw(DeviceContext* dc) = 0;
    virtual void SetId(int id);
    virtual int GetId() const;
    virtual void SetText(const std::wstring& text);
    virtual std::wstring GetText() const;
    const Font* GetFont() const;
    virtual void SetFont(const Font* font);
    virtual void SetColor(ColorRef color);
    virtual void SetFormat(uint32_t format);
    virtual void FillSolid(DeviceContext* dc, const CommonRect& rect, ColorRef color);
    virtual void SetVisible(bool visible);
    virtual bool IsVisible() const;
    virtual void SetEnabled(bool enabled);
    virtual bool IsEnabled() const;
    virtual WindowHandle GetOwner() const;
    // The control's rectangle by reference: a caller that changes edges holds OwnerLock and calls
    // CommonRect::Recalc afterwards.
    virtual CommonRect& GetRect();
    virtual void SetRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // All four edges count as inside.
    virtual bool HitTest(int32_t x, int32_t y) const;
    virtual void SetDrawBitmap(int draw);
    virtual int GetDrawBitmap() const;
    virtual void SetStateColors(ColorRef normal, ColorRef hover, ColorRef pressed,
                                ColorRef disabled);
    virtual void SetStateBitmaps(BitmapHandle normal, BitmapHandle hover, BitmapHandle pressed,
                                 BitmapHandle disabled);
    // Copies the bitmap's top-left width × height pixels to (x, y). Returns 1 when the context or
    // the bitmap is null, else 0.
    virtual int DrawBitmapAt(DeviceContext* dc, BitmapHandle bitmap, int32_t x, int32_t y,
                             int32_t width, int32_t height);
    virtual int DrawStateBitmap(DeviceContext* dc, BitmapHandle bitmap);

    int32_t GetState() const;
    bool IsPressed() const;
    ColorRef GetColor() const;
    uint32_t GetFormat() const;

protected:
    std::recursive_mutex& Lock() const { return m_lock; }
    // Draws the caption transparently in colour with font (when set) into rect.
    void DrawCaption(DeviceContext* dc, const Font* font, const platform::Rect& rect);

    int32_t m_state = kStateNormal;
    bool m_pressed = false;
    ColorRef m_stateColors[4] = {0, 0, 0, 0};
    BitmapHandle m_stateBitmaps[4] = {nullptr, nullptr, nullptr, nullptr};
    uint32_t m_format = 0x25;
    int m_id = -1;
    WindowHandle m_owner = nullptr;
    CommonRect m_rect;
    std::wstring m_text;
    bool m_visible = true;
    bool m_enabled = true;
    int m_drawBitmap = 0;
    const Font* m_font = nullptr;
    ColorRef m_color = 0;

private:
    std::recursive_mutex& m_lock;
};

// Push button.
class ButtonCtrlEx : public CommonCtrl {
public:
    ButtonCtrlEx(WindowHandle owner, int32_t left, int32_t top, int32_t right, int32_t bottom);

    int Draw(DeviceContext* dc) override;
    void SetEnabled(bool enabled) override;
    // The mouse state machine; each returns 1 when the point hit this control.
    virtual int OnMouseMove(int32_t x, int32_t y);
    virtual int OnLButtonDown(int32_t x, int32_t y);
    virtual int OnLButtonUp(int32_t x, int32_t y);

protected:
    // The image for the current state; also takes the state's colour. Call with the lock held.
    virtual BitmapHandle ChooseImage();
    // Draws the image over the control. Call with the lock held.
    virtual void DrawImage(DeviceContext* dc, BitmapHandle image);
    virtual platform::Rect CaptionRect() const;
    virtual const Font* CaptionFont() const;
};

// Check box: a second bitmap set for the checked state. It never toggles itself: the owner's
// command handler calls SetCheck.
class CheckButtonCtrl : public ButtonCtrlEx {
public:
    CheckButtonCtrl(WindowHandle owner, int32_t left, int32_t top, int32_t right, int32_t bottom);

    virtual void SetCheck(bool checked);
    virtual bool GetCheck() const;
    virtual void SetCheckedBitmaps(BitmapHandle normal, BitmapHandle hover, BitmapHandle pressed,
                                   BitmapHandle disabled);

protected:
    BitmapHandle ChooseImage() override;

    BitmapHandle m_checkedBitmaps[4] = {nullptr, nullptr, nullptr, nullptr};
    uintptr_t m_checked = 0;
};

// Check box whose box and caption have rectangles of their own, relative to left and top.
class CheckButtonCtrlEx : public CheckButtonCtrl {
public:
    CheckButtonCtrlEx(WindowHandle owner, int32_t left, int32_t top, int32_t right, int32_t bottom);

    virtual void SetBoxRect(int32_t x, int32_t y, int32_t width, int32_t height);
    virtual void SetTextRect(int32_t x, int32_t y, int32_t width, int32_t height);

protected:
    void DrawImage(DeviceContext* dc, BitmapHandle image) override;
    platform::Rect CaptionRect() const override;

    int32_t m_boxX = 0;
    int32_t m_boxY = 0;
    int32_t m_boxWidth = 0;
    int32_t m_boxHeight = 0;
    int32_t m_textX = 0;
    int32_t m_textY = 0;
    int32_t m_textWidth = 0;
    int32_t m_textHeight = 0;
};

// Hyperlink: its own font while hovered or pressed.
class HyLinkCtrlEx : public ButtonCtrlEx {
public:
    HyLinkCtrlEx(WindowHandle owner, int32_t left, int32_t top, int32_t right, int32_t bottom);

    virtual void SetHoverFont(const Font* font);

protected:
    const Font* CaptionFont() const override;

    const Font* m_hoverFont = nullptr;
};

// Label or picture. Without a context it draws into the owner window's context.
class StaticCtrl : public CommonCtrl {
public:
    StaticCtrl(WindowHandle owner, int32_t left, int32_t top, int32_t right, int32_t bottom);

    int Draw(DeviceContext* dc) override;
};

// Progress bar.
class ProcessCtrl : public CommonCtrl {
public:
    ProcessCtrl(WindowHandle owner, int32_t left, int32_t top, int32_t right, int32_t bottom);

    int Draw(DeviceContext* dc) override;
    virtual void SetRange(int32_t minimum, int32_t maximum);
    // Stores the position and draws at once into the owner window.
    virtual void SetPos(int32_t position);
    virtual void SetBorder(int32_t width, ColorRef color);
    virtual void SetBarColors(ColorRef done, ColorRef rest);

    // The width of the done part inside the border for the current values.
    int32_t DoneWidth() const;

protected:
    int32_t m_minimum = 0;
    int32_t m_maximum = 100;
    int32_t m_position = 0;
    int32_t m_borderWidth = 0;
    ColorRef m_borderColor = 0;
    ColorRef m_doneColor = 0;
    ColorRef m_restColor = 0;
};

} // namespace skin
