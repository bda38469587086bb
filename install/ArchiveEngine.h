// The front end of the 7-Zip engine: a small command-line-style entry that extracts one 7z
// archive in-process through /usr/lib/p7zip/7z.so, answers every question itself and reports
// progress and errors through two relays.
#pragma once

#include <string>
#include <string_view>

// Error codes sent through the error relay.
inline constexpr int kArchiveErrorPassword = 260; // the archive asks for a password
inline constexpr int kArchiveErrorData = 261;     // an entry could not be decoded or written safely
inline constexpr int kArchiveErrorArchives = 262; // end of a run in which the archive had errors
inline constexpr int kArchiveErrorTempFile = 263; // raised by the extractor, not by the engine
inline constexpr int kArchiveErrorMemory = 8;
inline constexpr int kArchiveErrorAborted = 255; // aborted, or a command line not understood
inline constexpr int kArchiveErrorFatal = 2;

// The entry's exit codes.
inline constexpr int kArchiveExitOk = 0;
inline constexpr int kArchiveExitFatal = 2;
inline constexpr int kArchiveExitCommandLine = 7;
inline constexpr int kArchiveExitMemory = 8;
inline constexpr int kArchiveExitAborted = 255;

using ArchiveErrorRelay = void (*)(void* context, int code);
using ArchiveProgressRelay = void (*)(void* context, int low, int high);

// Runs the engine with {own program path, "x", archive path, "-o" + folder}. Paths are narrow
// (UTF-8) Windows paths with '\' or '/' separators; a path that begins with '/' is taken as a host
// path. Every item is extracted with its path below the folder, replacing existing files without
// asking. Items whose path is absolute, carries a drive letter, climbs with "..", passes through
// a link, or is a link leading out of the folder are not written and count as data errors.
//
// Progress goes to onProgress as completed * 100 / total (completed megabytes while the total is
// unknown), only when it is not 0 and has changed since the last report. Errors go to onError.
// Both relays run on the calling thread. Runs are serialised: the engine keeps the context and
// the relays for the duration of one run.
int RunSevenZipEntry(int argc, const char* const* argv, void* context, ArchiveErrorRelay onError,
                     ArchiveProgressRelay onProgress);

// Whether an item path as stored in an archive names a place below the destination: not empty,
// not absolute, no drive letter, no ".." component ('/' and '\' both separate).
bool IsSafeArchiveItemPath(std::wstring_view path);

// How the engine library was loaded: empty before the first run, otherwise a short description
// ("own binding", "global binding") or the reason it could not be loaded.
std::string ArchiveEngineLoadReport();
