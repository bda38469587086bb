// The setup controller on a real window: the command table, the custom panel, the install button
// over the four states, the pre-install checks in their order (free space on a real tmpfs mounted
// as drive D:), the reports of the engine and the unpacker, and the remembered option flags.
#include "SetupFixture.h"

#include <fcntl.h>
#include <sys/mount.h>
#include <unistd.h>

#include "app/ProductInfo.h"
#include "install/UninstallRegistry.h"
#include "platform/FileSystem.h"

namespace setup_testing {
namespace {

namespace fs = std::filesystem;
using testing_support::LogCapture;

std::vector<skin::CommonCtrl*> PanelControls(const SetupControls& c) {
    return {c.accept, c.licence, c.browse, c.desktopShortcut, c.join, c.programme};
}

TEST_F(SetupWindowTest, StartsOnTheReadyPageWithTheDefaultPathAndEveryOption) {
    Open();
    const SetupControls& c = m_dialog->Controls();
    EXPECT_EQ(platform::GetWindowText(m_window), L"Kelto Clipwave Converter Pro Installer");
    EXPECT_EQ(WindowHeight(), 405);
    EXPECT_EQ(m_dialog->State().GetInstallState(), E_Install_Ready);
    EXPECT_EQ(m_dialog->InstallPath(), L"C:\\Program Files (x86)\\Kelto\\");
    EXPECT_EQ(platform::GetWindowText(c.pathEdit), m_dialog->InstallPath());
    EXPECT_EQ(c.install->GetText(), L"Click to Install");
    EXPECT_TRUE(c.install->IsVisible() && c.custom->IsVisible() && c.close->IsVisible());
    EXPECT_TRUE(c.accept->GetCheck() && c.desktopShortcut->GetCheck() && c.join->GetCheck());
    EXPECT_TRUE(c.launchConverter->GetCheck() && !c.launchConverter->IsVisible());
    for (skin::CommonCtrl* control : PanelControls(c)) {
        EXPECT_FALSE(control->IsVisible());
    }
    EXPECT_FALSE(platform::IsWindowVisible(c.pathEdit));
    // Without a special-edition address the link is hidden and the label sits at y 32.
    EXPECT_FALSE(c.specialEdition->IsVisible());
    EXPECT_EQ(c.versionLabel->GetRect().top, 32);
    EXPECT_EQ(m_dialog->Geometry().emblemX, 156);
    EXPECT_EQ(m_dialog->Geometry().emblemY, 22);
    EXPECT_EQ(m_dialog->Geometry().maxRadius, 471);
    EXPECT_EQ(m_dialog->Geometry().emblemRadius, 367);
    EXPECT_EQ(LogCapture::Count("Read Setup Cfg Flag : -1, root(), key(cfg_flag)."), 1);
}

TEST_F(SetupWindowTest, RememberedOptionFlagsSetTheStartingChecks) {
    struct Case {
        bool stored;
        uint32_t value;
        bool desktop;
        bool join;
    };
    for (const Case& c : {Case{true, 1, true, false}, Case{false, 0, true, true},
                          Case{true, 2, false, true}, Case{true, 0, false, false}}) {
        if (c.stored) {
            ASSERT_TRUE(WriteUninstallDword("", "cfg_flag", c.value));
        }
        LogCapture::Clear();
        Open();
        EXPECT_EQ(m_dialog->Controls().desktopShortcut->GetCheck(), c.desktop) << c.value;
        EXPECT_EQ(m_dialog->Controls().join->GetCheck(), c.join) << c.value;
        const std::string line =
            "Read Setup Cfg Flag : " + std::to_string(c.stored ? static_cast<int>(c.value) : -1) +
            ", root(), key(cfg_flag).\n";
        EXPECT_EQ(LogCapture::Count(line), 1) << LogCapture::All();
        Close();
        NewRoot(MachineSettings());
    }
}

TEST_F(SetupWindowTest, CheckBoxCommandsToggleAndAcceptDecidesInstall) {
    Open();
    const SetupControls& c = m_dialog->Controls();
    const struct {
        int id;
        skin::CheckButtonCtrlEx* box;
    } toggles[] = {{kCmdAccept, c.accept},
                   {kCmdDesktopShortcut, c.desktopShortcut},
                   {kCmdJoin, c.join},
                   {kCmdLaunchConverter, c.launchConverter},
                   {kCmdLaunchDownloader, c.launchDownloader}};
    for (const auto& t : toggles) {
        const bool before = t.box->GetCheck();
        Command(t.id);
        EXPECT_EQ(t.box->GetCheck(), !before) << t.id;
        if (t.id == kCmdAccept) {
            EXPECT_FALSE(c.install->IsEnabled());
        }
        Command(t.id);
        EXPECT_EQ(t.box->GetCheck(), before) << t.id;
        EXPECT_TRUE(c.install->IsEnabled()) << t.id;
    }
}

TEST_F(SetupWindowTest, CustomOpensThePanelAt580AndClosesItAt405) {
    Open();
    const SetupControls& c = m_dialog->Controls();
    platform::Rect before;
    platform::GetWindowRect(m_window, &before);
    Command(kCmdCustom);
    EXPECT_TRUE(c.custom->GetCheck());
    EXPECT_EQ(WindowHeight(), 580);
    platform::Rect after;
    platform::GetWindowRect(m_window, &after);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.Width(), 622);
    int shown = 0;
    for (skin::CommonCtrl* control : PanelControls(c)) {
        shown += control->IsVisible() ? 1 : 0;
    }
    shown += platform::IsWindowVisible(c.pathEdit) ? 1 : 0;
    EXPECT_EQ(shown, 7);
    EXPECT_TRUE(platform::IsWindowEnabled(c.pathEdit));
    // Nothing outside the panel changed.
    EXPECT_FALSE(c.launchConverter->IsVisible());
    EXPECT_TRUE(c.install->IsVisible());

