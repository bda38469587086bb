// Path helpers that need nothing but the platform: appending, creating folder trees, the
// Documents folder. DiskPaths.h adds the Program Files folder and free disk space.
#pragma once

#include <string>

// The user's Documents folder with sub-folder appended; with create, every missing folder along
// that path is made; then the file name is appended when one is given. Returns output.
std::wstring& GetDocumentsPath(std::wstring& output, const std::wstring& subFolder,
                               const wchar_t* fileName, bool create);
// Creates the folder before every backslash, then the whole path when characters follow the last
// one. 0 without doing anything for paths longer than 260 characters, else 1.
int CreateDirectoryTree(const std::wstring& path);
// Appends part to path with exactly one backslash between them (PathAppend); false when the
// result would not fit into 260 characters or part has a ".." component (an appended name never
// climbs out of path), path then unchanged.
bool PathAppend(std::wstring& path, const std::wstring& part);
