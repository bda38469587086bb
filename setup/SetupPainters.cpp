// The setup window's painters: the choice per page, the Ready page (start painter), the
// Installing and Failed pages (the animations' download and frame painters) and the Installed page
// (finish painter). Every painter composes the whole frame off screen and copies
// it to the window in one piece; the window's lock is held for the whole frame, so controls never
// change half way through a paint.
#include "setup/SetupDlg.h"

#include <algorithm>
#include <mutex>

#include "download/IDownloader.h"

namespace {

using platform::Bitmap;
using platform::DeviceContext;
using platform::Rect;

void FillBand(DeviceContext& dc) {
    dc.FillSolidRect(Rect{0, kBandTop, kSetupWidth, kSetupHeight}, kBandColor);
}

} // namespace

void SetupDlg::OnPaint() {
    PaintCurrentPage(false);
}

void SetupDlg::PaintCurrentPage(bool onRepaintThread) {
    std::lock_guard<std::recursive_mutex> guard(skin::OwnerLock(m_window));
    switch (m_state.GetInstallState()) {
    case E_Install_Ready:
        PaintStartPage();
        return;
    case E_Install_Installing:
        if (!m_state.downloadFinished) {
            PaintDownloadScreen();
        } else if (onRepaintThread) {
            // Only the repaint thread presents frames; it comes round again within 10 ms.
            PaintFrames();
        }
        return;
    case E_Install_Failed:
        PaintDownloadScreen();
        return;
    case E_Install_Installed:
        PaintFinishPage();
        return;
    default:
        return;
    }
}

void SetupDlg::SetDownloadEngine(IDownloader* engine) {
    std::lock_guard<std::mutex> guard(m_engineLock);
    m_engine = engine;
}

// The download screen while the package downloads, the retry screen on the Failed page.
void SetupDlg::PaintDownloadScreen() {
    std::unique_ptr<DeviceContext> dc = platform::GetDC(m_window);
    if (dc == nullptr) {
        return;
    }
    DownloadInfo info;
    bool haveInfo = false;
    {
        std::lock_guard<std::mutex> guard(m_engineLock);
        haveInfo = m_engine != nullptr && m_engine->GetDownloadInfo(&info) == 0;
    }
    skin::DownloadPaintInputs inputs;
    inputs.state = &m_state.anim;
    inputs.images = m_animImages;
    inputs.infoFont = m_fonts.info.get();
    inputs.texts = &m_animTexts;
    inputs.info = haveInfo ? &info : nullptr;
    inputs.installButton = m_controls.install;
    inputs.closeButton = m_controls.close;
    m_downloadPainter.Paint(dc.get(), inputs);
}

void SetupDlg::PaintFrames() {
    std::unique_ptr<DeviceContext> dc = platform::GetDC(m_window);
    if (dc == nullptr) {
        return;
    }
    m_framePainter.Paint(dc.get(), m_state.anim, m_fonts.large.get(),
                         [this](DeviceContext* memory) { DrawControls(memory); });
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
