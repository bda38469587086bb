// The painters of the setup window's Installing and Failed pages: the download painter (the
// download screen with the logo sweep, speed and percentage, or the retry screen) and the frame
// painter that presents the frame thread's frames. Each takes the window's device context, draws
// a 622 × 405 picture off screen and copies it to the window in one piece.
//
// The setup window's painter selection calls them: Installing → DownloadPainter::Paint while
// download finished is clear, FramePainter::Paint once it is set; Failed → DownloadPainter::Paint.
// Each painter object belongs to the thread that paints (the repaint thread); FramePainter is the
// only consumer of the frame hand-over.
#pragma once

#include <functional>
#include <string>

#include "download/DownloadTypes.h"
#include "platform/Font.h"
#include "platform/Gdi.h"
#include "skin/AnimationState.h"
#include "skin/Controls.h"

namespace skin {

// The texts of the download and retry screens in the current language.
struct AnimationTexts {
    std::wstring retryMessage; // text 41 through MakeRetryMessage
    std::wstring downloading;  // text 43 "Downloading..."
    std::wstring checking;     // text 44 "Checking data, please wait..."
    std::wstring gathering;    // text 45 "Gathering download information..."
};

// Text 41 names the sibling product family's web host; the retry screen sends the user to the
// maker's web host instead.
std::wstring MakeRetryMessage(std::wstring text41);

// What the download painter reads from the setup window.
struct DownloadPaintInputs {
    AnimationState* state = nullptr;
    AnimationImages images;
    const platform::Font* infoFont = nullptr;
    const AnimationTexts* texts = nullptr;
    // The engine's snapshot (GetDownloadInfo), or null while no engine exists.
    const DownloadInfo* info = nullptr;
    // The retry screen shows while the install button is visible, and draws only these two.
    CommonCtrl* installButton = nullptr;
    CommonCtrl* closeButton = nullptr;
};

class DownloadPainter {
public:
    DownloadPainter();

    // The retry screen when the install button is visible (the Failed page), otherwise the
    // download screen. Nothing happens without a context.
    void Paint(DeviceContext* windowDc, const DownloadPaintInputs& in);

    // The picture of the last paint.
    const platform::Bitmap& Picture() const { return m_picture; }

private:
    void PaintDownloadScreen(DeviceContext* windowDc, const DownloadPaintInputs& in);
    void PaintRetryScreen(DeviceContext* windowDc, const DownloadPaintInputs& in);

    // The painter's own work frame: the frame thread's one is never shared with the repaint
    // thread.
    Frame m_frame;
    platform::Bitmap m_picture;
};

class FramePainter {
public:
    FramePainter();

    // Presents the next frame of the hand-over, with the unpack percentage while unpacking and
    // the controls drawn by drawControls over it. Draws nothing while no frame is ready.
    // Returns whether a frame was presented.
    bool Paint(DeviceContext* windowDc, AnimationState& state, const platform::Font* largeFont,
               const std::function<void(DeviceContext*)>& drawControls);

    const platform::Bitmap& Picture() const { return m_picture; }

private:
    platform::Bitmap m_picture;
};

} // namespace skin
