// How a download ended, and why. The engine changes its outcome in one place that logs each
// change; the reason says which path ended the download.
#pragma once

// The values GetStatus reports: 0 while the download runs (or never started), 3 for a refused
// description (turned into 4 at once), 4 failed, 5 complete.
enum class DownloadOutcome : int {
    kRunning = 0,
    kRefused = 3,
    kFailed = 4,
    kComplete = 5,
};

enum class EndReason : int {
    kNone,              // not ended
    kComplete,          // downloaded and verified
    kAlreadyComplete,   // the package on disk already had the right digest
    kDescriptionFailed, // the description could not be fetched, read or accepted
    kNoMirror,          // no mirror passed the checks
    kNoMemory,          // no memory copy of the package's size
    kPackageFile,       // the package file cannot be opened or read
    kVolumeTooSmall,    // the volume cannot hold the declared size
    kVolumeFull,        // a write found the volume full
    kNoProgress,        // no mirror delivered a byte for the no-progress bound
    kTooSlow,           // a transfer stayed below the speed bound with no faster mirror
    kUnverifiable,      // the whole digest differs and the block digests cannot vouch for it
    kUnrepairable,      // a damaged block could not be fetched again
};

const char* OutcomeName(DownloadOutcome outcome);
// The debugger-output text of a reason: "complete", "no progress for 60 s", "volume full", ...
const char* EndReasonText(EndReason reason);
