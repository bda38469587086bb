// The setup window's state without the window: the install state and the animation phase with
// their one setter each, the values the workers report, and the decisions the commands and the
// reports take from them. Every field that threads share is atomic; the comment on each names
// the threads that write and read it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "skin/AnimationState.h"

enum InstallState : int32_t {
    E_Install_Ready = 0,
    E_Install_Installing = 1,
    E_Install_Installed = 2,
    E_Install_Failed = 3,
};

// The animation phase under the controller's names; the value lives in the animation state.
enum AnimPhase : int32_t {
    E_Phase_Waiting = static_cast<int32_t>(skin::AnimPhase::Waiting),
    E_Phase_Unpacking = static_cast<int32_t>(skin::AnimPhase::Unpacking),
    E_Phase_Unpacked = static_cast<int32_t>(skin::AnimPhase::Unpacked),
    E_Phase_Finished = static_cast<int32_t>(skin::AnimPhase::Finished),
};

// Option flags, stored as cfg_flag.
inline constexpr uint32_t OPT_DESKTOP_SHORTCUT = 0x1;
inline constexpr uint32_t OPT_JOIN_PROGRAM = 0x2;
inline constexpr uint32_t kAllOptions = 0xFFFFFFFF;

const char* InstallStateName(int32_t state);

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
    AnimPhase GetPhase() const { return static_cast<AnimPhase>(anim.Phase()); }
    // The one place the phase changes (through the animation state, which logs it).
    void SetPhase(AnimPhase next) { anim.SetPhase(static_cast<skin::AnimPhase>(next)); }

    InstallCommand ClassifyInstallCommand() const;

    // The download engine's report (its threads): codes 3 progress, 4 failed, 5 finished.
    int OnDownloadNotify(int code, unsigned a, long b);
    // The unpack report (install thread): the fields it sets, and what the window adds.
    UnpackReport OnUnpackEvent(int event, unsigned value);

    // The animation's phase and progress values, its frames and the frame thread's producer. The
    // progress fields below are this object's own, not copies: the frame thread and the painters
    // read exactly what the workers write.
    skin::AnimationState anim;

    // Set by OnClose (main thread); read by the repaint, frame, version and install threads.
    std::atomic<bool> closing{false};
    // Written by the unpack reports (install thread); read by the main and frame threads.
    std::atomic<int32_t> unpackSucceeded{1};
    // Written by the download engine's threads; read by the repaint and install threads.
    std::atomic<bool>& downloadFinished = anim.downloadFinished;
    std::atomic<int32_t>& downloadPercent = anim.downloadPercent;
    std::atomic<bool> downloadEnded{false};
    std::atomic<bool> downloadReused{false};
    // Tenths of a percent. Written by the unpack reports and the frame thread; read by the
    // repaint thread.
    std::atomic<int32_t>& unpackProgress = anim.unpackProgress;
    // Written by the main thread at start and by the install command; read by the install thread.
    std::atomic<uint32_t> optionFlags{kAllOptions};

    VersionText versionText;

private:
    std::atomic<InstallState> m_eInstall{E_Install_Ready};
};
