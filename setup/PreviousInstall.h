// Traces of earlier installations and of earlier use of the product: the folder an earlier
// installation recorded in the registry, and whether this installation is a new user's first.
// Every lookup is keyed on the root name of the installation record, so it follows the record:
// the product description's at window start, the package header's after the download.
#pragma once

#include "install/Package.h"

#include <atomic>
#include <string>

// Set when an earlier installation's folder has been found in the registry; set at most once
// per process and never cleared. Read by the finish web page's decision.
extern std::atomic<bool> g_updateOldVersion;

// The Uninstall sub-key the record's traces are kept under: the root name, with "(x64)"
// appended for the 64-bit edition. Empty for the product description's 32-bit record, which
// names the Uninstall key itself.
std::string RootKeyName(const PackageHeader& record);

// The "InstallLocation" an earlier installation wrote under the root key (at most 199
// characters). Empty when the key cannot be opened, the value is missing, too long or empty;
// otherwise sets g_updateOldVersion. Logs either way.
std::string GetOldInstallPath(const PackageHeader& record);

// bNewFlag: true when neither an uninstaller in the chosen folder (bHasOldVersion), nor an
// existing folder recorded by an earlier installation, nor the product's per-user data folder
// (AppData\Kelto Clipwave Converter) shows earlier use. Failures count as no trace.
bool IsNewInstall(bool bHasOldVersion, const PackageHeader& record);
