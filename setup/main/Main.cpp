// The installer's process entry: prepares the install log, records the version and the system
// mode, and runs the setup window (dialog 130) with its controller until it ends. The command
// line is never read. A start without administrator rights asks for them first and runs the
// installer again with them.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/BuildConfig.h"
#include "app/DiskPaths.h"
#include "app/Log.h"
#include "app/Probes.h"
#include "platform/Com.h"
#include "platform/Elevation.h"
#include "platform/LayeredWindowX11.h"
#include "platform/SystemInfo.h"
#include "platform/Window.h"
#include "setup/SetupDlg.h"
#include "skin/DialogTemplates.h"
#include "skin/InfoView.h"
#include "skin/WndShadow.h"

namespace {

// How long the workers may take to end once the window has closed; the version thread may be in
// the middle of a two-second transfer.
constexpr int kWorkerJoinBoundMs = 5000;

// The controller lives for the whole process and is never destroyed: a worker that outlives the
// bound above must not find it freed.
SetupDlg& TheSetupDlg() {
    static SetupDlg* dialog = new SetupDlg();
    return *dialog;
}

// The setup window's drop shadow, alive as long as the controller.
skin::CWndShadow& TheShadow() {
    static skin::CWndShadow* shadow = new skin::CWndShadow();
    return *shadow;
}

// The shadow window class exists only where a compositing manager can show it; without one the
// window simply has no shadow (nothing to report).
void RegisterShadowClass(void* instance) {
    if (platform::IsLayeredWindowSupported()) {
        skin::CWndShadow::Initialize(instance);
    }
}

// The setup window's procedure: on every message the shadow first attaches to the window (only
// the first call acts) and hooks the window's messages; then the controller's dispatcher.
platform::DialogProc SetupDialogProc(SetupDlg& dialog) {
    platform::DialogProc controller = skin::BindDialogProc(&dialog);
    return [controller](platform::WindowHandle window, uint32_t message, platform::WParam p1,
                        platform::LParam p2) {
        static bool hooked = false;
        TheShadow().Create(window);
        if (!hooked && skin::CWndShadow::ForParent(window) != nullptr) {
            hooked = true;
            platform::SetWindowMessageHook(
                window, [](platform::WindowHandle parent, uint32_t m, platform::WParam a,
                           platform::LParam b, const std::function<platform::LResult()>& previous) {
                    skin::CWndShadow* shadow = skin::CWndShadow::ForParent(parent);
                    return shadow != nullptr ? shadow->OnParentMessage(parent, m, a, b, previous)
                                             : previous();
                });
        }
        return controller(window, message, p1, p2);
    };
}

// Without administrator rights: the same executable again through the elevation prompt. Nothing
// touches the platform root here, so a refusal leaves no trace; the reason goes to standard
// error, since the install log lives in the root.
int RunWithoutRights(int argc, char** argv) {
    std::vector<std::string> arguments(argv + 1, argv + argc);
    platform::ElevationResult result =
        platform::RunElevatedCopy(platform::CurrentExecutablePath(), arguments);
    if (result.outcome == platform::ElevationOutcome::Ran) {
        return result.exitCode;
    }
    std::fprintf(stderr, "kelto-setup: administrator rights are needed and were not obtained: %s\n",
                 result.why.c_str());
    platform::ShowNativeMessageBox(
        nullptr, L"Kelto Clipwave Converter Pro Installer",
        L"The installer needs administrator rights to install Kelto Clipwave Converter Pro.\n"
        L"Start it again and allow it to make changes to this computer.");
    platform::ShutdownWindowSystem();
    return 0;
}

} // namespace

int wWinMain(void* instance, void* previousInstance, const wchar_t* commandLine, int showCommand) {
    // The information window exists before the log, so it shows every line from the first on.
    skin::ShowInfoView();
    std::wstring logPath;
    GetDocumentsPath(logPath, L"Kelto Clipwave Converter Pro\\Log\\", L"install.log", true);
    ILog::Instance().Init(logPath);
    ILog::Instance().SetListener(&skin::InfoViewLogListener);

    LogFormat("Setup Init. Version %s", build::kSetupVersion);
    LogFormat(IsOs64Bit() ? "System Mode : x64" : "System Mode : x86");
    if (IsTestMode()) {
        LogFormat("Test Mode : true\n");
    }

    platform::CoInitializeApartment();
    RegisterShadowClass(instance);
    SetupDlg& dialog = TheSetupDlg();
    if (const platform::DialogTemplate* setupDialog =
            skin::FindDialogTemplate(skin::kSetupDialogId)) {
        platform::DialogBox(*setupDialog, nullptr, SetupDialogProc(dialog));
    }
    const bool workersEnded = dialog.JoinWorkers(kWorkerJoinBoundMs);
    platform::ShutdownWindowSystem();
    platform::CoUninitializeApartment();

    LogFormat("Exit app.");
    if (!workersEnded) {
        // A worker still runs: end here, before any process-wide object is torn down under it.
        std::_Exit(0);
    }
    return 0;
}

int main(int argc, char** argv) {
    if (!platform::IsProcessElevated()) {
        return RunWithoutRights(argc, argv);
    }
    // Whatever the command line holds, the start is the same.
    return wWinMain(nullptr, nullptr, L"", 1);
}
