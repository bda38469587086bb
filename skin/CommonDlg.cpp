#include "skin/CommonDlg.h"

#include "platform/SystemInfo.h"

namespace skin {

using platform::Point;
using platform::Rect;

CommonDlg::~CommonDlg() = default;

int CommonDlg::OnInitDialog(WindowHandle window) {
    m_window = window;
    int screenWidth = platform::GetSystemMetrics(platform::kSmCxScreen);
    int screenHeight = platform::GetSystemMetrics(platform::kSmCyScreen);
    Rect r;
    platform::GetWindowRect(window, &r);
    if (m_useDesignSize != 0) {
        r = Rect{0, 0, Scale(m_designWidth), Scale(m_designHeight)};
    }
    platform::MoveWindow(window, (screenWidth + r.left - r.right) / 2,
                         (screenHeight + r.top - r.bottom) / 2, r.right - r.left, r.bottom - r.top,
                         false);
    return 1;
}

LResult CommonDlg::DialogProc(WindowHandle window, uint32_t message, WParam p1, LParam p2) {
    int result = OnMessage(message, p1, p2);
    switch (message) {
    case platform::kWmInitDialog:
        OnInitDialog(window);
        return 1;
    case platform::kWmCreate:
        OnCreate();
        return 1;
    case platform::kWmPaint:
        OnPaint();
        return result;
    case platform::kWmCommand: {
        uint16_t id = platform::LowWord(p1);
        if ((id == platform::kIdOk && (m_endFlags & kEndOnOk) != 0) ||
            (id == platform::kIdCancel && (m_endFlags & kEndOnCancel) != 0)) {
            platform::EndDialog(window, 0);
            return 1;
        }
        return OnCommand(p1, p2);
    }
    case platform::kWmLButtonDown:
        if (result != 0) {
            // A control took the press: keep the mouse until the release.
            platform::OutputDebugText("WM_LBUTTONDOWN  SetCapture\n");
            platform::SetCapture(window);
            return result;
        }
        {
            // A press on free client area drags the window, as a press on a caption would.
            uintptr_t packed = static_cast<uintptr_t>(p2);
            Point point{static_cast<int16_t>(platform::LowWord(packed)),
                        static_cast<int16_t>(platform::HighWord(packed))};
            platform::ClientToScreen(window, &point);
            platform::SendMessage(window, platform::kWmNcLButtonDown, platform::kHtCaption,
                                  platform::MakeLParam(point.x, point.y));
        }
        return result;
    case platform::kWmLButtonUp:
        platform::OutputDebugText("WM_LBUTTONDOWN  ReleaseCapture\n");
        platform::ReleaseCapture();
        return result;
    default:
        return result;
    }
}

int CommonDlg::OnMessage(uint32_t, WParam, LParam) {
    return 0;
}

int CommonDlg::OnCommand(WParam, LParam) {
    return 0;
}

int CommonDlg::Reserved(int, int) {
    return 0;
}

void CommonDlg::OnPaint() {}

void CommonDlg::OnCreate() {}

int CommonDlg::GetDpiX() {
    // Every context of the display has the display's resolution.
    std::unique_ptr<DeviceContext> dc = platform::GetDC(m_window);
    if (dc == nullptr) {
        return platform::GetDisplayDpi();
    }
    return dc->GetDeviceCaps(platform::kLogPixelsX);
}

int CommonDlg::Scale(int v) {
    return v * GetDpiX() / 96;
}

void CommonDlg::FillSolid(DeviceContext* dc, const CommonRect& rect, ColorRef color) {
    if (dc != nullptr) {
        dc->FillSolidRect(rect.ToRect(), color);
    }
}

platform::DialogProc BindDialogProc(CommonDlg* dialog) {
    return [dialog](WindowHandle window, uint32_t message, WParam p1, LParam p2) -> LResult {
        return dialog->DialogProc(window, message, p1, p2);
    };
}

SkinHostDlg::~SkinHostDlg() = default;

int SkinHostDlg::OnClose() {
    return 0;
}

int SkinHostDlg::OnMessage(uint32_t message, WParam p1, LParam p2) {
    uintptr_t packed = static_cast<uintptr_t>(p2);
    // x unsigned, y signed: a captured point left of the window has an x above 32 767 and hits
    // nothing.
    int32_t x = platform::LowWord(packed);
    int32_t y = static_cast<int16_t>(platform::HighWord(packed));
    // A copy: a command handler that runs inside a release may add controls.
    std::vector<ButtonCtrlEx*> controls;
    if (message == platform::kWmMouseMove || message == platform::kWmLButtonDown ||
        message == platform::kWmLButtonUp) {
        std::lock_guard<std::recursive_mutex> guard(OwnerLock(m_window));
        controls = m_mouseList;
    }
    switch (message) {
    case platform::kWmMouseMove: {
        // With the button held, whatever lies under the pointer is pressed.
        bool held = (p1 & platform::kMkLButton) != 0 || m_mouseDown != 0;
        for (ButtonCtrlEx* control : controls) {
            if (held) {
                control->OnLButtonDown(x, y);
            } else {
                control->OnLButtonUp(x, y);
            }
        }
        for (ButtonCtrlEx* control : controls) {
            control->OnMouseMove(x, y);
        }
        return 0;
    }
    case platform::kWmLButtonDown: {
        int sum = 0;
        for (ButtonCtrlEx* control : controls) {
            sum += control->OnLButtonDown(x, y);
        }
        if (sum != 0) {
            m_mouseDown = 1;
        }
        return sum;
    }
    case platform::kWmLButtonUp: {
        m_mouseDown = 0;
        int sum = 0;
        for (ButtonCtrlEx* control : controls) {
            sum += control->OnLButtonUp(x, y);
        }
        return sum;
    }
    case platform::kWmClose:
        return OnClose();
    case platform::kWmEraseBkgnd:
        return 1;
    default:
        return 0;
    }
}

void SkinHostDlg::FinishControlLists() {
    std::lock_guard<std::recursive_mutex> guard(OwnerLock(m_window));
    for (ButtonCtrlEx* control : m_mouseList) {
        m_drawList.push_back(control);
    }
}

void SkinHostDlg::DrawControls(DeviceContext* dc) {
    std::lock_guard<std::recursive_mutex> guard(OwnerLock(m_window));
    for (CommonCtrl* control : m_drawList) {
        control->Draw(dc);
    }
}

} // namespace skin
