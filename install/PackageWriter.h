// The maker's side of the package container: lays out the header, the 7z archive and the
// uninstaller image in one file that ReadPackageHeader and UnpackPackage accept.
#pragma once

#include "install/Package.h"

#include <string>

// The container's bytes: 32 bytes of lead-in, H = 64 at byte 32, the header at H, the archive,
// then the uninstaller. The header's offset and size fields are filled in here. False (with a
// reason) when the result would reach 2 GiB.
bool BuildPackageBytes(PackageHeader header, const std::string& archive,
                       const std::string& uninstaller, std::string* package, std::string* error);
