// The start of the setup window: title and icons, texts, language, fonts and images, the
// installation record, the remembered option flags, the controls and the two start-up threads.
#include "setup/SetupDlg.h"

#include <cassert>

#include "app/DiskPaths.h"
#include "app/Log.h"
#include "app/ProductInfo.h"
#include "i18n/Language.h"
#include "install/UninstallRegistry.h"
#include "platform/FileSystem.h"
#include "platform/Text.h"
#include "res/Resources.h"
#include "setup/PreviousInstall.h"

namespace {

constexpr int kSetupIconId = 107;
constexpr int kResourceTextRoom = 260;
constexpr const wchar_t* kWindowTitle = L"Kelto Clipwave Converter Pro Installer";
constexpr const wchar_t* kProductName = L"Kelto Clipwave Converter Pro";
constexpr const wchar_t* kMakerFolder = L"Kelto\\";

std::wstring LoadText(int id) {
    wchar_t buffer[kResourceTextRoom];
    LoadResourceString(id, buffer, kResourceTextRoom);
    return buffer;
}

} // namespace

SetupDlg::SetupDlg() {
    m_useDesignSize = 1;
    m_designWidth = kSetupWidth;
    m_designHeight = kSetupHeight;
    m_endFlags = 0;
}

SetupDlg::~SetupDlg() {
    m_state.closing = true;
}

int SetupDlg::OnInitDialog(platform::WindowHandle window) {
    assert(platform::IsWindowThread() && "the window starts on its own thread");
    SkinHostDlg::OnInitDialog(window);
    platform::SetWindowText(window, kWindowTitle);
    skin::SetSkinWindowIcon(window, kSetupIconId);
    m_packagePath.clear();
    m_specialEditionAddress = LoadText(1500);
    m_channelText = LoadText(1501);
    InitLanguage(kProductName, 0);
    m_animTexts = skin::AnimationTexts{skin::MakeRetryMessage(GetUiText(41)), GetUiText(43),
                                       GetUiText(44), GetUiText(45)};
    CreateFonts();
    LoadImages();
    SeedInstallRecord();
    ReadOptionFlags();
    CreateControls();
    m_controls.versionLabel->SetText(ProductInfo()->GetSubtitle());
    m_controls.versionLabel->SetVisible(true);
    StartStartupThreads();
    return 1;
}

void SetupDlg::SeedInstallRecord() {
    const std::shared_ptr<IProductInfo>& info = ProductInfo();
    m_installRecord = PackageHeader{};
    SetHeaderText(m_installRecord.rootName, info->GetRootName());
    SetHeaderText(m_installRecord.displayName, info->GetDisplayName());
    SetHeaderText(m_installRecord.version, info->GetVersion());
    SetHeaderText(m_installRecord.productName, info->GetProductName());
    SetHeaderText(m_installRecord.publisher, info->GetPublisher());
    m_installRecord.is64Bit = info->Is64Bit();
}

void SetupDlg::ReadOptionFlags() {
    const std::string rootKey = RootKeyName(m_installRecord);
    uint32_t flags = kAllOptions;
    ReadUninstallDword(rootKey.c_str(), "cfg_flag", &flags);
    m_state.optionFlags = flags;
    LogFormat("Read Setup Cfg Flag : %d, root(%s), key(%s).\n", static_cast<int>(flags),
              rootKey.c_str(), "cfg_flag");
}

std::wstring SetupDlg::DefaultInstallPath() const {
    wchar_t path[platform::kMaxPath] = {};
    const std::wstring subFolder =
        kMakerFolder + platform::NarrowToWide(HeaderText(m_installRecord.rootName));
    GetProgramFilesPath(path, subFolder, false, m_installRecord.is64Bit != 0);
    return path;
}

std::wstring SetupDlg::InstallPath() const {
    return m_installPath;
}

void SetupDlg::StartStartupThreads() {
    m_versionThread.Start([this] { RunVersionThread(); });
    m_repaintThread.Start([this] { RunRepaintThread(); });
}
