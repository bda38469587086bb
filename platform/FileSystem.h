// Windows paths on the host. A Windows path names a drive letter, a colon and a backslash-
// separated path ("C:\Users\me\Documents"); the drive table of the root's settings maps each
// letter to a host folder (default: C: -> <root>/drive_c). An unmapped drive does not exist.
#pragma once

#include "platform/Descriptor.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Windows path buffers hold 260 characters including the terminating zero.
inline constexpr size_t kMaxPath = 260;

// Maps a Windows path to its host path. Fails for a relative path, an unmapped drive, or a path
// of kMaxPath characters or more. Both '\' and '/' separate; "." and ".." are resolved lexically
// and never climb above the drive's root.
bool ToHostPath(std::wstring_view windowsPath, std::filesystem::path* hostPath);
// The same path as the mapping sees it: "C:\a\b" with the drive letter in upper case, ".",
// ".." and doubled separators resolved (never above the drive's root), no trailing separator
// except for a drive root ("C:\"). False where ToHostPath fails for the path's form.
bool NormalizeWindowsPath(std::wstring_view windowsPath, std::wstring* normal);
// The reverse mapping for a host path inside a mapped drive; empty when no drive holds it.
std::wstring ToWindowsPath(const std::filesystem::path& hostPath);
// The host folder of a drive letter; false when the letter is not mapped.
bool DriveHostFolder(wchar_t letter, std::filesystem::path* hostFolder);

// File services with the Windows meaning of their results.
bool CreateFolder(std::wstring_view path); // false when it exists or cannot be made
bool PathExists(std::wstring_view path);
bool IsFolder(std::wstring_view path);
bool DeleteFileAt(std::wstring_view path);
bool RemoveEmptyFolder(std::wstring_view path);
// fopen on a Windows path; mode as the C runtime takes it ("rb", "wb", "at", ...). The stream is
// closed on exec, and closed when the returned owner goes away; empty when it cannot be opened.
FilePtr OpenFile(std::wstring_view path, const char* mode);
// Names of the entries of a folder (no "." or ".."); false when it is not a folder.
bool ListFolder(std::wstring_view path, std::vector<std::wstring>* names);
// Free bytes of the volume that holds the folder of a Windows root path such as "C:\".
bool GetDiskFreeBytes(std::wstring_view rootPath, uint64_t* freeBytes);

} // namespace platform
