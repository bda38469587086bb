// The install sequence, run on an install thread: download, unpack, shortcuts, hand-over and
// registration. It reports through OnDownloadNotify and OnInstallNotify and watches
// State().closing between its steps, so that JoinWorkers can end it.
#include "setup/SetupDlg.h"

void SetupDlg::DoInstall() {
    // Not built yet: the installation stays on the Installing page until the window closes.
}
