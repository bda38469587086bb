// The setup window's worker threads: repaint, version, frame and install, and waiting for them
// when the window has ended.
#include "setup/SetupDlg.h"

#include <chrono>
#include <thread>

#include "app/Log.h"
#include "app/ProductInfo.h"
#include "download/VersionFile.h"
#include "platform/Text.h"

namespace {

constexpr int kInstallingRepaintMs = 10;
constexpr int kIdleRepaintMs = 50;
// A bounded wait for a thread that has been told to stop; the version thread may be inside one
// transfer of at most two seconds.
constexpr int kJoinSliceMs = 10;

void SleepMs(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

} // namespace

void SetupDlg::RunRepaintThread() {
    while (!m_state.closing) {
        PaintCurrentPage(true);
        SleepMs(m_state.GetInstallState() == E_Install_Installing ? kInstallingRepaintMs
                                                                  : kIdleRepaintMs);
    }
}

void SetupDlg::RunVersionThread() {
    const std::string url = ProductInfo()->GetVersionUrl();
    for (int attempt = 0; attempt < kVersionFetchAttempts && !m_state.closing; ++attempt) {
        std::string text = FetchVersionText(url.c_str(), 1);
        if (!IsAcceptedVersionText(text)) {
            continue;
        }
        m_controls.versionLabel->SetText(platform::NarrowToWide(text));
        m_state.versionText.Publish(text);
        return;
    }
}

// The Installing page's frames: the logo frame (which also applies the Installing page), the
// reveal while unpacking and the purple frame at the end, handed to the repaint thread.
void SetupDlg::RunFrameThread() {
    m_state.anim.RunFrameThread(
        m_animImages, [this] { UpdateCtrlStatus(E_Install_Installing); }, m_state.closing);
}

// Once per process: the controller is the only one and lives for the whole run.
void SetupDlg::StartFrameThread() {
    if (!m_frameThread.Started()) {
        m_frameThread.Start([this] { RunFrameThread(); });
    }
}

void SetupDlg::StartInstallThreads() {
    StartFrameThread();
    // The thread of a previous attempt ended when it reported the failed download.
    if (!m_installThread.JoinFor(kJoinSliceMs * 100)) {
        LogFormat("OnBtnInstall : the previous install thread did not end within %d ms",
                  kJoinSliceMs * 100);
        return;
    }
    m_installThread.Start([this] { DoInstall(); });
}

bool SetupDlg::JoinWorkers(int boundMs) {
    m_state.closing = true;
    struct Named {
        WorkerThread* thread;
        const char* name;
    };
    const Named workers[] = {{&m_repaintThread, "repaint"},
                             {&m_frameThread, "frame"},
                             {&m_versionThread, "version"},
                             {&m_installThread, "install"}};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
    bool allEnded = false;
    while (!allEnded && std::chrono::steady_clock::now() < deadline) {
        allEnded = true;
        for (const Named& worker : workers) {
            allEnded = worker.thread->JoinFor(0) && allEnded;
        }
        if (!allEnded) {
            // A worker may wait for the window thread (a marshalled call, a message box).
            platform::PumpMessages(kJoinSliceMs);
        }
    }
    if (allEnded) {
        return true;
    }
    for (const Named& worker : workers) {
        if (!worker.thread->JoinFor(0)) {
            LogFormat("JoinWorkers : the %s thread did not end within %d ms", worker.name, boundMs);
        }
    }
    return false;
}
