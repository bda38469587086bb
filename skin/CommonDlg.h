// The skinned dialog base: sizing and centring, the dispatch of dialog messages to virtual
// handlers, ending on OK or Cancel, and dragging a caption-less window by any free point. The
// control host adds the skinned controls' two lists and the mouse routing.
#pragma once

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "platform/Window.h"
#include "skin/Controls.h"

namespace skin {

using platform::LParam;
using platform::LResult;
using platform::WParam;

// End flags: which commands end the dialog.
inline constexpr uint32_t kEndOnCancel = 1;
inline constexpr uint32_t kEndOnOk = 2;

class CommonDlg {
public:
    CommonDlg() = default;
    virtual ~CommonDlg();
    CommonDlg(const CommonDlg&) = delete;
    CommonDlg& operator=(const CommonDlg&) = delete;

    // Stores the window, sizes it (to the scaled design size when asked to) and centres it on
    // the screen. Returns 1.
    virtual int OnInitDialog(WindowHandle window);
    // The dispatcher; every message of the dialog comes here on the window's thread.
    virtual LResult DialogProc(WindowHandle window, uint32_t message, WParam p1, LParam p2);
    // Called first for every message.
    virtual int OnMessage(uint32_t message, WParam p1, LParam p2);
    virtual int OnCommand(WParam p1, LParam p2);
    virtual int Reserved(int a, int b);
    virtual void OnPaint();
    virtual void OnCreate();
    virtual int GetDpiX();
    // v × dpi / 96, truncated.
    virtual int Scale(int v);
    virtual void FillSolid(DeviceContext* dc, const CommonRect& rect, ColorRef color);

    WindowHandle GetWindow() const { return m_window; }

protected:
    WindowHandle m_window = nullptr;
    int32_t m_useDesignSize = 0;
    int32_t m_designWidth = 0;
    int32_t m_designHeight = 0;
    uint32_t m_endFlags = kEndOnOk | kEndOnCancel;
};

// A dialog procedure that forwards every message to dialog's dispatcher.
platform::DialogProc BindDialogProc(CommonDlg* dialog);

// The base of the windows that host skinned controls (the setup window and the message box).
class SkinHostDlg : public CommonDlg {
public:
    ~SkinHostDlg() override;

    // The control host's routing: mouse messages go to every control of the mouse list, a close
    // request to OnClose, the background is never erased.
    int OnMessage(uint32_t message, WParam p1, LParam p2) override;
    virtual int OnClose();

    // Creates a control owned by this window object. Button kinds go into the mouse list, the
    // rest into the draw list; FinishControlLists appends the mouse list to the draw list so that
    // buttons are drawn over the statics.
    template <typename T, typename... Args>
    T* AddControl(Args&&... args) {
        auto control = std::make_unique<T>(m_window, std::forward<Args>(args)...);
        T* raw = control.get();
        std::lock_guard<std::recursive_mutex> guard(OwnerLock(m_window));
        m_controls.push_back(std::move(control));
        if constexpr (std::is_base_of_v<ButtonCtrlEx, T>) {
            m_mouseList.push_back(raw);
        } else {
            m_drawList.push_back(raw);
        }
        return raw;
    }
    void FinishControlLists();
    // Draws every control of the draw list in order, holding the window's lock.
    void DrawControls(DeviceContext* dc);

    const std::vector<ButtonCtrlEx*>& MouseList() const { return m_mouseList; }
    const std::vector<CommonCtrl*>& DrawList() const { return m_drawList; }
    bool IsMouseDown() const { return m_mouseDown != 0; }

protected:
    std::vector<std::unique_ptr<CommonCtrl>> m_controls;
    std::vector<ButtonCtrlEx*> m_mouseList;
    std::vector<CommonCtrl*> m_drawList;
    int32_t m_mouseDown = 0;
};

} // namespace skin
