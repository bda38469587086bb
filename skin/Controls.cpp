#include "skin/Controls.h"

#include <map>
#include <memory>

namespace skin {

using platform::Rect;

std::recursive_mutex& OwnerLock(WindowHandle owner) {
    static std::mutex* tableLock = new std::mutex;
    static auto* table = new std::map<WindowHandle, std::unique_ptr<std::recursive_mutex>>;
    std::lock_guard<std::mutex> lock(*tableLock);
    std::unique_ptr<std::recursive_mutex>& entry = (*table)[owner];
    if (entry == nullptr) {
        entry = std::make_unique<std::recursive_mutex>();
    }
    return *entry;
}

namespace {
using Guard = std::lock_guard<std::recursive_mutex>;

// The context a control draws into: the one it was given, or else the owner window's own, which
// holder keeps while the drawing lasts. Null when neither exists (the window is gone).
DeviceContext* ContextOrOwners(DeviceContext* dc, WindowHandle owner,
                               std::unique_ptr<DeviceContext>& holder) {
    if (dc != nullptr) {
        return dc;
    }
    holder = platform::GetDC(owner);
    return holder.get();
}
} // namespace

CommonCtrl::CommonCtrl(WindowHandle owner, int32_t left, int32_t top, int32_t right, int32_t bottom)
    : m_owner(owner), m_rect(left, top, right, bottom), m_lock(OwnerLock(owner)) {}

CommonCtrl::~CommonCtrl() = default;

void CommonCtrl::SetId(int id) {
    Guard guard(Lock());
    m_id = id;
}

int CommonCtrl::GetId() const {
    Guard guard(Lock());
    return m_id;
}

void CommonCtrl::SetText(const std::wstring& text) {
    Guard guard(Lock());
    m_text = text;
}

std::wstring CommonCtrl::GetText() const {
    Guard guard(Lock());
    return m_text;
}

const Font* CommonCtrl::GetFont() const {
    Guard guard(Lock());
    return m_font;
}

void CommonCtrl::SetFont(const Font* font) {
    Guard guard(Lock());
    m_font = font;
}

void CommonCtrl::SetColor(ColorRef color) {
    Guard guard(Lock());
    m_color = color;
}

void CommonCtrl::SetFormat(uint32_t format) {
    Guard guard(Lock());
    m_format = format;
}

void CommonCtrl::FillSolid(DeviceContext* dc, const CommonRect& rect, ColorRef color) {
    if (dc == nullptr) {
        return;
    }
    dc->FillSolidRect(rect.ToRect(), color);
}

void CommonCtrl::SetVisible(bool visible) {
    Guard guard(Lock());
    m_visible = visible;
}

bool CommonCtrl::IsVisible() const {
    Guard guard(Lock());
    return m_visible;
}

void CommonCtrl::SetEnabled(bool enabled) {
    Guard guard(Lock());
    m_enabled = enabled;
}

bool CommonCtrl::IsEnabled() const {
    Guard guard(Lock());
    return m_enabled;
}

WindowHandle CommonCtrl::GetOwner() const {
    return m_owner;
}

CommonRect& CommonCtrl::GetRect() {
    return m_rect;
}

void CommonCtrl::SetRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    Guard guard(Lock());
    m_rect = CommonRect(left, top, right, bottom);
}

bool CommonCtrl::HitTest(int32_t x, int32_t y) const {
    Guard guard(Lock());
    return m_rect.left <= x && x <= m_rect.right && m_rect.top <= y && y <= m_rect.bottom;
}

void CommonCtrl::SetDrawBitmap(int draw) {
    Guard guard(Lock());
    m_drawBitmap = draw;
}

int CommonCtrl::GetDrawBitmap() const {
    Guard guard(Lock());
    return m_drawBitmap;
}

void CommonCtrl::SetStateColors(ColorRef normal, ColorRef hover, ColorRef pressed,
                                ColorRef disabled) {
    Guard guard(Lock());
    m_stateColors[0] = normal;
    m_stateColors[1] = hover;
    m_stateColors[2] = pressed;
    m_stateColors[3] = disabled;
}

