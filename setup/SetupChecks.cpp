// The checks before an installation starts and the browse button: each refusal tells the user
// in a skin message box and changes nothing.
#include "setup/SetupDlg.h"

#include <cassert>

#include "app/DiskPaths.h"
#include "app/Log.h"
#include "app/Probes.h"
#include "i18n/Language.h"
#include "platform/FileSystem.h"
#include "platform/FolderBrowser.h"
#include "platform/Text.h"
#include "skin/SkinMessageBox.h"

namespace {

// The most the path edit box hands over.
constexpr size_t kPathTextRoom = 519;
constexpr int64_t kRequiredFreeMegabytes = 256;

constexpr int kText64BitOnly = 33;
constexpr int kTextVista = 29;
constexpr int kTextInvalidPath = 30;
constexpr int kTextNoSpace = 31;
constexpr int kTextOk = 11;
constexpr int kTextBrowseTitle = 17;

// Why a path cannot be installed into, for the log; null when it can.
const char* PathRefusal(const std::wstring& path) {
    if (path.empty()) {
        return "the path is empty";
    }
    if (path.size() >= platform::kMaxPath) {
        return "the path is longer than 259 characters";
    }
    std::filesystem::path host;
    if (!platform::ToHostPath(path, &host)) {
        return "the path names no mapped drive";
    }
    if (!platform::IsFolder(path)) {
        return "the folder could not be created";
    }
    return nullptr;
}

} // namespace

bool SetupDlg::CheckInstallConditions() {
    const std::wstring ok = GetUiText(kTextOk);
    if (m_installRecord.is64Bit != 0 && !IsOs64Bit()) {
        LogFormat("OnBtnInstall(MySkinMessagxBox)");
        skin::ShowSkinMessageBox(m_window, L"Plenix", GetUiText(kText64BitOnly), ok);
        return false;
    }
    if (!IsWindowsVersionSupported()) {
        LogFormat("OnBtnInstall(MySkinMessagxBox)");
        skin::ShowSkinMessageBox(m_window, L"Plenix", GetUiText(kTextVista), ok);
        return false;
    }
    std::wstring path = platform::GetWindowText(m_controls.pathEdit);
    if (path.size() > kPathTextRoom) {
        path.resize(kPathTextRoom);
    }
    CreateDirectoryTree(path);
    const std::string narrowPath = platform::WideToNarrow(path);
    LogFormat("Install Path Info : %s .", narrowPath.c_str());
    if (const char* refusal = PathRefusal(path)) {
        LogFormat("Install Path Info : refused, %s.", refusal);
        skin::ShowSkinMessageBox(m_window, L"Kelto Clipwave Converter", GetUiText(kTextInvalidPath),
                                 ok);
        return false;
    }
    m_installPath = path;
    const int64_t freeMegabytes = GetFreeMegabytes(static_cast<char>(path[0]));
    LogFormat("FreeSpace Info : %lld MB in %s .", static_cast<long long>(freeMegabytes),
              narrowPath.c_str());
    if (freeMegabytes > kRequiredFreeMegabytes) {
        return true;
    }
    skin::ShowSkinMessageBox(m_window, L"Plenix", GetUiText(kTextNoSpace), ok);
    return false;
}

void SetupDlg::OnBtnBrower() {
    assert(platform::IsWindowThread() && "commands run on the window's thread");
    // The chooser keeps the window served while it is open; a second press meanwhile is dropped.
    if (m_browsing) {
        return;
    }
    LogFormat("OnBtnBrower() path = %s", platform::WideToNarrow(m_installPath).c_str());
    if (!platform::PathExists(m_installPath)) {
        CreateDirectoryTree(m_installPath);
    }
    m_browsing = true;
    // A close request while the chooser is open ends the chooser, so that the window can end.
    platform::BrowseResult result = platform::BrowseForFolder(
        GetUiText(kTextBrowseTitle), m_installPath, [this] { return m_state.closing.load(); });
    m_browsing = false;
    if (result.outcome != platform::BrowseOutcome::Chosen) {
        LogFormat("OnBtnBrower()NULL == idl, error = %p",
                  reinterpret_cast<void*>(static_cast<uintptr_t>(result.lastError)));
        if (result.outcome != platform::BrowseOutcome::Cancelled) {
            LogFormat("OnBtnBrower() chooser : %s", platform::BrowseOutcomeName(result.outcome));
        }
        return;
    }
    std::wstring chosen = result.path;
    const std::wstring rootName = platform::NarrowToWide(HeaderText(m_installRecord.rootName));
    if (chosen.find(rootName) == std::wstring::npos && !PathAppend(chosen, rootName)) {
        LogFormat("OnBtnBrower() chooser : the folder with \"%s\" appended is too long",
                  HeaderText(m_installRecord.rootName).c_str());
        return;
    }
    m_installPath = chosen;
    platform::SetWindowText(m_controls.pathEdit, chosen);
}
