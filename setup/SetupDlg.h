// The controller behind the setup window (dialog 130): it owns the window's controls, fonts and
// images, the installation record and the worker threads, reacts to the commands of the skinned
// controls, runs the pre-install checks and receives the reports of the download engine and of
// the unpacker. Its state lives in a SetupState, which is tested without a window.
//
// Threads: the main thread runs the window (messages, commands); the repaint thread redraws every
// 10 or 50 ms; the version thread fetches the version file once; the frame thread renders the
// Installing page's frames; an install thread runs DoInstall per installation attempt; the
// download engine's threads report through OnDownloadNotify.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "install/Package.h"
#include "platform/Font.h"
#include "setup/SetupState.h"
#include "setup/WorkerThread.h"
#include "skin/AnimationPainters.h"
#include "skin/CommonDlg.h"
#include "skin/SkinBitmap.h"

class IDownloader;

// The controls of the setup window, created once by the layout and never deleted before the
// window object (the window object owns them).
struct SetupControls {
    skin::ButtonCtrlEx* install = nullptr;
    skin::StaticCtrl* emblem = nullptr;
    skin::CheckButtonCtrlEx* launchConverter = nullptr;
    skin::CheckButtonCtrlEx* launchDownloader = nullptr;
    skin::CheckButtonCtrlEx* custom = nullptr;
    skin::CheckButtonCtrlEx* accept = nullptr;
    skin::HyLinkCtrlEx* licence = nullptr;
    platform::WindowHandle pathEdit = nullptr;
    skin::ButtonCtrlEx* browse = nullptr;
    skin::CheckButtonCtrlEx* desktopShortcut = nullptr;
    skin::CheckButtonCtrlEx* join = nullptr;
    skin::HyLinkCtrlEx* programme = nullptr;
    skin::ButtonCtrlEx* close = nullptr;
    skin::ButtonCtrlEx* minimise = nullptr;
    skin::StaticCtrl* titleImage = nullptr;
    skin::StaticCtrl* secondTitleImage = nullptr;
    skin::HyLinkCtrlEx* specialEdition = nullptr;
    skin::StaticCtrl* versionLabel = nullptr;
};

// The fonts of the setup window; heights follow the display resolution.
struct SetupFonts {
    std::unique_ptr<platform::Font> large;
    std::unique_ptr<platform::Font> info;
    std::unique_ptr<platform::Font> button;
    std::unique_ptr<platform::Font> small;
    std::unique_ptr<platform::Font> normal;
    std::unique_ptr<platform::Font> linkHover;
    std::unique_ptr<platform::Font> edition;
    std::unique_ptr<platform::Font> editionHover;
    std::unique_ptr<platform::Font> label;
    // The button font's pixel height, and the smaller size made for a caption wider than the
    // install button (window thread only).
    int32_t buttonHeight = 0;
    std::unique_ptr<platform::Font> fittedButton;
};

// Command ids of the setup window's controls.
inline constexpr int kCmdClose = 1612;
inline constexpr int kCmdMinimise = 1613;
inline constexpr int kCmdInstall = 1614;
inline constexpr int kCmdCustom = 1615;
inline constexpr int kCmdAccept = 1616;
inline constexpr int kCmdLicence = 1617;
inline constexpr int kCmdBrowse = 1619;
inline constexpr int kCmdDesktopShortcut = 1620;
inline constexpr int kCmdJoin = 1622;
inline constexpr int kCmdProgramme = 1623;
inline constexpr int kCmdLaunchConverter = 1631;
inline constexpr int kCmdLaunchDownloader = 1632;
inline constexpr int kCmdSpecialEdition = 1633;

inline constexpr int kSetupWidth = 622;
inline constexpr int kSetupHeight = 405;
inline constexpr int kCustomPanelHeight = 175;
inline constexpr int kBandTop = 338;
inline constexpr platform::ColorRef kBandColor = 0xFDFBF7;
inline constexpr platform::ColorRef kPanelColor = 0xFFFEFC;
inline constexpr platform::ColorRef kWhite = 0xFFFFFF;

// Geometry constants of the window, computed at start: the centre of the animations, the largest
// radius from it, and the emblem's position and radius.
struct SetupGeometry {
    int cx = 0;
    int cy = 0;
    int maxRadius = 0;
    int emblemX = 0;
    int emblemY = 0;
    int emblemRadius = 0;
};
SetupGeometry ComputeSetupGeometry();

class SetupDlg : public skin::SkinHostDlg {
public:
    SetupDlg();
    ~SetupDlg() override;

    int OnInitDialog(platform::WindowHandle window) override;
    int OnMessage(uint32_t message, skin::WParam p1, skin::LParam p2) override;
    int OnCommand(skin::WParam p1, skin::LParam p2) override;
    // The painter of the current page. Called by the window thread for its paint requests; the
    // repaint thread paints through PaintCurrentPage(true), and it alone presents the frame
    // thread's frames.
    void OnPaint() override;
    int OnClose() override;

