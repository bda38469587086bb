// The install sequence, run on an install thread: while no package has been downloaded it runs
// the download phase (a new engine per attempt, polled once a second), and once a download has
// succeeded the install phase (header, processes, folder, unpack, shortcuts, hand-over,
// registration). It reports through OnDownloadNotify and OnInstallNotify and never waits for the
// user.
#include "setup/SetupDlg.h"

#include "app/DiskPaths.h"
#include "app/Log.h"
#include "app/Probes.h"
#include "app/ProductInfo.h"
#include "app/Result.h"
#include "app/TextConv.h"
#include "download/IDownloader.h"
#include "i18n/Language.h"
#include "install/PackageNames.h"
#include "install/ProductProcesses.h"
#include "install/SevenZipExtractor.h"
#include "install/Shortcuts.h"
#include "install/UninstallRegistry.h"
#include "platform/Com.h"
#include "platform/FileSystem.h"
#include "platform/WebBrowser.h"
#include "setup/FinishActions.h"
#include "setup/InstallSteps.h"
#include "setup/PreviousInstall.h"
#include "setup/ProductPrograms.h"

#include <chrono>
#include <thread>

namespace {

constexpr int kDownloadPollMs = 1000;
constexpr int kAfterDownloadMs = 2000;
// An engine that stops without its final report would keep the poll going for ever; after this
// many polls with the engine idle and no report the download counts as failed.
constexpr int kIdlePollsWithoutReport = 30;
constexpr int kIconRefreshes = 3;

void SleepMs(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

// The package path: the package folder (created) and the file name from the registry name and
// the version text, as the engine takes it (narrow, at most 259 bytes).
std::string NarrowPackagePath(const std::string& versionText) {
    const std::wstring folder = PackageFolder(true);
    std::wstring path = folder;
    PathAppend(path, AnsiToWide(PackageFileName(ProductInfo()->GetRegistryName(), versionText)));
    return WideToOem(path).substr(0, platform::kMaxPath - 1);
}

ShortcutTexts CurrentShortcutTexts() {
    ShortcutTexts texts;
    texts.uninstallApplication = GetUiText(35);
    texts.application = GetUiText(36);
    texts.homepage = GetUiText(38);
    texts.productOnline = GetUiText(46);
    texts.uninstallProduct = GetUiText(47);
    return texts;
}

} // namespace

void SetupDlg::DoInstall() {
    if (m_packagePath.empty()) {
        DownloadPhase();
        return;
    }
    InstallPhase();
}

void SetupDlg::DownloadPhase() {
    const std::string packagePath = NarrowPackagePath(m_state.versionText.Get());
    std::unique_ptr<IDownloader> engine;
    if (!CreateDownloader(&engine) || !engine) {
        LogFormat("SetupDlg::DoInstall pDownload = NULL.\n");
        m_state.SetInstallState(E_Install_Failed);
        UpdateCtrlStatus(E_Install_Failed);
        return;
    }
    m_state.downloadEnded = false;
    m_state.downloadPercent = 0;
    std::string url = ProductInfo()->GetConfigUrl();
    if (IsTestMode()) {
        url += ".test";
    }
    engine->SetCallback(
        [this](int code, unsigned a, long b) { return OnDownloadNotify(code, a, b); });
    // The download screen and the information window read the engine's segment table while it
    // lives; they are told before it goes.
    SetDownloadEngine(engine.get());
    engine->DownloadCfg(url.c_str(), packagePath.c_str());
    LogFormat("Url : %s\n", url.c_str());

    const auto start = std::chrono::steady_clock::now();
    m_state.downloadEnded = false;
    if (!AwaitDownload(*engine)) {
        SetDownloadEngine(nullptr);
        engine->Stop();
        return;
    }
    m_downloadSeconds = static_cast<unsigned>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - start)
            .count());
    SleepMs(kAfterDownloadMs);
    if (m_state.downloadReused) {
        m_downloadSeconds = 1;
    }
    const int outcome = engine->GetStatus();
    LogFormat("Download Finish Result : %s(%d).\n", outcome == 5 ? "succeed" : "failed", outcome);
    SetDownloadEngine(nullptr);
    engine->Stop();
    engine.reset();

    const std::wstring widePackagePath = AnsiToWide(packagePath);
    const std::wstring description = widePackagePath + L".cfg";
    if (platform::PathExists(description)) {
        platform::DeleteFileAt(description);
    }
    if (!platform::PathExists(widePackagePath) || outcome != 5) {
        LogFormat("Download Failed. Show retry.\n");
        m_state.SetInstallState(E_Install_Failed);
        UpdateCtrlStatus(E_Install_Failed);
        return;
    }
    LogFormat("Begin install...\n");
    m_packagePath = widePackagePath;
    UpdateCtrlStatus(E_Install_Installing);
    m_state.SetInstallState(E_Install_Installing);
    m_state.SetPhase(E_Phase_Unpacking);
    DoInstall();
}

bool SetupDlg::AwaitDownload(IDownloader& engine) {
    int idlePolls = 0;
    while (engine.IsDownloading() || !m_state.downloadEnded) {
        if (m_state.closing) {
            LogFormat("SetupDlg::DoInstall : the window closed during the download.\n");
            return false;
        }
        idlePolls = engine.IsDownloading() ? 0 : idlePolls + 1;
        if (idlePolls > kIdlePollsWithoutReport) {
            LogFormat("SetupDlg::DoInstall : the engine stopped without a report; no report "
                      "within %d polls of %d ms.\n",
                      kIdlePollsWithoutReport, kDownloadPollMs);
            break;
        }
        SleepMs(kDownloadPollMs);
    }
    return true;
}

