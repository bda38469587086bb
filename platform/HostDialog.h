// The desktop's own dialogs (zenity): the folder chooser and the native message box. A dialog is
// a child process; the caller's thread waits for its answer with a bound, and when that thread is
// the window thread its windows keep being served meanwhile.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace platform {

// The dialog program's name; found on $PATH.
inline constexpr const char* kHostDialogProgram = "zenity";
// The program's exit status when the user closed the dialog without an answer.
inline constexpr int kHostDialogCancelled = 1;

enum class HostDialogEnd {
    Answered,   // the dialog ended by itself; exitStatus and output hold its answer
    Abandoned,  // the caller gave up on it (its window is closing): the dialog was ended
    TimedOut,   // nobody answered within the bound: the dialog was ended
    NotStarted, // the program is not installed or could not be started
};

struct HostDialogResult {
    HostDialogEnd end = HostDialogEnd::NotStarted;
    // The exit status when the dialog ended by itself with one, otherwise -1.
    int exitStatus = -1;
    // What the dialog wrote to its standard output.
    std::string output;
};

// Starts the dialog program with arguments and waits until it ends, abandon answers true, or
// boundMs have passed. Its standard error is discarded.
HostDialogResult RunHostDialog(const std::vector<std::string>& arguments, int boundMs,
                               const std::function<bool()>& abandon);

} // namespace platform