void CommonCtrl::SetStateBitmaps(BitmapHandle normal, BitmapHandle hover, BitmapHandle pressed,
                                 BitmapHandle disabled) {
    Guard guard(Lock());
    m_stateBitmaps[0] = normal;
    m_stateBitmaps[1] = hover;
    m_stateBitmaps[2] = pressed;
    m_stateBitmaps[3] = disabled;
}

int CommonCtrl::DrawBitmapAt(DeviceContext* dc, BitmapHandle bitmap, int32_t x, int32_t y,
                             int32_t width, int32_t height) {
    if (dc == nullptr || bitmap == nullptr) {
        return 1;
    }
    // A plain source copy from the bitmap's top-left corner; what lies beyond the bitmap leaves
    // the destination as it was.
    dc->BitBltFrom(x, y, width, height, *bitmap, 0, 0);
    return 0;
}

int CommonCtrl::DrawStateBitmap(DeviceContext* dc, BitmapHandle bitmap) {
    Guard guard(Lock());
    return DrawBitmapAt(dc, bitmap, m_rect.left, m_rect.top, m_rect.width, m_rect.height);
}

int32_t CommonCtrl::GetState() const {
    Guard guard(Lock());
    return m_state;
}

bool CommonCtrl::IsPressed() const {
    Guard guard(Lock());
    return m_pressed;
}

ColorRef CommonCtrl::GetColor() const {
    Guard guard(Lock());
    return m_color;
}

uint32_t CommonCtrl::GetFormat() const {
    Guard guard(Lock());
    return m_format;
}

void CommonCtrl::DrawCaption(DeviceContext* dc, const Font* font, const Rect& rect) {
    dc->SetBkMode(platform::kTransparent);
    dc->SetTextColor(m_color);
    Rect r = rect;
    // Marking the control for repaint after drawing with its own font is left out: the owner
    // windows repaint from their painter threads, so the window thread would only paint the
    // same frame a second time.
    if (font != nullptr) {
        const Font* previous = dc->SelectFont(font);
        dc->DrawText(m_text, &r, m_format);
        dc->SelectFont(previous);
        return;
    }
    dc->DrawText(m_text, &r, m_format);
}

ButtonCtrlEx::ButtonCtrlEx(WindowHandle owner, int32_t left, int32_t top, int32_t right,
                           int32_t bottom)
    : CommonCtrl(owner, left, top, right, bottom) {
    m_stateColors[0] = 0x333333;
    m_stateColors[1] = 0x666666;
    m_stateColors[2] = 0x111111;
    m_stateColors[3] = 0x999999;
}

BitmapHandle ButtonCtrlEx::ChooseImage() {
    if (m_state < 0 || m_state > 3) {
        return nullptr;
    }
    m_color = m_stateColors[m_state];
    return m_stateBitmaps[m_state];
}

void ButtonCtrlEx::DrawImage(DeviceContext* dc, BitmapHandle image) {
    DrawStateBitmap(dc, image);
}

Rect ButtonCtrlEx::CaptionRect() const {
    return m_rect.ToRect();
}

const Font* ButtonCtrlEx::CaptionFont() const {
    return m_font;
}

int ButtonCtrlEx::Draw(DeviceContext* dc) {
    Guard guard(Lock());
    if (!m_visible) {
        return 0;
    }
    BitmapHandle image = ChooseImage();
    if (dc == nullptr) {
        return 0;
    }
    if (m_drawBitmap != 0) {
        DrawImage(dc, image);
    }
    if (m_text.empty()) {
        return 1;
    }
    DrawCaption(dc, CaptionFont(), CaptionRect());
    return 1;
}

void ButtonCtrlEx::SetEnabled(bool enabled) {
    Guard guard(Lock());
    m_enabled = enabled;
    if (!enabled) {
        m_state = kStateDisabled;
    }
}

// The mouse state machine of the button kinds. The owner calls it for every control of its mouse
// list and turns every move with the left button held into OnLButtonDown, so whatever button lies
// under the pointer while the button is held is pressed, and the one under it at the release
// sends its command.
//
//   event          enabled+visible  hit   pressed   -> state, pressed      result
//   move           no               -     -            unchanged           0
//   move           yes              yes   no           1 (hover)           1
//   move           yes              yes   yes          2 (pressed)         1
//   move           yes              no    -            0, false            0
//   button down    yes              yes   -            2, true             1
//   button down    yes              no    -            0, false            0
//   button up      yes              -     no           unchanged           0
//   button up      yes              yes   yes          1, false; command   1
//   button up      yes              no    yes          0, false            0
// A disabled control stays in state 3 until the first move after it is enabled again.
int ButtonCtrlEx::OnMouseMove(int32_t x, int32_t y) {
    Guard guard(Lock());
    if (!m_enabled || !m_visible) {
        return 0;
    }
    if (HitTest(x, y)) {
        m_state = m_pressed ? kStatePressed : kStateHover;
        return 1;
    }
    m_state = kStateNormal;
    m_pressed = false;
    return 0;
}