void SetupDlg::InstallPhase() {
    const ProgressNotify unpackNotify = [this](int event, unsigned value, long extra) {
        return OnInstallNotify(event, value, extra);
    };
    LogFormat("Do Install File : %s", WideToOem(m_packagePath).c_str());
    // LoadInstallRecord: an unreadable header leaves the record as it was, and a root name that
    // cannot name a folder or key is not taken.
    PackageHeader header;
    if (ReadPackageHeader(m_packagePath.c_str(), &header) == kSOk) {
        AdoptPackageHeader(&m_installRecord, header);
    }
    // The path is passed explicitly: the folder of the last unpack is still empty here, and the
    // shared helper's row is ended only inside the installation folder.
    CloseProductProcesses(m_installPath);
    if (!platform::PathExists(m_installPath)) {
        wchar_t fallback[platform::kMaxPath] = {};
        GetProgramFilesPath(fallback, AnsiToWide(HeaderText(m_installRecord.rootName)), false,
                            m_installRecord.is64Bit != 0);
        m_installPath = fallback;
    }
    LogFormat("Install Path : %s", WideToOem(m_installPath).c_str());
    const bool bHasOldVersion = platform::PathExists(m_installPath + L"\\uninstall.exe");
    const bool bNewFlag = IsNewInstall(bHasOldVersion, m_installRecord);
    CloseProductProcesses(m_installPath);

    LogFormat("Begin depack file.\n");
    LogFormat("Begin delete file.(%s)", WideToOem(m_installPath).c_str());
    // Guarded: a folder that holds anything but an earlier installation is left as it is (the
    // refusal is logged), and the unpack then only adds the product's files to it.
    DeleteTree(m_installPath);
    LogFormat("End delete file.");

    const long result = UnpackPackage(m_packagePath.c_str(), m_installPath.c_str(), unpackNotify);
    LogFormat("Install File Result %0X", static_cast<unsigned>(result));
    if (result < 0) {
        LogFormat("Install File FAILED error code = %0X, last error = %d.\n",
                  static_cast<unsigned>(result), GetLastUnpackError());
        // An unpack refused before its first report sent no failure event; the Finish button
        // must stay hidden all the same.
        m_state.unpackSucceeded = 0;
        UpdateCtrlStatus(E_Install_Installed);
        m_state.SetInstallState(E_Install_Installed);
        return;
    }
    SetUpInstalledProduct(bNewFlag, bHasOldVersion);
}

void SetupDlg::SetUpInstalledProduct(bool bNewFlag, bool bHasOldVersion) {
    const std::wstring installFolder = GetInstallFolder();
    const bool is64Bit = m_installRecord.is64Bit != 0;
    const uint32_t flags = m_state.optionFlags;
    platform::CoInitializeApartment();
    LogFormat("Create Icons for %s", is64Bit ? "x64" : "x86");
    const ShortcutTexts texts = CurrentShortcutTexts();
    for (ProductProgram program : kProductPrograms) {
        const ProgramNames names = NamesOf(program, is64Bit);
        const ProgramPaths paths = PathsOf(installFolder, names);
        CreateShortcuts(paths.folder, paths.executable, paths.uninstaller, names.homePage,
                        names.shortcutName, (flags & OPT_DESKTOP_SHORTCUT) != 0, texts);
    }
    LogFormat("Create COMMON_MENU Icons Finish.");
    for (int i = 0; i < kIconRefreshes; ++i) {
        RefreshShellIcons();
    }
    LogFormat("Refresh Icons Finish.");
    m_installId = MakeInstallId();
    ShowFinishWebPage(bNewFlag, bHasOldVersion, m_channelText,
                      [](const std::wstring& address) { platform::OpenWebPage(address); });
    LogFormat("New : %d, Has old version : %d, MiniMode : %d\n", bNewFlag ? 1 : 0,
              bHasOldVersion ? 1 : 0, 0);
    const std::string parameters = InstallParameters((flags & OPT_JOIN_PROGRAM) != 0, m_installId,
                                                     bNewFlag, m_downloadSeconds);
    for (ProductProgram program : kProductPrograms) {
        const ProgramNames names = NamesOf(program, is64Bit);
        RunMainExeInstall(PathsOf(installFolder, names).executable, names.executable, parameters);
    }
    LogFormat("UpdateCtrlStatus(AfterInstall)");
    UpdateCtrlStatus(E_Install_Installed);
    m_state.SetInstallState(E_Install_Installed);
    platform::CoUninitializeApartment();
    for (ProductProgram program : kProductPrograms) {
        const ProgramNames names = NamesOf(program, is64Bit);
        const ProgramPaths paths = PathsOf(installFolder, names);
        WriteUninstallInfo(WideToOem(paths.folder).c_str(), names.keyName,
                           WideToOem(names.executable).c_str(), names.displayNameBase,
                           m_installRecord, flags);
    }
    m_state.SetPhase(E_Phase_Finished);
    for (int i = 0; i < 3; ++i) {
        UpdateCtrlStatus(E_Install_Installed);
    }
    LogFormat("Finish(AfterInstall)");
}