    void OnBtnInstall();
    void OnBtnClose();
    void OnBtnBrower();
    // Shows the controls of a page; any thread.
    void UpdateCtrlStatus(int page);
    // Sets the install button's caption in the largest button font size it fits.
    void SetInstallCaption(int textId);
    void ToggleCustomPanel(bool show);
    bool CheckInstallConditions();
    int OnDownloadNotify(int code, unsigned a, long b);
    // The install thread names the running download engine (null once it is gone); the download
    // screen reads its snapshot. Clearing waits for a paint that is reading it.
    void SetDownloadEngine(IDownloader* engine);
    int OnInstallNotify(int event, unsigned value, long extra);
    // The install sequence, run on an install thread.
    void DoInstall();

    // After the window has ended: waits up to boundMs in all for every worker, pumping the
    // window thread meanwhile so that their marshalled calls complete. True when every worker
    // ended; otherwise the ones still running are named in the log and the caller must end the
    // process without destroying this object.
    bool JoinWorkers(int boundMs);

    SetupState& State() { return m_state; }
    const SetupControls& Controls() const { return m_controls; }
    const SetupFonts& Fonts() const { return m_fonts; }
    const PackageHeader& InstallRecord() const { return m_installRecord; }
    const SetupGeometry& Geometry() const { return m_geometry; }
    std::wstring InstallPath() const;
    std::wstring SpecialEditionAddress() const { return m_specialEditionAddress; }
    bool FrameThreadStarted() const { return m_frameThread.Started(); }
    // The frame thread has made its work frame (the download screen draws from then on).
    bool WorkFrameExists() const { return m_anim.WorkFrameExists(); }

    // For tests: the record the checks read, and the end of the version thread (true when it
    // ended within milliseconds).
    PackageHeader& InstallRecordForTesting() { return m_installRecord; }
    // For tests: the frame thread without an installation (the install thread would download).
    void StartFrameThreadForTesting() { StartFrameThread(); }
    bool WaitForVersionThreadForTesting(int milliseconds) {
        return m_versionThread.JoinFor(milliseconds);
    }

private:
    // Start of the window (SetupInit.cpp).
    void SeedInstallRecord();
    void ReadOptionFlags();
    std::wstring DefaultInstallPath() const;
    void StartStartupThreads();
    // Layout (SetupLayout.cpp).
    void CreateFonts();
    void LoadImages();
    void CreateControls();
    void CreateReadyRow();
    void CreateCustomPanel();
    void CreateTitleRow();
    void CreatePathEdit();
    // Painters (SetupPainters.cpp). Each holds the window's lock for the whole frame.
    void PaintStartPage();
    void PaintFinishPage();
    void PaintCurrentPage(bool onRepaintThread);
    void PaintDownloadScreen();
    void PaintFrames();
    // Commands (SetupCommands.cpp).
    void ToggleCheck(skin::CheckButtonCtrlEx* box);
    void OpenWebPage(const std::wstring& url);
    void StartInstallThreads();
    void StartFrameThread();
    // Threads (SetupThreads.cpp).
    void RunRepaintThread();
    void RunVersionThread();
    void RunFrameThread();
    // Install sequence (InstallSequence.cpp), on the install thread.
    void DownloadPhase();
    bool AwaitDownload(IDownloader& engine);
    void InstallPhase();
    void SetUpInstalledProduct(bool bNewFlag, bool bHasOldVersion);

    SetupState m_state;
    SetupControls m_controls;
    SetupFonts m_fonts;
    skin::BMData m_logo;
    skin::BMData m_bareLogo;
    skin::BMData m_ringedLogo;
    skin::BMData m_greyLogo;
    skin::BMData m_background;
    // The last frame the Installed page showed.
    std::unique_ptr<platform::Bitmap> m_displayFrame;
    // The animations' images, texts and painters. The painters are used under the window's lock;
    // the frame painter by the repaint thread only.
    // The frame thread's buffers and producer; it reads the phase and the progress values from
    // m_state.
    skin::AnimationState m_anim;
    skin::AnimationImages m_animImages;
    skin::AnimationTexts m_animTexts;
    skin::DownloadPainter m_downloadPainter;
    skin::FramePainter m_framePainter;
    // The running download engine, written by the install thread and read by the paints.
    std::mutex m_engineLock;
    IDownloader* m_engine = nullptr;

    // Written by the main thread at start (and by the install thread once a package header has
    // been read); read by the main and install threads, never at the same time.
    PackageHeader m_installRecord{};
    // Written by the main thread before an install thread starts; read by the install thread.
    std::wstring m_installPath;
    // Written and read by the install thread only.
    std::wstring m_packagePath;
    std::wstring m_specialEditionAddress;
    std::wstring m_channelText;
    std::string m_installId;
    // Seconds the last download took (1 when the package was already complete on disk); written
    // and read by the install thread only.
    unsigned m_downloadSeconds = 0;
    bool m_browsing = false;

    SetupGeometry m_geometry;

    WorkerThread m_repaintThread;
    WorkerThread m_versionThread;
    WorkerThread m_frameThread;
    WorkerThread m_installThread;
};