int ButtonCtrlEx::OnLButtonDown(int32_t x, int32_t y) {
    Guard guard(Lock());
    if (!m_enabled || !m_visible) {
        return 0;
    }
    if (HitTest(x, y)) {
        m_state = kStatePressed;
        m_pressed = true;
        return 1;
    }
    m_state = kStateNormal;
    m_pressed = false;
    return 0;
}

int ButtonCtrlEx::OnLButtonUp(int32_t x, int32_t y) {
    int id = 0;
    {
        Guard guard(Lock());
        if (!m_enabled || !m_visible || !m_pressed) {
            return 0;
        }
        m_pressed = false;
        if (!HitTest(x, y)) {
            m_state = kStateNormal;
            return 0;
        }
        m_state = kStateHover;
        id = m_id;
    }
    // The command runs without the lock: its handler may wait for the painters.
    platform::SendMessage(m_owner, platform::kWmCommand,
                          static_cast<platform::WParam>(static_cast<uint32_t>(id)), 0);
    return 1;
}

CheckButtonCtrl::CheckButtonCtrl(WindowHandle owner, int32_t left, int32_t top, int32_t right,
                                 int32_t bottom)
    : ButtonCtrlEx(owner, left, top, right, bottom) {}

void CheckButtonCtrl::SetCheck(bool checked) {
    Guard guard(Lock());
    m_checked = checked ? 1 : 0;
}

bool CheckButtonCtrl::GetCheck() const {
    Guard guard(Lock());
    return m_checked != 0;
}

void CheckButtonCtrl::SetCheckedBitmaps(BitmapHandle normal, BitmapHandle hover,
                                        BitmapHandle pressed, BitmapHandle disabled) {
    Guard guard(Lock());
    m_checkedBitmaps[0] = normal;
    m_checkedBitmaps[1] = hover;
    m_checkedBitmaps[2] = pressed;
    m_checkedBitmaps[3] = disabled;
}

BitmapHandle CheckButtonCtrl::ChooseImage() {
    if (m_state < 0 || m_state > 3) {
        return nullptr;
    }
    m_color = m_stateColors[m_state];
    return m_checked != 0 ? m_checkedBitmaps[m_state] : m_stateBitmaps[m_state];
}

CheckButtonCtrlEx::CheckButtonCtrlEx(WindowHandle owner, int32_t left, int32_t top, int32_t right,
                                     int32_t bottom)
    : CheckButtonCtrl(owner, left, top, right, bottom) {}

void CheckButtonCtrlEx::SetBoxRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    Guard guard(Lock());
    m_boxX = x;
    m_boxY = y;
    m_boxWidth = width;
    m_boxHeight = height;
}

void CheckButtonCtrlEx::SetTextRect(int32_t x, int32_t y, int32_t width, int32_t height) {
    Guard guard(Lock());
    m_textX = x;
    m_textY = y;
    m_textWidth = width;
    m_textHeight = height;
}

void CheckButtonCtrlEx::DrawImage(DeviceContext* dc, BitmapHandle image) {
    DrawBitmapAt(dc, image, m_rect.left + m_boxX, m_rect.top + m_boxY, m_boxWidth, m_boxHeight);
}

Rect CheckButtonCtrlEx::CaptionRect() const {
    int32_t left = m_rect.left + m_textX;
    int32_t top = m_rect.top + m_textY;
    return Rect{left, top, left + m_textWidth, top + m_textHeight};
}

HyLinkCtrlEx::HyLinkCtrlEx(WindowHandle owner, int32_t left, int32_t top, int32_t right,
                           int32_t bottom)
    : ButtonCtrlEx(owner, left, top, right, bottom) {}

