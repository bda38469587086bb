// Names that come from a package header or another outside source and end up in folder paths,
// file names and registry keys. They are checked where they enter, so that a hostile package
// cannot reach another folder or key through its names.
#pragma once

#include "install/Package.h"

#include <string>
#include <string_view>

// Why a root name cannot name a folder or a registry key, empty when it can: it must not be
// empty, nor hold a path separator ('\' or '/'), a drive letter's ':', a control character, or be
// "." or "..".
std::string WhyRootNameIsUnusable(std::string_view name);

// Whether a version text is a plain dotted version ("1.0.6.0"): one to four groups of one to
// nine digits, separated by single dots. Only such a version goes into the package file name.
bool IsPlainDottedVersion(std::string_view version);

// Replaces the installation record with a package's header. A root name the header gives that
// cannot name a folder or key is not taken: it is logged, and the record's own root name (the
// product description's) stands.
void AdoptPackageHeader(PackageHeader* record, const PackageHeader& header);
