// The installer's own modal message box: a caption-less 420 x 210 window in the skin's colours
// with a title band, a warning symbol, a word-wrapped message and one button, repainted by a
// thread of its own. At most one box exists at a time.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "platform/Font.h"
#include "skin/CommonDlg.h"

namespace skin {

inline constexpr int kMessageBoxResult = 1628;
inline constexpr int kMessageBoxButton = 1629;
inline constexpr platform::ColorRef kMessageTitleColor = 0xB5474A;
inline constexpr platform::ColorRef kMessageBandColor = 0xFDFBF7;

class SkinMessageBox : public SkinHostDlg {
public:
    SkinMessageBox(const std::wstring& title, const std::wstring& message,
                   const std::wstring& buttonCaption);
    ~SkinMessageBox() override;

    int OnInitDialog(WindowHandle window) override;
    int OnCommand(WParam p1, LParam p2) override;
    // Draws the box; called by its repaint thread and by the window thread.
    void OnPaint() override;
    // Stops the repaint thread and waits for it.
    int OnClose() override;

    const std::wstring& Title() const { return m_title; }
    const std::wstring& Message() const { return m_message; }
    int Result() const { return m_result; }
    ButtonCtrlEx* Button() const { return m_button; }
    // The box's window once it has been initialised, for any thread; null before.
    WindowHandle ShownWindow() const { return m_shownWindow.load(); }

private:
    void CreateControls();
    void RunRepaintThread();
    void StopRepaintThread();

    int m_result = kMessageBoxResult;
    ButtonCtrlEx* m_closeButton = nullptr;
    ButtonCtrlEx* m_button = nullptr;
    StaticCtrl* m_titleLabel = nullptr;
    StaticCtrl* m_icon = nullptr;
    StaticCtrl* m_messageLabel = nullptr;
    std::wstring m_title;
    std::wstring m_message;
    std::wstring m_buttonCaption;
    std::unique_ptr<platform::Font> m_font;
    // Set by the window thread (OnClose); read by the repaint thread.
    std::atomic<bool> m_stop{false};
    // Written by the window thread at the end of the initialisation; read by tests' threads.
    std::atomic<WindowHandle> m_shownWindow{nullptr};
    std::thread m_repaintThread;
};

// Shows the box owned by owner and waits until it is closed. Returns 1628 however it closes.
// Window thread only.
int ShowSkinMessageBox(WindowHandle owner, const std::wstring& title, const std::wstring& message,
                       const std::wstring& buttonCaption);

// The box now shown, or null. For tests, which read its texts and press its button.
SkinMessageBox* CurrentSkinMessageBoxForTesting();

} // namespace skin
