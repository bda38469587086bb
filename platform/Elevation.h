// Administrator rights for a start without them: the manifest's request on Windows becomes a
// fresh start of the same executable through pkexec (polkit), which asks the user for the rights.
// Elevated processes lose the caller's environment, so the display variables and the settings
// this program reads are passed explicitly.
#pragma once

#include <string>
#include <vector>

namespace platform {

enum class ElevationOutcome {
    Ran,      // the elevated copy ran; exitCode is its exit code
    NoPrompt, // pkexec is not installed
    Refused,  // the user refused or could not authenticate
    Failed,   // pkexec or the copy could not be started
};

struct ElevationResult {
    ElevationOutcome outcome = ElevationOutcome::Failed;
    int exitCode = 0;
    std::string why;
};

inline constexpr const char* kElevationProgram = "pkexec";

// The environment variables handed to the elevated copy, "NAME=value" each: the display
// (DISPLAY, XAUTHORITY, falling back to ~/.Xauthority, WAYLAND_DISPLAY), the locale the
// language follows, the display backend's own settings, and the program's own settings (KELTO_*,
// BROWSER).
std::vector<std::string> ElevatedEnvironment();

// Runs the executable at exePath with arguments again through pkexec and waits for it (the
// elevated copy is the whole installer run). Never called by an elevated process.
ElevationResult RunElevatedCopy(const std::string& exePath,
                                const std::vector<std::string>& arguments);

// The host path of this process's executable.
std::string CurrentExecutablePath();

} // namespace platform
