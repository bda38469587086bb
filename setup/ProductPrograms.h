// The product's two programs as the install sequence and the finish actions name them: per
// program and edition the executable, shortcut name, display name base, folder, Uninstall key
// and home page, and the paths of one program inside an installation folder.
#pragma once

#include <string>

enum class ProductProgram { Converter, Downloader };

inline constexpr ProductProgram kProductPrograms[] = {ProductProgram::Converter,
                                                      ProductProgram::Downloader};

struct ProgramNames {
    const wchar_t* executable;
    const wchar_t* shortcutName;
    const char* displayNameBase;
    const wchar_t* folderName;
    const char* keyName; // the program's Uninstall key
    std::wstring homePage;
};

// The names of a program, chosen by the record's edition flag at the moment of use.
ProgramNames NamesOf(ProductProgram program, bool is64Bit);

struct ProgramPaths {
    std::wstring folder;      // installation folder + the program folder name
    std::wstring executable;  // folder + "\" + executable
    std::wstring uninstaller; // folder + "\uninstall.exe"
};

// Paths of a program below an installation folder (one '\' between the parts, also when the
// folder ends in one).
ProgramPaths PathsOf(const std::wstring& installFolder, const ProgramNames& names);
