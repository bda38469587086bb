// The setup window's messages and commands: the command table, the install button over the four
// states, closing and the web pages.
#include "setup/SetupDlg.h"

#include <cassert>
#include <chrono>
#include <thread>

#include "app/BuildConfig.h"
#include "app/Log.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"
#include "platform/WebBrowser.h"
#include "setup/FinishActions.h"

int SetupDlg::OnMessage(uint32_t message, skin::WParam p1, skin::LParam p2) {
    if (message == platform::kWmLButtonDown) {
        platform::OutputDebugText("SetupDlg::WM_LBUTTONDOWN\n");
    } else if (message == platform::kWmLButtonUp) {
        platform::OutputDebugText("SetupDlg::WM_LBUTTONUP\n");
    }
    return SkinHostDlg::OnMessage(message, p1, p2);
}

int SetupDlg::OnCommand(skin::WParam p1, skin::LParam p2) {
    const std::wstring webHost = platform::NarrowToWide(build::kWebHost);
    switch (platform::LowWord(p1)) {
    case kCmdClose:
        OnBtnClose();
        return 1;
    case kCmdMinimise:
        platform::ShowWindow(m_window, platform::kSwMinimize);
        return 1;
    case kCmdInstall:
        OnBtnInstall();
        return 1;
    case kCmdCustom:
        ToggleCheck(m_controls.custom);
        ToggleCustomPanel(m_controls.custom->GetCheck());
        return 1;
    case kCmdAccept:
        ToggleCheck(m_controls.accept);
        m_controls.install->SetEnabled(m_controls.accept->GetCheck());
        return 1;
    case kCmdLicence:
        OpenWebPage(L"https://" + webHost + L"/user-license-agreement?source=client");
        return 1;
    case kCmdBrowse:
        OnBtnBrower();
        return 1;
    case kCmdDesktopShortcut:
        ToggleCheck(m_controls.desktopShortcut);
        return 1;
    case kCmdJoin:
        ToggleCheck(m_controls.join);
        return 1;
    case kCmdProgramme:
        OpenWebPage(L"https://" + webHost + L"/user-experience?source=client" +
                    platform::NarrowToWide(HeaderText(m_installRecord.version)));
        return 1;
    case kCmdLaunchConverter:
        ToggleCheck(m_controls.launchConverter);
        return 1;
    case kCmdLaunchDownloader:
        ToggleCheck(m_controls.launchDownloader);
        return 1;
    case kCmdSpecialEdition:
        OpenWebPage(m_specialEditionAddress);
        return 1;
    default:
        return SkinHostDlg::OnCommand(p1, p2);
    }
}

void SetupDlg::ToggleCheck(skin::CheckButtonCtrlEx* box) {
    box->SetCheck(!box->GetCheck());
}

void SetupDlg::OpenWebPage(const std::wstring& url) {
    if (url.empty()) {
        return;
    }
    // The browser is a program of the desktop user, never of this elevated process.
    platform::OpenWebPage(url);
}

void SetupDlg::OnBtnClose() {
    LogFormat("OnBtnClose(user close)");
    platform::SendMessage(m_window, platform::kWmClose, 0, 0);
}

int SetupDlg::OnClose() {
    // The repaint and frame threads see the flag within one round; the version and install
    // threads check it between their steps. JoinWorkers waits for all of them once the window
    // has ended.
    m_state.closing = true;
    for (int i = 0; i < 5; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    platform::EndDialog(m_window, 0);
    return 0;
}

void SetupDlg::OnBtnInstall() {
    assert(platform::IsWindowThread() && "commands run on the window's thread");
    LogFormat("SetupDlg::OnBtnInstall, eInstall(%d).\n",
              static_cast<int>(m_state.GetInstallState()));
    switch (m_state.ClassifyInstallCommand()) {
    case InstallCommand::Finish:
        RunFinishLaunches(FinishChoice{m_controls.launchConverter->GetCheck(),
                                       m_controls.launchDownloader->GetCheck(),
                                       m_installRecord.is64Bit != 0});
        platform::SendMessage(m_window, platform::kWmClose, 0, 0);
        return;
    case InstallCommand::Ignore:
        // Split so that "??)" is not read as a trigraph.
        LogFormat("OnBtnInstall(what ??"
                  "?)");
        return;
    case InstallCommand::Start:
        break;
    }
    if (!CheckInstallConditions()) {
        return;
    }
    LogFormat("OnBtnInstall(OnInstall)");
    ToggleCustomPanel(false);
    m_controls.custom->SetVisible(false);
    m_controls.versionLabel->SetVisible(false);
    uint32_t flags = 0;
    if (m_controls.desktopShortcut->GetCheck()) {
        flags |= OPT_DESKTOP_SHORTCUT;
    }
    if (m_controls.join->GetCheck()) {
        flags |= OPT_JOIN_PROGRAM;
    }
    m_state.optionFlags = flags;
    if (m_state.GetInstallState() == E_Install_Failed) {
        UpdateCtrlStatus(E_Install_Installing);
    }
    m_state.SetInstallState(E_Install_Installing);
    m_state.SetPhase(E_Phase_Waiting);
    StartInstallThreads();
}
