#include "setup/SetupState.h"

#include <cstdio>

#include "platform/SystemInfo.h"

namespace {

constexpr int kProgressCode = 3;
constexpr int kFailedCode = 4;
constexpr int kFinishedCode = 5;

constexpr int kUnpackStart = 0;
constexpr int kUnpackSucceeded = 1;
constexpr int kUnpackFailed = 2;
constexpr int kUnpackPosition = 3;
constexpr int kEnginePercent = 100;

constexpr int32_t kUnpackComplete = 1000;

} // namespace

const char* InstallStateName(int32_t state) {
    switch (state) {
    case E_Install_Ready:
        return "Ready";
    case E_Install_Installing:
        return "Installing";
    case E_Install_Installed:
        return "Installed";
    case E_Install_Failed:
        return "Failed";
    default:
        return "Unknown";
    }
}

void VersionText::Publish(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_text = text;
}

std::string VersionText::Get() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_text;
}

void SetupState::SetInstallState(InstallState next) {
    InstallState old = m_eInstall.exchange(next);
    char line[96];
    std::snprintf(line, sizeof line, "eInstall : %s -> %s\n", InstallStateName(old),
                  InstallStateName(next));
    platform::OutputDebugText(line);
}

InstallCommand SetupState::ClassifyInstallCommand() const {
    switch (GetInstallState()) {
    case E_Install_Installed:
        return InstallCommand::Finish;
    case E_Install_Ready:
    case E_Install_Failed:
        return InstallCommand::Start;
    default:
        return InstallCommand::Ignore;
    }
}

int SetupState::OnDownloadNotify(int code, unsigned a, long b) {
    switch (code) {
    case kProgressCode: {
        // A report without a total has no percentage; the last one stays.
        if (b <= 0) {
            return 1;
        }
        int32_t percent =
            static_cast<int32_t>(static_cast<uint64_t>(a) * 100 / static_cast<uint64_t>(b));
        downloadPercent = percent;
        char line[64];
        std::snprintf(line, sizeof line, "Current Download Pos : %d.\n", percent);
        platform::OutputDebugText(line);
        return 1;
    }
    case kFailedCode:
        downloadEnded = true;
        return 1;
    case kFinishedCode:
        downloadFinished = true;
        downloadEnded = true;
        if (b == 1) {
            downloadReused = true;
        }
        return 1;
    default:
        return 1;
    }
}

UnpackReport SetupState::OnUnpackEvent(int event, unsigned value) {
    switch (event) {
    case kUnpackStart:
        unpackProgress = 0;
        return UnpackReport::None;
    case kUnpackSucceeded:
        unpackProgress = kUnpackComplete;
        unpackSucceeded = 1;
        return UnpackReport::Succeeded;
    case kUnpackFailed:
        unpackSucceeded = 0;
        return UnpackReport::Failed;
    case kUnpackPosition:
        if (value <= static_cast<unsigned>(kUnpackComplete)) {
            unpackProgress = static_cast<int32_t>(value);
        }
        return UnpackReport::None;
    case kEnginePercent:
        unpackProgress = static_cast<int32_t>(value * 10);
        return UnpackReport::None;
    default:
        return UnpackReport::None;
    }
}
