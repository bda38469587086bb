// The reports of the download engine (its threads) and of the unpacker (the install thread).
#include "setup/SetupDlg.h"

#include <chrono>
#include <thread>

namespace {

constexpr int kUnpackSettleMs = 200;

} // namespace

int SetupDlg::OnDownloadNotify(int code, unsigned a, long b) {
    return m_state.OnDownloadNotify(code, a, b);
}

int SetupDlg::OnInstallNotify(int event, unsigned value, long extra) {
    switch (m_state.OnUnpackEvent(event, value)) {
    case UnpackReport::Succeeded:
        std::this_thread::sleep_for(std::chrono::milliseconds(kUnpackSettleMs));
        m_state.SetPhase(E_Phase_Unpacked);
        return 1;
    case UnpackReport::Failed:
        // The box is owned by the setup window, which keeps painting; this thread waits for the
        // answer.
        platform::ShowNativeMessageBox(m_window, L"ERROR", L"Install Failed!");
        std::this_thread::sleep_for(std::chrono::milliseconds(kUnpackSettleMs));
        return 1;
    case UnpackReport::None:
        return 1;
    }
    return 1;
}
