#include "skin/AnimationPainters.h"

#include <cstdio>

#include "app/BuildConfig.h"
#include "app/TextConv.h"
#include "platform/SystemInfo.h"
#include "skin/InfoView.h"
#include "skin/SpeedMeter.h"

namespace skin {
namespace {

using platform::Rect;

constexpr platform::ColorRef kBandColor = 0xFDFBF7;
constexpr platform::ColorRef kRetryTextColor = 0x373737;
constexpr platform::ColorRef kInfoTextColor = 0xE58C19;
constexpr platform::ColorRef kPercentColor = 0xFFFFFF;
constexpr int32_t kBandTop = 338;
constexpr uint32_t kCentred = 0x25;
constexpr uint32_t kLeftAligned = 0x24;
constexpr uint32_t kRightAligned = 0x26;
constexpr uint32_t kRetryFormat = 5;

// Loads a frame into the picture; the fourth byte of frame pixels carries nothing.
void LoadFrame(platform::Bitmap& picture, const uint32_t* frame) {
    uint32_t* target = picture.Pixels();
    for (size_t i = 0; i < kFramePixels; ++i) {
        target[i] = frame[i] & 0x00FFFFFF;
    }
}

void CopyToWindow(DeviceContext* windowDc, const platform::Bitmap& picture) {
    windowDc->BitBltFrom(0, 0, kFrameWidth, kFrameHeight, picture, 0, 0);
}

void DrawTextIn(DeviceContext& dc, const std::wstring& text, Rect rect, uint32_t format) {
    dc.DrawText(text, &rect, format);
}

} // namespace

std::wstring MakeRetryMessage(std::wstring text41) {
    return ReplaceAll(std::move(text41), AnsiToWide(build::kFamilyWebHost),
                      AnsiToWide(build::kWebHost));
}

DownloadPainter::DownloadPainter() : m_picture(kFrameWidth, kFrameHeight) {}

void DownloadPainter::Paint(DeviceContext* windowDc, const DownloadPaintInputs& in) {
    if (windowDc == nullptr || in.state == nullptr || in.texts == nullptr) {
        return;
    }
    if (in.installButton != nullptr && in.installButton->IsVisible()) {
        PaintRetryScreen(windowDc, in);
        return;
    }
    PaintDownloadScreen(windowDc, in);
}

void DownloadPainter::PaintRetryScreen(DeviceContext* windowDc, const DownloadPaintInputs& in) {
    DeviceContext dc(&m_picture);
    if (in.state->WorkFrameExists()) {
        if (m_frame.empty()) {
            m_frame = MakeWhiteFrame();
        }
        FillFrame(m_frame.data(), kFrameWhite);
        if (in.images.greyLogo != nullptr) {
            CopyImage(m_frame.data(), *in.images.greyLogo, kEmblemX, kEmblemY);
        }
        LoadFrame(m_picture, m_frame.data());
    }
    dc.FillSolidRect(Rect{0, kBandTop, kFrameWidth, kFrameHeight}, kBandColor);
    dc.SelectFont(in.infoFont);
    dc.SetTextColor(kRetryTextColor);
    dc.SetBkMode(platform::kTransparent);
    const Rect messageRect{50, kEmblemY + 80, kFrameWidth - 50, kEmblemY + 160};
    // One centred line; a message wider than the rectangle wraps instead of losing both ends.
    uint32_t format = kRetryFormat;
    if (dc.MeasureText(in.texts->retryMessage).x > messageRect.Width()) {
        format |= platform::kDtWordBreak;
    }
    DrawTextIn(dc, in.texts->retryMessage, messageRect, format);
    for (CommonCtrl* control : {in.installButton, in.closeButton}) {
        if (control != nullptr) {
            control->Draw(&dc);
        }
    }
    CopyToWindow(windowDc, m_picture);
}

void DownloadPainter::PaintDownloadScreen(DeviceContext* windowDc, const DownloadPaintInputs& in) {
    if (!in.state->WorkFrameExists()) {
        return;
    }
    if (m_frame.empty()) {
        m_frame = MakeWhiteFrame();
    }
    static const BMData kNoImage;
    DrawLogoSweep(m_frame.data(), in.state->downloadPercent.load(),
                  in.images.logo != nullptr ? *in.images.logo : kNoImage,
                  in.images.ringedLogo != nullptr ? *in.images.ringedLogo : kNoImage);
    LoadFrame(m_picture, m_frame.data());

    uint32_t total = 0;
    uint32_t done = 0;
    if (in.info != nullptr) {
        InfoViewRefresh(in.info);
        total = in.info->size;
        done = in.info->downloaded;
    }
    uint32_t speed = ProcessSpeedMeter().Update(done, platform::GetTickCount());

    DeviceContext dc(&m_picture);
    dc.SetBkMode(platform::kTransparent);
    dc.SetTextColor(kInfoTextColor);
    dc.SelectFont(in.infoFont);
    if (done == 0 || done >= total) {
        const std::wstring& text = total > 0 ? in.texts->checking : in.texts->gathering;
        DrawTextIn(dc, text, Rect{40, 358, 582, 378}, kCentred);
    } else {
        DrawTextIn(dc, FormatSizeWide(speed) + L"/s", Rect{20, 358, 120, 378}, kLeftAligned);
        DrawTextIn(dc, in.texts->downloading, Rect{261, 358, 361, 378}, kCentred);
        double percent = done * 100.0 / total;
        wchar_t text[32];
        std::swprintf(text, 32, L"%.0f%ls", percent < 0 ? 0.0 : percent, L"%");
        DrawTextIn(dc, text, Rect{502, 358, 602, 378}, kRightAligned);
    }
    CopyToWindow(windowDc, m_picture);
}

FramePainter::FramePainter() : m_picture(kFrameWidth, kFrameHeight) {}

bool FramePainter::Paint(DeviceContext* windowDc, AnimationState& state,
                         const platform::Font* largeFont,
                         const std::function<void(DeviceContext*)>& drawControls) {
    if (windowDc == nullptr) {
        return false;
    }
    FrameHandOver& handOver = state.HandOver();
    const uint32_t* frame = handOver.ReadyFrame();
    if (frame == nullptr) {
        return false;
    }
    Frame& display = state.DisplayFrame();
    std::copy(frame, frame + kFramePixels, display.begin());
    LoadFrame(m_picture, display.data());

    DeviceContext dc(&m_picture);
    if (state.Phase() == AnimPhase::Unpacking) {
        wchar_t text[16];
        std::swprintf(text, 16, L"%d%%", state.unpackProgress.load() / 10);
        dc.SelectFont(largeFont);
        dc.SetTextColor(kPercentColor);
        dc.SetBkMode(platform::kTransparent);
        DrawTextIn(
            dc, text,
            Rect{kFrameWidth / 2 - 50, kFrameHeight - 80, kFrameWidth / 2 + 50, kFrameHeight - 20},
            kCentred);
    }
    if (drawControls) {
        drawControls(&dc);
    }
    CopyToWindow(windowDc, m_picture);
    handOver.Flip();
    return true;
}

} // namespace skin