void HyLinkCtrlEx::SetHoverFont(const Font* font) {
    Guard guard(Lock());
    m_hoverFont = font;
}

const Font* HyLinkCtrlEx::CaptionFont() const {
    if (m_state == kStateHover || m_state == kStatePressed) {
        return m_hoverFont;
    }
    if (m_state == kStateNormal || m_state == kStateDisabled) {
        return m_font;
    }
    return nullptr;
}

StaticCtrl::StaticCtrl(WindowHandle owner, int32_t left, int32_t top, int32_t right, int32_t bottom)
    : CommonCtrl(owner, left, top, right, bottom) {}

int StaticCtrl::Draw(DeviceContext* dc) {
    Guard guard(Lock());
    if (!m_visible) {
        return 0;
    }
    std::unique_ptr<DeviceContext> ownerDc;
    dc = ContextOrOwners(dc, m_owner, ownerDc);
    if (dc == nullptr) {
        return 0;
    }
    if (m_drawBitmap != 0) {
        DrawStateBitmap(dc, m_stateBitmaps[0]);
    }
    Rect r = m_rect.ToRect();
    if ((m_format & platform::kDtEditControl) != 0) {
        // The wrapped block is centred vertically when it is lower than the control.
        Rect measured = r;
        const Font* previous = m_font ? dc->SelectFont(m_font) : dc->CurrentFont();
        dc->DrawText(m_text, &measured, m_format | platform::kDtCalcRect);
        dc->SelectFont(previous);
        if (measured.Height() < m_rect.height) {
            r.top += (m_rect.height - measured.Height()) / 2;
        }
    }
    DrawCaption(dc, m_font, r);
    return 1;
}

ProcessCtrl::ProcessCtrl(WindowHandle owner, int32_t left, int32_t top, int32_t right,
                         int32_t bottom)
    : CommonCtrl(owner, left, top, right, bottom) {}

void ProcessCtrl::SetRange(int32_t minimum, int32_t maximum) {
    Guard guard(Lock());
    m_minimum = minimum;
    m_maximum = maximum;
}

void ProcessCtrl::SetPos(int32_t position) {
    Guard guard(Lock());
    m_position = position;
    Draw(nullptr);
}

void ProcessCtrl::SetBorder(int32_t width, ColorRef color) {
    Guard guard(Lock());
    m_borderWidth = width;
    m_borderColor = color;
}

void ProcessCtrl::SetBarColors(ColorRef done, ColorRef rest) {
    Guard guard(Lock());
    m_doneColor = done;
    m_restColor = rest;
}

int32_t ProcessCtrl::DoneWidth() const {
    Guard guard(Lock());
    CommonRect inner = m_rect;
    inner.Deflate(m_borderWidth);
    if (m_maximum == m_minimum || inner.width <= 0) {
        return 0; // an empty range has no done part
    }
    double w = static_cast<double>(m_position - m_minimum) * inner.width /
               (static_cast<double>(m_maximum) - m_minimum);
    // Positions outside the range fill nothing or everything, never beyond the bar.
    if (w <= 0) {
        return 0;
    }
    if (w >= inner.width) {
        return inner.width;
    }
    return static_cast<int32_t>(w);
}

int ProcessCtrl::Draw(DeviceContext* dc) {
    Guard guard(Lock());
    if (!m_visible) {
        return 0;
    }
    std::unique_ptr<DeviceContext> ownerDc;
    dc = ContextOrOwners(dc, m_owner, ownerDc);
    if (dc == nullptr) {
        return 0;
    }
    if (m_borderWidth > 0) {
        FillSolid(dc, m_rect, m_borderColor);
    }
    CommonRect inner = m_rect;
    inner.Deflate(m_borderWidth);
    int32_t w = DoneWidth();
    if (m_drawBitmap != 0) {
        DrawBitmapAt(dc, m_stateBitmaps[0], inner.left, inner.top, inner.width, inner.height);
        DrawBitmapAt(dc, m_stateBitmaps[1], inner.left, inner.top, w, inner.height);
        return 1;
    }
    FillSolid(dc, CommonRect(inner.left, inner.top, inner.left + w, inner.bottom), m_doneColor);
    FillSolid(dc, CommonRect(inner.left + w, inner.top, inner.right, inner.bottom), m_restColor);
    return 1;
}

} // namespace skin
