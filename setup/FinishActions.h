// What remains once the product is installed: the maker's welcome page for a new user, opened
// by the install sequence, and the finish command, which starts the programs the user checked
// as the desktop user (the installer itself runs elevated).
#pragma once

#include <functional>
#include <string>

// Opens a web page in the desktop user's browser; the result is not examined.
using WebPageOpener = std::function<void(const std::wstring& address)>;

// The welcome page's address with its source set to the channel text.
std::wstring FinishPageAddress(const std::wstring& channelText);

// Logs the decision and, for a new user only, opens the welcome page. Install thread.
void ShowFinishWebPage(bool bNewFlag, bool bHasOldVersion, const std::wstring& channelText,
                       const WebPageOpener& openWebPage);

// The programs the installed page's check boxes name, and the installed edition.
struct FinishChoice {
    bool launchConverter = true;
    bool launchDownloader = true;
    bool is64Bit = false;
};

// The finish command up to closing the window: logs "OnBtnInstall(AfterInstall)", starts each
// checked program of the last unpack's installation folder as the desktop user with
// " --installmode", and logs "Finish and Close Setup!". Launch failures are not reported; the
// caller closes the window afterwards whatever happened. Main thread.
void RunFinishLaunches(const FinishChoice& choice);
