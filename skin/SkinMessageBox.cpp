#include "skin/SkinMessageBox.h"

#include <algorithm>
#include <cassert>
#include <chrono>

#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "skin/DialogTemplates.h"

namespace skin {
namespace {

constexpr int kBoxWidth = 420;
constexpr int kBoxHeight = 210;
constexpr int kTitleBandHeight = 36;
constexpr int kBottomBandHeight = 54;
constexpr int kRepaintMs = 30;
constexpr ColorRef kMessageColor = 0x373737;
constexpr ColorRef kWhite = 0xFFFFFF;

// The box now shown. Written by the window thread around the modal loop; read by the box's
// repaint thread and by the dialog procedure.
std::atomic<SkinMessageBox*> g_currentBox{nullptr};

LResult CurrentBoxProc(WindowHandle window, uint32_t message, WParam p1, LParam p2) {
    SkinMessageBox* box = g_currentBox.load();
    return box != nullptr ? box->DialogProc(window, message, p1, p2) : 0;
}

} // namespace

SkinMessageBox::SkinMessageBox(const std::wstring& title, const std::wstring& message,
                               const std::wstring& buttonCaption)
    : m_title(title), m_message(message), m_buttonCaption(buttonCaption) {
    m_useDesignSize = 1;
    m_designWidth = kBoxWidth;
    m_designHeight = kBoxHeight;
}

SkinMessageBox::~SkinMessageBox() {
    StopRepaintThread();
}

int SkinMessageBox::OnInitDialog(WindowHandle window) {
    CommonDlg::OnInitDialog(window);
    platform::LogFont description;
    description.height = -platform::MulDiv(14, GetDpiX(), 96);
    description.faceName = L"微软雅黑";
    m_font = platform::CreateFont(description);
    CreateControls();
    m_repaintThread = std::thread([this] { RunRepaintThread(); });
    m_shownWindow = window;
    return 1;
}

void SkinMessageBox::CreateControls() {
    const Font* font = m_font.get();
    m_titleLabel = AddControl<StaticCtrl>(10, 5, 320, 30);
    m_titleLabel->SetText(m_title);
    m_titleLabel->SetColor(kWhite);
    m_titleLabel->SetFormat(0x24);
    m_titleLabel->SetFont(font);

    m_closeButton = AddControl<ButtonCtrlEx>(401, 0, 418, 21);
    m_closeButton->SetStateBitmaps(LoadSkinBitmap(179), LoadSkinBitmap(178), LoadSkinBitmap(180),
                                   nullptr);
    m_closeButton->SetDrawBitmap(1);
    m_closeButton->SetFont(font);
    m_closeButton->SetId(1612);

    m_icon = AddControl<StaticCtrl>(32, 90, 62, 120);
    m_icon->SetStateBitmaps(LoadSkinBitmap(175), nullptr, nullptr, nullptr);
    m_icon->SetDrawBitmap(1);
    m_icon->SetFont(font);

    m_messageLabel = AddControl<StaticCtrl>(72, 36, 388, 156);
    m_messageLabel->SetText(m_message);
    m_messageLabel->SetColor(kMessageColor);
    m_messageLabel->SetFormat(platform::kDtEditControl | platform::kDtWordBreak);
    m_messageLabel->SetFont(font);

    m_button = AddControl<ButtonCtrlEx>(160, 167, 260, 199);
    m_button->SetStateBitmaps(LoadSkinBitmap(176), LoadSkinBitmap(174), LoadSkinBitmap(177),
                              nullptr);
    m_button->SetStateColors(kWhite, kWhite, kWhite, kWhite);
    m_button->SetText(m_buttonCaption);
    m_button->SetFormat(0x25);
    m_button->SetDrawBitmap(1);
    m_button->SetFont(font);
    m_button->SetId(kMessageBoxButton);
    FinishControlLists();
}

int SkinMessageBox::OnCommand(WParam p1, LParam) {
    const int id = platform::LowWord(p1);
    if (id >= 1628 && id <= 1630) {
        m_result = id;
        platform::SendMessage(m_window, platform::kWmClose, 0, 0);
        return 1;
    }
    if (id == 1612 || id == 1626) {
        platform::SendMessage(m_window, platform::kWmClose, 0, 0);
        return 1;
    }
    return 0;
}

int SkinMessageBox::OnClose() {
    StopRepaintThread();
    return 0;
}

void SkinMessageBox::StopRepaintThread() {
    m_stop = true;
    // One round is at most a paint and 30 ms; the box is never destroyed under the thread.
    if (m_repaintThread.joinable()) {
        m_repaintThread.join();
    }
}

void SkinMessageBox::RunRepaintThread() {
    while (!m_stop && g_currentBox.load() == this) {
        OnPaint();
        std::this_thread::sleep_for(std::chrono::milliseconds(kRepaintMs));
    }
}

void SkinMessageBox::OnPaint() {
    std::lock_guard<std::recursive_mutex> guard(OwnerLock(m_window));
    std::unique_ptr<DeviceContext> dc = platform::GetDC(m_window);
    if (dc == nullptr) {
        return;
    }
    const int height = dc->Height();
    platform::Bitmap frame(std::max(dc->Width(), kBoxWidth), height);
    DeviceContext memory(&frame);
    const int width = frame.Width();
    // The whole client area in the band colours, so that a box scaled above 96 dpi shows no
    // black beyond the design size.
    memory.FillSolidRect(platform::Rect{0, 0, width, height}, kWhite);
    memory.FillSolidRect(platform::Rect{0, 0, width, kTitleBandHeight}, kMessageTitleColor);
    memory.FillSolidRect(platform::Rect{0, height - kBottomBandHeight, width, height},
                         kMessageBandColor);
    DrawControls(&memory);
    dc->BitBlt(0, 0, width, height, memory, 0, 0);
}

int ShowSkinMessageBox(WindowHandle owner, const std::wstring& title, const std::wstring& message,
                       const std::wstring& buttonCaption) {
    assert(platform::IsWindowThread() && "a modal box runs on the window thread");
    platform::OutputDebugText("ShowSkinMessageBox : " + platform::WideToNarrow(title) + " : " +
                              platform::WideToNarrow(message) + "\n");
    auto box = std::make_unique<SkinMessageBox>(title, message, buttonCaption);
    SkinMessageBox* previous = g_currentBox.exchange(box.get());
    assert(previous == nullptr && "one skin message box at a time");
    (void)previous;
    if (const platform::DialogTemplate* t = FindDialogTemplate(kMessageBoxDialogId)) {
        platform::DialogBox(*t, owner, &CurrentBoxProc);
    }
    // The repaint thread is joined before the box goes, whatever ended the modal loop.
    g_currentBox = nullptr;
    box.reset();
    return kMessageBoxResult;
}

SkinMessageBox* CurrentSkinMessageBoxForTesting() {
    return g_currentBox.load();
}

} // namespace skin
