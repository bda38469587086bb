// Reading a loaded package description into a DownloadItem.
#pragma once

#include "download/DownloadTypes.h"
#include "download/XMLParse.h"

// Reads version, size, the mirrors (at most ten) and the digests. 0, or E_ABORT for a missing or
// unconvertible key, a refused version (*versionRefused set) or a negative size. A mirror URL
// that does not fit its field or names another scheme than http or https is skipped with a log
// line (its entry stays invalid). item->path and threadsPerMirror are the caller's.
long ReadPackageDescription(IXMLParse* reader, DownloadItem* item, bool* versionRefused);