    Command(kCmdCustom);
    EXPECT_EQ(WindowHeight(), 405);
    for (skin::CommonCtrl* control : PanelControls(c)) {
        EXPECT_FALSE(control->IsVisible());
    }
    EXPECT_FALSE(platform::IsWindowVisible(c.pathEdit));
    EXPECT_FALSE(platform::IsWindowEnabled(c.pathEdit));
}

TEST_F(SetupWindowTest, MinimiseAndClose) {
    Open();
    Command(kCmdMinimise);
    EXPECT_TRUE(platform::IsIconic(m_window));
    Command(kCmdClose);
    EXPECT_EQ(LogCapture::Count("OnBtnClose(user close)"), 1);
    EXPECT_TRUE(m_dialog->State().closing.load());
    EXPECT_TRUE(PumpUntil([this] { return !platform::IsWindow(m_window); }, 2000));
    EXPECT_TRUE(m_dialog->JoinWorkers(5000));
}

TEST_F(SetupWindowTest, InstallOverTheFourStates) {
    Open();
    SetupState& state = m_dialog->State();
    // Ready, checks pass: Installing, waiting, the frame thread started once.
    Command(kCmdInstall);
    EXPECT_EQ(state.GetInstallState(), E_Install_Installing);
    EXPECT_EQ(state.GetPhase(), E_Phase_Waiting);
    EXPECT_TRUE(m_dialog->FrameThreadStarted());
    EXPECT_EQ(LogCapture::Count("SetupDlg::OnBtnInstall, eInstall(0).\n"), 1);
    EXPECT_EQ(LogCapture::Count("OnBtnInstall(OnInstall)"), 1);
    EXPECT_FALSE(m_dialog->Controls().custom->IsVisible());
    EXPECT_FALSE(m_dialog->Controls().versionLabel->IsVisible());
    // The frame thread applies the Installing page.
    EXPECT_TRUE(PumpUntil([&] { return !m_dialog->Controls().install->IsVisible(); }, 2000));

    // Installing: a second press is only logged.
    LogCapture::Clear();
    Command(kCmdInstall);
    EXPECT_EQ(
        LogCapture::Lines(),
        (std::vector<std::string>{"SetupDlg::OnBtnInstall, eInstall(1).\n", "OnBtnInstall(what ??"
                                                                            "?)"}));
    EXPECT_EQ(state.GetInstallState(), E_Install_Installing);

    // Failed ("Try Again"): the checks again, then Installing once more.
    state.SetInstallState(E_Install_Failed);
    m_dialog->UpdateCtrlStatus(E_Install_Failed);
    EXPECT_EQ(m_dialog->Controls().install->GetText(), L"Try Again");
    LogCapture::Clear();
    Command(kCmdInstall);
    EXPECT_EQ(state.GetInstallState(), E_Install_Installing);
    EXPECT_EQ(LogCapture::Count("OnBtnInstall(OnInstall)"), 1);
    EXPECT_EQ(LogCapture::Count("Install Path Info : C:\\Program Files (x86)\\Kelto\\ ."), 1);

    // Installed: the finish actions, no checks.
    state.SetInstallState(E_Install_Installed);
    LogCapture::Clear();
    Command(kCmdInstall);
    ASSERT_FALSE(LogCapture::Lines().empty());
    EXPECT_EQ(LogCapture::Lines().front(), "SetupDlg::OnBtnInstall, eInstall(2).\n");
    EXPECT_EQ(LogCapture::Count("OnBtnInstall(AfterInstall)"), 1);
    EXPECT_EQ(LogCapture::Count("Finish and Close Setup!"), 1);
    EXPECT_EQ(LogCapture::Count("OnBtnInstall(OnInstall)"), 0);
}

TEST_F(SetupWindowTest, OptionFlagsFollowTheChecksWhenTheInstallationStarts) {
    Open();
    Command(kCmdJoin);
    Command(kCmdInstall);
    EXPECT_EQ(m_dialog->State().optionFlags.load(), OPT_DESKTOP_SHORTCUT);
}

// The checks in their order, each refusal with its box; state and path stay as they were.
TEST_F(SetupWindowTest, ChecksRefuseInTheirOrder) {
    struct Case {
        const char* name;
        std::string settings;
        bool record64;
        std::wstring path;
        std::wstring title;
        std::wstring message;
        const char* screen; // the saved picture of the box, if any
    };
    const Case cases[] = {
        {"64-bit record on a 32-bit system", "[system]\narchitecture=x86\n", true,
         L"C:\\Apps\\Kelto", L"Plenix",
         L"Kelto Clipwave Converter Pro currently works on 64-bit Windows OS only.",
         "setup-box-64bit.png"},
        {"Windows 6.0", "[windows]\nversion=6.0\nversion_ex=6.0\n", true, L"Q:\\Apps", L"Plenix",
         L"Windows Vista is not supported anymore.", "setup-box-vista.png"},
        {"unmapped drive", "", false, L"Q:\\Apps\\Kelto", L"Kelto Clipwave Converter",
         L"The installation path is invalid.", "setup-box-invalid-path.png"},
        {"folder cannot be created", "", false, L"C:\\Blocker\\Kelto", L"Kelto Clipwave Converter",
         L"The installation path is invalid.", nullptr},
        {"empty path", "", false, L"", L"Kelto Clipwave Converter",
         L"The installation path is invalid.", nullptr},
        {"relative path", "", false, L"Apps\\Kelto", L"Kelto Clipwave Converter",
         L"The installation path is invalid.", nullptr},
        {"beyond 260 characters", "", false, L"C:\\" + std::wstring(300, L'a'),
         L"Kelto Clipwave Converter", L"The installation path is invalid.", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string settings = MachineSettings();
        if (!c.settings.empty()) {
            // The case's sections replace the machine's.
            settings = c.settings.find("[system]") != std::string::npos
                           ? c.settings + "user=tester\n[windows]\nversion=10.0\n"
                           : "[system]\nuser=tester\narchitecture=x64\n" + c.settings;
        }
        NewRoot(settings);
        // A file where a folder of the path should be.
        testing_support::WriteHostFile(m_root->Folder() / "drive_c" / "Blocker", "file");
        Open();
        m_dialog->InstallRecordForTesting().is64Bit = c.record64 ? 1 : 0;
        const std::wstring pathBefore = m_dialog->InstallPath();
        SetPath(c.path);
        LogCapture::Clear();
        BoxSeen seen =
            CommandWithBox(kCmdInstall, c.screen != nullptr ? ArtifactPath(c.screen) : "");
        EXPECT_TRUE(seen.drawn);
        EXPECT_EQ(seen.title, c.title);
        EXPECT_EQ(seen.message, c.message);
        EXPECT_TRUE(seen.ownedBySetupWindow);
        EXPECT_EQ(m_dialog->State().GetInstallState(), E_Install_Ready);
        EXPECT_EQ(m_dialog->InstallPath(), pathBefore);
        EXPECT_FALSE(m_dialog->FrameThreadStarted());
        EXPECT_EQ(LogCapture::Count("OnBtnInstall(OnInstall)"), 0);
        EXPECT_EQ(skin::CurrentSkinMessageBoxForTesting(), nullptr);
        Close();
    }
}

// A tmpfs of 260 MiB mounted as drive D:, filled so that exactly the wanted space is free.
class SmallDrive {
public:
    explicit SmallDrive(const fs::path& folder) : m_folder(folder) {
        fs::create_directories(folder);
        m_mounted = mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=260m") == 0;
    }
    ~SmallDrive() {
        if (m_mounted) {
            umount2(m_folder.c_str(), MNT_DETACH);
        }
    }
    bool Mounted() const { return m_mounted; }
    // Fills the drive to the byte so that freeMegabytes MiB stay free.
    bool LeaveFree(int64_t freeMegabytes) {
        const int64_t fill = (260 - freeMegabytes) * 1024 * 1024;
        int descriptor = open((m_folder / "filler").c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
        bool ok = descriptor >= 0 && (fill == 0 || posix_fallocate(descriptor, 0, fill) == 0);
        if (descriptor >= 0) {
            close(descriptor);
        }
        return ok;
    }

private:
    fs::path m_folder;
    bool m_mounted = false;
};

TEST_F(SetupWindowTest, FreeSpaceMustBeAbove256MiB) {
    const fs::path driveFolder = m_root->Folder() / "drive_d";
    SmallDrive drive(driveFolder);
    ASSERT_TRUE(drive.Mounted()) << "mounting a tmpfs needs root";
    Settings("[drives]\nC=drive_c\nD=" + driveFolder.string() + "\n");
    for (const auto& [free, passes] : {std::pair<int64_t, bool>{256, false}, {257, true}}) {
        SCOPED_TRACE(free);
        ASSERT_TRUE(drive.LeaveFree(free));
        Open();
        SetPath(L"D:\\Apps\\Kelto");
        LogCapture::Clear();
        if (passes) {
            Command(kCmdInstall);
            EXPECT_EQ(m_dialog->State().GetInstallState(), E_Install_Installing);
            EXPECT_EQ(m_dialog->InstallPath(), L"D:\\Apps\\Kelto");
        } else {
            BoxSeen seen = CommandWithBox(kCmdInstall, ArtifactPath("setup-box-free-space.png"));
            EXPECT_EQ(seen.title, L"Plenix");
            EXPECT_EQ(seen.message, L"There is not enough free space on the selected drive.");
            EXPECT_EQ(m_dialog->State().GetInstallState(), E_Install_Ready);
        }
        EXPECT_EQ(LogCapture::Count("FreeSpace Info : " + std::to_string(free) +
                                    " MB in D:\\Apps\\Kelto ."),
                  1)
            << LogCapture::All();
        EXPECT_TRUE(fs::is_directory(driveFolder / "Apps" / "Kelto"));
        Close();
    }
}

TEST_F(SetupWindowTest, DownloadReportsThroughTheController) {
    Open();
    SetupState& state = m_dialog->State();
    EXPECT_EQ(m_dialog->OnDownloadNotify(3, 0xFFFFFFFFu, 0xFFFFFFFFL), 1);
    EXPECT_EQ(state.downloadPercent.load(), 100);
    EXPECT_EQ(m_dialog->OnDownloadNotify(5, 0, 1), 1);
    EXPECT_TRUE(state.downloadReused.load() && state.downloadFinished.load());
}

TEST_F(SetupWindowTest, UnpackReportsThroughTheController) {
    Open();
    SetupState& state = m_dialog->State();
    EXPECT_EQ(m_dialog->OnInstallNotify(100, 50, 0), 1);
    EXPECT_EQ(state.unpackProgress.load(), 500);
    EXPECT_EQ(m_dialog->OnInstallNotify(3, 1001, 0), 1);
    EXPECT_EQ(state.unpackProgress.load(), 500);
    // Success: the phase moves on after 200 ms.
    const auto start = std::chrono::steady_clock::now();
    std::thread install([&] { m_dialog->OnInstallNotify(1, 0, 0); });
    PumpUntil([&] { return state.GetPhase() == E_Phase_Unpacked; }, 3000);
    install.join();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(200));
    EXPECT_EQ(state.GetPhase(), E_Phase_Unpacked);
    EXPECT_EQ(state.unpackProgress.load(), 1000);
    // Failure, from the install thread: the native box (which the off-screen driver cannot show)
    // is asked for on the window thread, and the Installed page then has no Finish.
    std::atomic<bool> done{false};
    std::thread failing([&] {
        m_dialog->OnInstallNotify(2, 0, 0);
        done = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return done.load(); }, 5000));
    failing.join();
    EXPECT_EQ(state.unpackSucceeded.load(), 0);
    state.SetInstallState(E_Install_Installed);
    m_dialog->UpdateCtrlStatus(E_Install_Installed);
    EXPECT_FALSE(m_dialog->Controls().install->IsVisible());
    EXPECT_TRUE(m_dialog->Controls().launchConverter->IsVisible());
}

TEST_F(SetupWindowTest, InstalledPageSetsTheButtonOnceAndForAll) {
    Open();
    const SetupControls& c = m_dialog->Controls();
    for (int i = 0; i < 2; ++i) {
        m_dialog->UpdateCtrlStatus(E_Install_Installed);
        EXPECT_EQ(c.install->GetRect().left, 322);
        EXPECT_EQ(c.install->GetRect().right, 592);
        EXPECT_EQ(c.install->GetRect().width, 270);
        EXPECT_EQ(c.install->GetRect().top, 354);
    }
    EXPECT_EQ(c.install->GetText(), L"Finish");
    EXPECT_EQ(c.install->GetFormat(), 0x26u);
    EXPECT_TRUE(c.install->IsVisible());
    EXPECT_FALSE(c.titleImage->IsVisible() || c.emblem->IsVisible());
    EXPECT_TRUE(c.secondTitleImage->IsVisible());
    // Any other page value is the Ready page.
    m_dialog->UpdateCtrlStatus(9);
    EXPECT_EQ(c.install->GetText(), L"Click to Install");
    EXPECT_TRUE(c.emblem->IsVisible() && c.titleImage->IsVisible());
}

} // namespace
} // namespace setup_testing
