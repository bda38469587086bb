// The setup window's painters: the choice per page, the Ready page (start painter) and the
// Installed page (finish painter). Every painter composes the whole frame off screen and copies
// it to the window in one piece; the window's lock is held for the whole frame, so controls never
// change half way through a paint.
#include "setup/SetupDlg.h"

#include <algorithm>
#include <mutex>

namespace {

using platform::Bitmap;
using platform::DeviceContext;
using platform::Rect;

void FillBand(DeviceContext& dc) {
    dc.FillSolidRect(Rect{0, kBandTop, kSetupWidth, kSetupHeight}, kBandColor);
}

} // namespace

void SetupDlg::OnPaint() {
    std::lock_guard<std::recursive_mutex> guard(skin::OwnerLock(m_window));
    switch (m_state.GetInstallState()) {
    case E_Install_Ready:
        PaintStartPage();
        return;
    case E_Install_Installing:
    case E_Install_Failed:
        // The download screen, the retry screen and the frames of the unpacking come with the
        // animations; until then these pages show their controls over the plain page.
        PaintPlainPage();
        return;
    case E_Install_Installed:
        PaintFinishPage();
        return;
    default:
        return;
    }
}

void SetupDlg::PaintStartPage() {
    std::unique_ptr<DeviceContext> dc = platform::GetDC(m_window);
    if (dc == nullptr) {
        return;
    }
    const int height = dc->Height();
    Bitmap frame(kSetupWidth, height);
    DeviceContext memory(&frame);
    const bool panelOpen = m_controls.custom->GetCheck();
    if (panelOpen) {
        memory.FillSolidRect(Rect{0, 0, kSetupWidth, kSetupHeight}, kWhite);
        memory.FillSolidRect(Rect{0, kSetupHeight, kSetupWidth, height}, kPanelColor);
    } else {
        memory.FillSolidRect(Rect{0, 0, kSetupWidth, height}, kWhite);
    }
    FillBand(memory);
    DrawControls(&memory);
    if (!panelOpen) {
        dc->BitBlt(0, 0, kSetupWidth, height, memory, 0, 0);
        return;
    }
    // Around the edit box in four pieces, so that the native box is never painted over.
    platform::Rect edit;
    platform::GetWindowRect(m_controls.pathEdit, &edit);
    dc->BitBlt(0, 0, kSetupWidth, edit.top, memory, 0, 0);
    dc->BitBlt(0, edit.top, edit.left, edit.Height(), memory, 0, edit.top);
    dc->BitBlt(edit.right, edit.top, kSetupWidth - edit.right, edit.Height(), memory, edit.right,
               edit.top);
    dc->BitBlt(0, edit.bottom, kSetupWidth, height - edit.bottom, memory, 0, edit.bottom);
}

void SetupDlg::PaintFinishPage() {
    std::unique_ptr<DeviceContext> dc = platform::GetDC(m_window);
    if (dc == nullptr) {
        return;
    }
    if (m_displayFrame == nullptr) {
        m_displayFrame = std::make_unique<Bitmap>(kSetupWidth, kSetupHeight);
    }
    if (m_background.Pixels() != nullptr) {
        const int width = std::min(m_background.Width(), kSetupWidth);
        const int height = std::min(m_background.Height(), kSetupHeight);
        for (int y = 0; y < height; ++y) {
            std::copy_n(m_background.Pixels() + y * m_background.Width(), width,
                        m_displayFrame->Pixels() + y * kSetupWidth);
        }
    }
    std::unique_ptr<Bitmap> frame = m_displayFrame->Clone();
    DeviceContext memory(frame.get());
    FillBand(memory);
    DrawControls(&memory);
    dc->BitBlt(0, 0, kSetupWidth, kSetupHeight, memory, 0, 0);
}

void SetupDlg::PaintPlainPage() {
    std::unique_ptr<DeviceContext> dc = platform::GetDC(m_window);
    if (dc == nullptr) {
        return;
    }
    Bitmap frame(kSetupWidth, kSetupHeight);
    DeviceContext memory(&frame);
    memory.FillSolidRect(Rect{0, 0, kSetupWidth, kSetupHeight}, kWhite);
    FillBand(memory);
    DrawControls(&memory);
    dc->BitBlt(0, 0, kSetupWidth, kSetupHeight, memory, 0, 0);
}
