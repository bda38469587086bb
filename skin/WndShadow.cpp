#include "skin/WndShadow.h"

#include <cassert>
#include <map>

#include "app/Log.h"

namespace skin {
namespace {

// Process-wide shadow state: set up by Initialize on the main thread before any other thread
// exists, then used on the window thread only.
struct ShadowGlobals {
    bool layeredWindowsKnown = false;
    void* module = nullptr;
    std::map<WindowHandle, CWndShadow*> shadows;
};

ShadowGlobals& Globals() {
    static ShadowGlobals* globals = new ShadowGlobals;
    return *globals;
}

void CheckWindowThread() {
    assert(platform::IsWindowThread() &&
           "the shadow follows its parent's messages on the parent's window thread");
}

} // namespace

CWndShadow::~CWndShadow() {
    for (auto it = Globals().shadows.begin(); it != Globals().shadows.end();) {
        it = it->second == this ? Globals().shadows.erase(it) : std::next(it);
    }
}

bool CWndShadow::Initialize(void* module) {
    ShadowGlobals& globals = Globals();
    if (globals.layeredWindowsKnown) {
        return false;
    }
    if (!platform::IsLayeredWindowSupported()) {
        LogFormat("CWndShadow::Initialize : no compositing manager on this display, no shadow\n");
        return false;
    }
    globals.layeredWindowsKnown = true;
    globals.module = module;
    return true;
}

CWndShadow* CWndShadow::ForParent(WindowHandle parent) {
    auto it = Globals().shadows.find(parent);
    return it == Globals().shadows.end() ? nullptr : it->second;
}

ShadowParams CWndShadow::Params() const {
    ShadowParams p;
    p.darkness = m_darkness;
    p.sharpness = m_sharpness;
    p.size = m_size;
    p.xOffset = m_xOffset;
    p.yOffset = m_yOffset;
    p.color = m_color;
    return p;
}

void CWndShadow::SetStatus(uint8_t status) {
    if (status == m_status) {
        return;
    }
    LogFormat("CWndShadow status : %u -> %u\n", m_status, status);
    m_status = status;
}

void CWndShadow::Create(WindowHandle parent) {
    CheckWindowThread();
    if (m_created != 0) {
        return;
    }
    m_created = 1;
    if (!Globals().layeredWindowsKnown) {
        return;
    }
    Globals().shadows[parent] = this;
    m_shadowWindow = platform::LayeredWindowX11::Create();
    if (m_shadowWindow == nullptr) {
        LogFormat("CWndShadow::Create : the shadow window could not be made\n");
    }
    SetStatus(kShadowEnabled | kShadowShown);
    Show(parent);
}

void CWndShadow::Show(WindowHandle parent) {
    uint8_t status = m_status;
    if ((status & kShadowEnabled) != 0 && (status & kShadowOffByComposition) == 0 &&
        platform::IsWindowVisible(parent)) {
        // These bits are only ever set here.
        status |= kShadowParentVisible;
        if (!platform::IsIconic(parent)) {
            status |= kShadowShown;
        }
    }
    SetStatus(status);
    if ((m_status & kShadowShown) == 0) {
        if (m_shadowWindow != nullptr) {
            m_shadowWindow->Hide();
        }
        return;
    }
    if (m_shadowWindow != nullptr) {
        m_shadowWindow->Show();
    }
    Update(parent);
}

platform::Point CWndShadow::ShadowOrigin(const platform::Rect& parentRect) const {
    return platform::Point{parentRect.left + m_xOffset - m_size,
                           parentRect.top + m_yOffset - m_size};
}

void CWndShadow::Update(WindowHandle parent) {
    platform::Rect r;
    if (m_shadowWindow == nullptr || !platform::GetWindowRect(parent, &r)) {
        return;
    }
    // The window system gives windows no region, so the shape is the parent's rectangle.
    ShadowImage image = RenderShadowImage(Params(), r.Width(), r.Height(), nullptr);
    if (image.pixels.empty()) {
        return;
    }
    platform::Point origin = ShadowOrigin(r);
    m_shadowWindow->Update(origin.x, origin.y, image.width, image.height, image.pixels.data());
}

void CWndShadow::HideShadow() {
    if (m_shadowWindow != nullptr) {
        m_shadowWindow->Hide();
    }
}

void CWndShadow::OnSize(WindowHandle parent, WParam kind, LParam size) {
    if (kind == kSizeMaximized || kind == kSizeMinimized) {
        HideShadow();
        SetStatus(m_status & ~kShadowShown);
    } else if (platform::IsWindowVisible(parent)) {
        SetStatus(m_status | kShadowParentVisible);
        uint32_t packed = static_cast<uint32_t>(size);
        if ((m_status & kShadowShown) == 0) {
            SetStatus(m_status | kShadowShown);
            Update(parent);
            if (m_shadowWindow != nullptr) {
                m_shadowWindow->Show();
            }
            m_updatePending = true;
        } else if (platform::LowWord(packed) > platform::LowWord(m_lastParentSize) ||
                   platform::HighWord(packed) > platform::HighWord(m_lastParentSize)) {
            // A growing parent paints its new area first; the shadow follows at that paint.
            m_updatePending = true;
        } else {
            Update(parent);
        }
    }
    m_lastParentSize = static_cast<uint32_t>(size);
}

LResult CWndShadow::OnParentMessage(WindowHandle parent, uint32_t message, WParam p1, LParam p2,
                                    const std::function<LResult()>& callPrevious) {
    CheckWindowThread();
    const bool active =
        (m_status & kShadowEnabled) != 0 && (m_status & kShadowOffByComposition) == 0;
    switch (message) {
    case platform::kWmMove:
        if ((m_status & kShadowShown) != 0 && m_shadowWindow != nullptr) {
            platform::Rect r;
            platform::GetWindowRect(parent, &r);
            platform::Point origin = ShadowOrigin(r);
            m_shadowWindow->Move(origin.x, origin.y);
        }
        break;
    case platform::kWmSize:
        if (active) {
            OnSize(parent, p1, p2);
        }
        break;
    case platform::kWmPaint:
        if (m_updatePending) {
            Update(parent);
            m_updatePending = false;
        }
        break;
    case platform::kWmShowWindow:
        if (active) {
            LResult result = callPrevious ? callPrevious() : 0;
            if (p1 == 0) {
                HideShadow();
                SetStatus(m_status & ~(kShadowShown | kShadowParentVisible));
            } else {
                m_updatePending = true;
                Show(parent);
            }
            return result;
        }
        break;
    case platform::kWmDestroy:
        m_shadowWindow.reset();
        break;
    case kWmNcDestroy:
        Globals().shadows.erase(parent);
        break;
    case kWmExitSizeMove:
        if ((m_status & kShadowShown) != 0) {
            Update(parent);
        }
        break;
    case kWmDwmCompositionChanged:
        // This platform has no composition query: composition counts as off, so the shadow
        // stays on.
        SetStatus(m_status & ~kShadowOffByComposition);
        Show(parent);
        break;
    default:
        break;
    }
    return callPrevious ? callPrevious() : 0;
}

} // namespace skin
