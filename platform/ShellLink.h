// Shell link files (".lnk") in the documented binary shell-link format: the header, a link-info
// block for file targets, the string data, and an environment-variable block that carries
// targets which are no file (web addresses). The reader is the writer's counterpart, for tests
// and for anything that wants to follow a link.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

inline constexpr uint32_t kShowNormal = 1;

struct ShellLink {
    std::wstring target;        // a file path or a web address
    std::wstring arguments;     // empty: none
    std::wstring workingFolder; // empty: none
    std::wstring description;   // empty: none
    std::wstring iconPath;      // empty: none
    int32_t iconIndex = 0;
    uint32_t showCommand = kShowNormal;
};

// The bytes of a link file.
std::string EncodeShellLink(const ShellLink& link);
// Parses link bytes; false when they are not a shell link this format can read.
bool DecodeShellLink(const std::string& bytes, ShellLink* link);

// Saves a link at a Windows path, replacing an existing file (written aside, then renamed over
// it). False when the folder does not exist or the file cannot be written.
bool SaveShellLink(const std::wstring& path, const ShellLink& link);
bool LoadShellLink(const std::wstring& path, ShellLink* link);

} // namespace platform
