// The shell's folder browser: the desktop's folder chooser (zenity's directory selection), with
// a title and a preselected folder, whose answer comes back as a Windows path through the drive
// table. The caller's thread waits for the user; when it is the window thread, its windows keep
// being served meanwhile.
#pragma once

#include <functional>
#include <string>

namespace platform {

enum class BrowseOutcome {
    Chosen,        // path holds the chosen folder
    Cancelled,     // the user closed the chooser without a choice
    NoChooser,     // zenity is not installed (or cannot be started)
    OutsideDrives, // the chosen host folder lies on no drive of the drive table
    BadAnswer,     // the chooser answered something that is not one existing folder
    TimedOut,      // nobody answered within the bound; the chooser was ended
};
const char* BrowseOutcomeName(BrowseOutcome outcome);

struct BrowseResult {
    BrowseOutcome outcome = BrowseOutcome::Cancelled;
    std::wstring path;
    // What GetLastError would hold afterwards: 0 for a choice or a cancel.
    unsigned long lastError = 0;
};

// How long the chooser may stay open before it is ended.
inline constexpr int kFolderChooserBoundMs = 30 * 60 * 1000;

// SHBrowseForFolder with BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE: title is shown by the
// chooser, initialPath (a Windows path) is preselected when it maps to a host folder. When
// abandon answers true while the chooser is open (the caller's window is closing), the chooser is
// ended and the result is Cancelled.
BrowseResult BrowseForFolder(const std::wstring& title, const std::wstring& initialPath,
                             const std::function<bool()>& abandon = nullptr,
                             int boundMs = kFolderChooserBoundMs);

// Maps a chooser's answer (its standard output) to a result; exposed for its tests.
BrowseResult MapChooserAnswer(const std::string& answer);

} // namespace platform
