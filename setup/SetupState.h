// The setup window's state without the window: the install state and the animation phase with
// their one setter each, the values the workers report, and the decisions the commands and the
// reports take from them. Every field that threads share is atomic; the comment on each names
// the threads that write and read it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

enum InstallState : int32_t {
    E_Install_Ready = 0,
    E_Install_Installing = 1,
    E_Install_Installed = 2,
    E_Install_Failed = 3,
};

enum AnimPhase : int32_t {
    E_Phase_Waiting = 0,
    E_Phase_Unpacking = 1,
    E_Phase_Unpacked = 2,
    E_Phase_Finished = 3,
};

// Option flags, stored as cfg_flag.
inline constexpr uint32_t OPT_DESKTOP_SHORTCUT = 0x1;
inline constexpr uint32_t OPT_JOIN_PROGRAM = 0x2;
inline constexpr uint32_t kAllOptions = 0xFFFFFFFF;

const char* InstallStateName(int32_t state);
const char* AnimPhaseName(int32_t phase);

// What the install button does in the current state.
enum class InstallCommand {
    Finish, // Installed: the finish actions
    Ignore, // Installing: a second press is only logged
    Start,  // Ready or Failed: the checks, then a new installation
};

// What the window must add to an unpack report.
enum class UnpackReport {
    None,
    Succeeded, // wait 200 ms, then phase 2
    Failed,    // the native "Install Failed!" box, then wait 200 ms
};

// The body of the version file, published once by the version thread and read by the install
// thread when it names the package file. A reader sees either the empty text or the whole one.
class VersionText {
public:
    void Publish(const std::string& text);
    std::string Get() const;

private:
    mutable std::mutex m_lock;
    std::string m_text;
};

class SetupState {
public:
    // Written by the main thread (install command) and the install thread; read by every thread.
    InstallState GetInstallState() const { return m_eInstall.load(); }
    // The one place eInstall changes; the transition goes to the debugger output by name.
    void SetInstallState(InstallState next);

    // Written by the main thread (install command), the install thread and the unpack reports;
    // read by the frame thread.
    AnimPhase GetPhase() const { return m_phase.load(); }
    void SetPhase(AnimPhase next);

    InstallCommand ClassifyInstallCommand() const;

    // The download engine's report (its threads): codes 3 progress, 4 failed, 5 finished.
    int OnDownloadNotify(int code, unsigned a, long b);
    // The unpack report (install thread): the fields it sets, and what the window adds.
    UnpackReport OnUnpackEvent(int event, unsigned value);

    // Set by OnClose (main thread); read by the repaint, frame, version and install threads.
    std::atomic<bool> closing{false};
    // Written by the unpack reports (install thread); read by the main and frame threads.
    std::atomic<int32_t> unpackSucceeded{1};
    // Written by the download engine's threads; read by the repaint and install threads.
    std::atomic<bool> downloadFinished{false};
    std::atomic<int32_t> downloadPercent{0};
    std::atomic<bool> downloadEnded{false};
    std::atomic<bool> downloadReused{false};
    // Tenths of a percent. Written by the unpack reports and the frame thread; read by the
    // repaint thread.
    std::atomic<int32_t> unpackProgress{0};
    // Written by the main thread at start and by the install command; read by the install thread.
    std::atomic<uint32_t> optionFlags{kAllOptions};

    VersionText versionText;

private:
    std::atomic<InstallState> m_eInstall{E_Install_Ready};
    std::atomic<AnimPhase> m_phase{E_Phase_Waiting};
};
