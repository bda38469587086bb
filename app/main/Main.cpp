// The installer's process entry: prepares the install log, records the version and the system
// mode, and runs the setup window until it ends. The command line is never read.

#include "app/BuildConfig.h"
#include "app/DiskPaths.h"
#include "app/Log.h"
#include "app/Probes.h"
#include "platform/Com.h"
#include "platform/PlainWindow.h"

#include <string>

namespace {

constexpr int kSetupDialogWidth = 622;
constexpr int kSetupDialogHeight = 405;

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
    platform::RunPlainModalWindow(L"Kelto Clipwave Converter Pro Installer", kSetupDialogWidth,
                                  kSetupDialogHeight);
    platform::CoUninitializeApartment();

    LogFormat("Exit app.");
    return 0;
}

int main(int argc, char** argv) {
    // Whatever the command line holds, the start is the same.
    return wWinMain(nullptr, nullptr, L"", 1);
}
