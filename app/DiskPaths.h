// Path and disk helpers used by the installation services and the controller: those of
// DiskPathsCore.h, the Program Files folder and free disk space.
#pragma once

#include <cstdint>
#include <string>

#include "app/DiskPathsCore.h"

// The Program Files folder (the native one when prefer64Bit on a 64-bit system with ProgramW6432
// set, otherwise the one a 32-bit process sees) with sub-folder appended into output (260
// characters). With create, returns CreateDirectoryTree's result; otherwise 1 when the append
// fitted, 0 when it did not.
int GetProgramFilesPath(wchar_t* output, const std::wstring& subFolder, bool create,
                        bool prefer64Bit);
// Free megabytes of the volume with root "<drive>:\", 0 when the query fails.
int64_t GetFreeMegabytes(char drive);
