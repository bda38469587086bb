#include "download/DownloadOutcome.h"

const char* OutcomeName(DownloadOutcome outcome) {
    switch (outcome) {
    case DownloadOutcome::kRunning:
        return "running";
    case DownloadOutcome::kRefused:
        return "refused";
    case DownloadOutcome::kFailed:
        return "failed";
    case DownloadOutcome::kComplete:
        return "complete";
    }
    return "unknown";
}

const char* EndReasonText(EndReason reason) {
    switch (reason) {
    case EndReason::kNone:
        return "not ended";
    case EndReason::kComplete:
        return "complete";
    case EndReason::kAlreadyComplete:
        return "complete on disk already";
    case EndReason::kDescriptionFailed:
        return "description failed";
    case EndReason::kNoMirror:
        return "no usable mirror";
    case EndReason::kNoMemory:
        return "no memory for the package";
    case EndReason::kPackageFile:
        return "package file unusable";
    case EndReason::kVolumeTooSmall:
        return "volume too small for the package";
    case EndReason::kVolumeFull:
        return "volume full";
    case EndReason::kNoProgress:
        return "no progress for 60 s";
    case EndReason::kTooSlow:
        return "below 1 KiB/s for 30 s, no faster mirror";
    case EndReason::kUnverifiable:
        return "whole digest differs, no block digests to vouch";
    case EndReason::kUnrepairable:
        return "damaged block cannot be repaired";
    }
    return "unknown";
}
