// Path and disk helpers used by the installation services and the controller.
#pragma once

#include <cstdint>
#include <string>

// The user's Documents folder with sub-folder appended; with create, every missing folder along
// that path is made; then the file name is appended when one is given. Returns output.
std::wstring& GetDocumentsPath(std::wstring& output, const std::wstring& subFolder,
                               const wchar_t* fileName, bool create);
// The Program Files folder (the native one when prefer64Bit on a 64-bit system with ProgramW6432
// set, otherwise the one a 32-bit process sees) with sub-folder appended into output (260
// characters). With create, returns CreateDirectoryTree's result; otherwise 1 when the append
// fitted, 0 when it did not.
int GetProgramFilesPath(wchar_t* output, const std::wstring& subFolder, bool create,
                        bool prefer64Bit);
// Creates the folder before every backslash, then the whole path when characters follow the last
// one. 0 without doing anything for paths longer than 260 characters, else 1.
int CreateDirectoryTree(const std::wstring& path);
// Free megabytes of the volume with root "<drive>:\", 0 when the query fails.
int64_t GetFreeMegabytes(char drive);
// Appends part to path with exactly one backslash between them (PathAppend); false when the
// result would not fit into 260 characters or part has a ".." component (an appended name never
// climbs out of path), path then unchanged.
bool PathAppend(std::wstring& path, const std::wstring& part);
