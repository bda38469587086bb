// The soft drop shadow around the setup window: a layered, click-through window that follows its
// parent, shown and hidden with it, redrawn when the parent is shown, grows, or ends a move or a
// size change. The picture is ShadowImage.h's; the window is the platform's layered window,
// which exists only while a compositing manager runs (without one the parent has no shadow).
//
// Everything runs on the parent's window thread: the parent's messages reach the shadow through
// OnParentMessage before the parent's own procedure.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "platform/LayeredWindowX11.h"
#include "platform/Window.h"
#include "skin/ShadowImage.h"

namespace skin {

using platform::LParam;
using platform::LResult;
using platform::WindowHandle;
using platform::WParam;

// The parent messages the shadow follows beyond those of Window.h.
inline constexpr uint32_t kWmNcDestroy = 0x0082;
inline constexpr uint32_t kWmExitSizeMove = 0x0232;
inline constexpr uint32_t kWmDwmCompositionChanged = 0x031E;
// The size kinds of WM_SIZE's first parameter.
inline constexpr WParam kSizeRestored = 0;
inline constexpr WParam kSizeMinimized = 1;
inline constexpr WParam kSizeMaximized = 2;

// Status bits.
inline constexpr uint8_t kShadowEnabled = 1;
inline constexpr uint8_t kShadowShown = 2;
inline constexpr uint8_t kShadowParentVisible = 4;
inline constexpr uint8_t kShadowOffByComposition = 8;

class CWndShadow {
public:
    CWndShadow() = default;
    virtual ~CWndShadow();
    CWndShadow(const CWndShadow&) = delete;
    CWndShadow& operator=(const CWndShadow&) = delete;

    // Once per process, before the setup window exists: true when layered windows can be made
    // (a compositing manager runs); false when they cannot, or on every later call.
    static bool Initialize(void* module);
    // Attaches the shadow to parent; only the first call acts.
    void Create(WindowHandle parent);
    // Shows the shadow (and redraws it) when it is enabled and the parent is visible and neither
    // minimised nor maximised; hides it otherwise.
    void Show(WindowHandle parent);
    // Renders the picture for the parent's current rectangle and puts it on the screen.
    void Update(WindowHandle parent);

    // The shadow's part of the parent's procedure: handles message and calls callPrevious (the
    // parent's own procedure) unless it already did; returns that procedure's result.
    LResult OnParentMessage(WindowHandle parent, uint32_t message, WParam p1, LParam p2,
                            const std::function<LResult()>& callPrevious);

    // The shadow of a parent window, or null.
    static CWndShadow* ForParent(WindowHandle parent);

    uint8_t StatusFlags() const { return m_status; }
    bool IsUpdatePending() const { return m_updatePending; }
    const platform::LayeredWindowX11* ShadowWindow() const { return m_shadowWindow.get(); }
    ShadowParams Params() const;

private:
    // The status changes only here; every change is logged old -> new.
    void SetStatus(uint8_t status);
    void OnSize(WindowHandle parent, WParam kind, LParam size);
    void HideShadow();
    platform::Point ShadowOrigin(const platform::Rect& parentRect) const;

    std::unique_ptr<platform::LayeredWindowX11> m_shadowWindow;
    uint8_t m_status = 0;
    uint8_t m_darkness = 30;
    uint8_t m_sharpness = 30;
    int8_t m_size = 30;
    int8_t m_xOffset = 0;
    int8_t m_yOffset = 0;
    // Width in the low 16 bits, height in the high 16 bits.
    uint32_t m_lastParentSize = 50;
    bool m_updatePending = false;
    uint32_t m_color = 0x323232;
    int32_t m_created = 0;
};

} // namespace skin
