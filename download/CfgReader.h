// Reading a loaded package description into a DownloadItem.
#pragma once

#include "download/DownloadTypes.h"
#include "download/XMLParse.h"

// Reads version, size, the mirrors (at most ten) and the digests. 0, or E_ABORT for a missing or
// unconvertible key, a refused version (*versionRefused set), a negative size or a mirror URL
// that does not fit its field. item->path and threadsPerMirror are the caller's.
long ReadPackageDescription(IXMLParse* reader, DownloadItem* item, bool* versionRefused);
