#include "platform/FolderBrowser.h"

#include <filesystem>
#include <string>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/HostDialog.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

namespace platform {
namespace {

// What GetLastError reports after each refusal.
constexpr unsigned long kErrorFileNotFound = 2;
constexpr unsigned long kErrorPathNotFound = 3;
constexpr unsigned long kErrorInvalidData = 13;
constexpr unsigned long kErrorTimeout = 1460;

BrowseResult Refused(BrowseOutcome outcome, unsigned long error) {
    BrowseResult result;
    result.outcome = outcome;
    result.lastError = error;
    return result;
}

} // namespace

const char* BrowseOutcomeName(BrowseOutcome outcome) {
    switch (outcome) {
    case BrowseOutcome::Chosen:
        return "chosen";
    case BrowseOutcome::Cancelled:
        return "cancelled";
    case BrowseOutcome::NoChooser:
        return "no folder chooser could be started";
    case BrowseOutcome::OutsideDrives:
        return "the chosen folder lies on no drive";
    case BrowseOutcome::BadAnswer:
        return "the chooser's answer is not one existing folder";
    case BrowseOutcome::TimedOut:
        return "the chooser was ended after its bound";
    }
    return "unknown";
}

BrowseResult MapChooserAnswer(const std::string& answer) {
    std::string text = answer;
    if (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    const bool oneAbsolutePath = !text.empty() && text[0] == '/' &&
                                 text.find('\n') == std::string::npos &&
                                 text.find('\0') == std::string::npos;
    if (!oneAbsolutePath || NarrowToWide(text).find(L'\uFFFD') != std::wstring::npos) {
        return Refused(BrowseOutcome::BadAnswer, kErrorInvalidData);
    }
    std::error_code error;
    if (!std::filesystem::is_directory(text, error)) {
        return Refused(BrowseOutcome::BadAnswer, kErrorInvalidData);
    }
    std::wstring windowsPath = ToWindowsPath(std::filesystem::path(text));
    if (windowsPath.empty()) {
        return Refused(BrowseOutcome::OutsideDrives, kErrorPathNotFound);
    }
    if (windowsPath.size() >= kMaxPath) {
        return Refused(BrowseOutcome::BadAnswer, kErrorInvalidData);
    }
    BrowseResult result;
    result.outcome = BrowseOutcome::Chosen;
    result.path = windowsPath;
    return result;
}

BrowseResult BrowseForFolder(const std::wstring& title, const std::wstring& initialPath,
                             const std::function<bool()>& abandon, int boundMs) {
    std::vector<std::string> arguments = {"--file-selection", "--directory",
                                          "--title=" + WideToNarrow(title)};
    std::filesystem::path initialHost;
    std::error_code error;
    if (ToHostPath(initialPath, &initialHost) &&
        std::filesystem::is_directory(initialHost, error)) {
        // A trailing slash makes the chooser open the folder itself rather than its parent.
        arguments.push_back("--filename=" + initialHost.string() + "/");
    }
    const HostDialogResult answer = RunHostDialog(arguments, boundMs, abandon);
    switch (answer.end) {
    case HostDialogEnd::NotStarted:
        return Refused(BrowseOutcome::NoChooser, kErrorFileNotFound);
    case HostDialogEnd::Abandoned:
        return Refused(BrowseOutcome::Cancelled, 0);
    case HostDialogEnd::TimedOut:
        OutputDebugText("BrowseForFolder: the chooser did not answer within its bound\n");
        return Refused(BrowseOutcome::TimedOut, kErrorTimeout);
    case HostDialogEnd::Answered:
        break;
    }
    if (answer.exitStatus == kHostDialogCancelled) {
        return Refused(BrowseOutcome::Cancelled, 0);
    }
    if (answer.exitStatus != 0) {
        return Refused(BrowseOutcome::NoChooser, kErrorFileNotFound);
    }
    return MapChooserAnswer(answer.output);
}

} // namespace platform
