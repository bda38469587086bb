#include "setup/FinishActions.h"

#include "app/BuildConfig.h"
#include "app/Log.h"
#include "app/TextConv.h"
#include "install/DesktopLaunch.h"
#include "install/Package.h"
#include "setup/PreviousInstall.h"
#include "setup/ProductPrograms.h"

namespace {

constexpr const wchar_t* kChannelPlaceholder = L"1234567890";
constexpr const wchar_t* kLaunchParameters = L" --installmode";
constexpr int kShowNormal = 1;
// The launch takes the program path in a 260-character buffer.
constexpr size_t kLaunchPathRoom = 259;

void Launch(const char* what, const std::wstring& executable) {
    LogFormat("Run %s!!! %s", what, WideToOem(executable).c_str());
    const std::wstring path = executable.substr(0, kLaunchPathRoom);
    LaunchAsDesktopUser(path.c_str(), kLaunchParameters, nullptr, kShowNormal);
}

} // namespace

std::wstring FinishPageAddress(const std::wstring& channelText) {
    const std::string address = std::string("https://") + build::kWebHost +
                                "/?install=converter_pro&source=1234567890&status=install_complete";
    return ReplaceAll(AnsiToWide(address), kChannelPlaceholder, channelText);
}

void ShowFinishWebPage(bool bNewFlag, bool bHasOldVersion, const std::wstring& channelText,
                       const WebPageOpener& openWebPage) {
    const bool updateOldVersion = g_updateOldVersion;
    LogFormat("ShowFinishWebPage bHasOldVersion(%d), bNewFlag(%d), g_updateOldVersion(%d)",
              bHasOldVersion ? 1 : 0, bNewFlag ? 1 : 0, updateOldVersion ? 1 : 0);
    LogFormat("New flag : %s, OldVersion : %s", bNewFlag ? "New New New" : "friend",
              updateOldVersion ? "TRUE" : "FALSE");
    if (!bNewFlag) {
        return;
    }
    LogFormat("ShowFinishWebPage : bNewFlag.\n");
    if (openWebPage) {
        openWebPage(FinishPageAddress(channelText));
    }
}

void RunFinishLaunches(const FinishChoice& choice) {
    LogFormat("OnBtnInstall(AfterInstall)");
    const std::wstring installFolder = GetInstallFolder();
    if (choice.launchConverter) {
        Launch(
            "Converter",
            PathsOf(installFolder, NamesOf(ProductProgram::Converter, choice.is64Bit)).executable);
    }
    if (choice.launchDownloader) {
        Launch(
            "Downloader",
            PathsOf(installFolder, NamesOf(ProductProgram::Downloader, choice.is64Bit)).executable);
    }
    LogFormat("Finish and Close Setup!");
}
