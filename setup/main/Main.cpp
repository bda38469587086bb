// The installer's process entry: prepares the install log, records the version and the system
// mode, and runs the setup window (dialog 130) until it ends. The command line is never read.

#include "app/BuildConfig.h"
#include "app/DiskPaths.h"
#include "app/Log.h"
#include "app/Probes.h"
#include "platform/Com.h"
#include "platform/Window.h"
#include "skin/CommonDlg.h"
#include "skin/DialogTemplates.h"
#include "skin/SkinBitmap.h"

#include <string>

namespace {

constexpr int kSetupDialogWidth = 622;
constexpr int kSetupDialogHeight = 405;
constexpr int kSetupIconId = 107;

// The setup window until its controller arrives: the undecorated 622 x 405 window with its title
// and icon, ending on a close request.
class PlainSetupDlg : public skin::SkinHostDlg {
public:
    PlainSetupDlg() {
        m_useDesignSize = 1;
        m_designWidth = kSetupDialogWidth;
        m_designHeight = kSetupDialogHeight;
        m_endFlags = 0;
    }

    int OnInitDialog(platform::WindowHandle window) override {
        SkinHostDlg::OnInitDialog(window);
        platform::SetWindowText(window, L"Kelto Clipwave Converter Pro Installer");
        skin::SetSkinWindowIcon(window, kSetupIconId);
        OnPaint();
        return 1;
    }

    void OnPaint() override {
        std::unique_ptr<platform::DeviceContext> dc = platform::GetDC(m_window);
        if (dc == nullptr) {
            return;
        }
        dc->FillSolidRect(platform::Rect{0, 0, dc->Width(), dc->Height()}, 0xFFFFFF);
    }

    int OnClose() override {
        platform::EndDialog(m_window, 0);
        return 0;
    }
};

} // namespace

int wWinMain(void* instance, void* previousInstance, const wchar_t* commandLine, int showCommand) {
    std::wstring logPath;
    GetDocumentsPath(logPath, L"Kelto Clipwave Converter Pro\\Log\\", L"install.log", true);
    ILog::Instance().Init(logPath);

    LogFormat("Setup Init. Version %s", build::kSetupVersion);
    LogFormat(IsOs64Bit() ? "System Mode : x64" : "System Mode : x86");
    if (IsTestMode()) {
        LogFormat("Test Mode : true\n");
    }

    platform::CoInitializeApartment();
    if (const platform::DialogTemplate* setupDialog =
            skin::FindDialogTemplate(skin::kSetupDialogId)) {
        PlainSetupDlg dialog;
        platform::DialogBox(*setupDialog, nullptr, skin::BindDialogProc(&dialog));
    }
    platform::ShutdownWindowSystem();
    platform::CoUninitializeApartment();

    LogFormat("Exit app.");
    return 0;
}

int main(int argc, char** argv) {
    // Whatever the command line holds, the start is the same.
    return wWinMain(nullptr, nullptr, L"", 1);
}
