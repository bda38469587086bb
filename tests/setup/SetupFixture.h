// The setup window on a real window (SDL's off-screen driver) and a fresh platform root per test:
// the controller is opened as a modeless dialog so that the test drives it with commands, and a
// box answerer presses the button of each skin message box the controller raises.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "common/LogCapture.h"
#include "common/ScopedRoot.h"
#include "i18n/Language.h"
#include "platform/Gdi.h"
#include "platform/Window.h"
#include "setup/SetupDlg.h"
#include "skin/DialogTemplates.h"
#include "skin/SkinMessageBox.h"

namespace setup_testing {

// Where the tests leave the screens they save: <build>/artifacts/.
inline std::string ArtifactPath(const std::string& name) {
    const char* binary = std::getenv("KELTO_BINARY_DIR");
    std::filesystem::path folder = std::filesystem::path(binary ? binary : ".") / "artifacts";
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

// The settings of a 64-bit Windows 10 machine whose desktop user is "tester".
inline std::string MachineSettings(const std::string& extra = {}) {
    return "[system]\nuser=tester\narchitecture=x64\nlanguage_id=0x0409\n[windows]\nversion=10."
           "0\n" +
           extra;
}

// Waits up to milliseconds for predicate, serving the window thread meanwhile.
inline bool PumpUntil(const std::function<bool()>& predicate, int milliseconds) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!predicate()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        platform::PumpMessages(5);
    }
    return true;
}

// What one skin message box showed.
struct BoxSeen {
    std::wstring title;
    std::wstring message;
    bool ownedBySetupWindow = false;
    bool drawn = false;
};

// Answers the next skin message box from a thread of its own: waits until the box has been
// presented, records its texts (and saves its picture when asked), then presses and releases its
// button with real mouse events, the way a user closes it.
class BoxAnswerer {
public:
    BoxAnswerer(platform::WindowHandle setupWindow, std::string pngPath = {})
        : m_thread([this, setupWindow, pngPath] { Run(setupWindow, pngPath); }) {}
    ~BoxAnswerer() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    BoxSeen Seen() {
        m_stop = true;
        if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_seen;
    }

private:
    void Run(platform::WindowHandle setupWindow, const std::string& pngPath) {
        skin::SkinMessageBox* box = nullptr;
        platform::WindowHandle window = nullptr;
        for (int i = 0; i < 1000 && !m_stop; ++i) {
            box = skin::CurrentSkinMessageBoxForTesting();
            window = box != nullptr ? box->ShownWindow() : nullptr;
            if (window != nullptr && IsPresented(window)) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (window == nullptr || !IsPresented(window)) {
            return;
        }
        m_seen.title = box->Title();
        m_seen.message = box->Message();
        m_seen.ownedBySetupWindow = platform::GetParent(window) == setupWindow;
        m_seen.drawn = true;
        if (!pngPath.empty()) {
            platform::SaveWindowFrameAsPng(window, pngPath.c_str());
        }
        platform::PushMouseEventForTesting(window, platform::MouseAction::Move, 210, 183);
        platform::PushMouseEventForTesting(window, platform::MouseAction::LeftDown, 210, 183);
        platform::PushMouseEventForTesting(window, platform::MouseAction::LeftUp, 210, 183);
        for (int i = 0; i < 500 && skin::CurrentSkinMessageBoxForTesting() != nullptr; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    // The title band has been presented.
    static bool IsPresented(platform::WindowHandle window) {
        std::unique_ptr<platform::Bitmap> frame = platform::LastPresentedFrame(window);
        return frame != nullptr && frame->Width() > 395 &&
               frame->Pixel(395, 30) == platform::PixelFromColorRef(skin::kMessageTitleColor);
    }

    std::atomic<bool> m_stop{false};
    BoxSeen m_seen;
    std::thread m_thread;
};

class SetupWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::Headless));
    }
    static void TearDownTestSuite() { platform::ShutdownWindowSystem(); }

    void SetUp() override {
        m_root = std::make_unique<testing_support::ScopedRoot>(MachineSettings());
    }
    void TearDown() override {
        Close();
        ResetLanguageForTesting();
        m_root.reset();
    }

    void Settings(const std::string& extra) { m_root->SetSettings(MachineSettings(extra)); }
    // A fresh machine (the old root goes first: it unsets KELTO_ROOT on its way out).
    void NewRoot(const std::string& settings) {
        m_root.reset();
        m_root = std::make_unique<testing_support::ScopedRoot>(settings);
    }

    // Opens the setup window on the current root and language.
    void Open() {
        ResetLanguageForTesting();
        m_dialog = std::make_unique<SetupDlg>();
        m_window = platform::CreateDialog(*skin::FindDialogTemplate(skin::kSetupDialogId), nullptr,
                                          skin::BindDialogProc(m_dialog.get()));
        ASSERT_NE(m_window, nullptr);
        platform::ShowWindow(m_window, platform::kSwShow);
        platform::PumpMessages(20);
    }

    void Close() {
        if (m_dialog == nullptr) {
            return;
        }
        if (platform::IsWindow(m_window)) {
            platform::SendMessage(m_window, platform::kWmClose, 0, 0);
        }
        PumpUntil([this] { return !platform::IsWindow(m_window); }, 2000);
        EXPECT_TRUE(m_dialog->JoinWorkers(5000));
        m_dialog.reset();
    }

    void Command(int id) {
        platform::SendMessage(m_window, platform::kWmCommand, static_cast<platform::WParam>(id), 0);
    }

    // Runs a command that raises a skin message box and returns what the box showed.
    BoxSeen CommandWithBox(int id, const std::string& pngPath = {}) {
        BoxAnswerer answerer(m_window, pngPath);
        Command(id);
        return answerer.Seen();
    }

    int WindowHeight() const {
        platform::Rect r;
        platform::GetWindowRect(m_window, &r);
        return r.Height();
    }

    void SetPath(const std::wstring& path) {
        platform::SetWindowText(m_dialog->Controls().pathEdit, path);
    }

    // One pixel of the window's back canvas after a paint of the current page.
    uint32_t PaintedPixel(int x, int y) {
        m_dialog->OnPaint();
        std::unique_ptr<platform::DeviceContext> dc = platform::GetDC(m_window);
        return dc->GetPixel(x, y);
    }

    std::unique_ptr<testing_support::ScopedRoot> m_root;
    std::unique_ptr<SetupDlg> m_dialog;
    platform::WindowHandle m_window = nullptr;
    testing_support::LogCapture m_log;
};

} // namespace setup_testing
