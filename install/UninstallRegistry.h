// Uninstall registration: the per-machine Uninstall entries of the two installed programs, and
// the small registry key class every access goes through.
#pragma once

#include "install/Package.h"
#include "platform/Registry.h"

#include <cstdint>
#include <string>

inline constexpr const char* kUninstallKeyPath =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
inline constexpr uint32_t kEstimatedSize = 227016;
inline constexpr uint32_t kEstimatedSize2 = 229986;

class CMyRegKey {
public:
    CMyRegKey() = default;
    CMyRegKey(const CMyRegKey&) = delete;
    CMyRegKey& operator=(const CMyRegKey&) = delete;
    virtual ~CMyRegKey();

    // Creates or opens the key with full access, creating every missing key along the path (an
    // open made only to read leaves the key behind too). A Windows error code, 0 on success.
    long Create(platform::RegistryRoot root, const std::string& subKey);
    // Closes an open key; 0 when nothing was open.
    long Close();
    // A REG_SZ value stored with its terminator.
    long WriteString(const char* name, const std::string& text);
    // Reads a value of at most 200 bytes into text; a longer or missing value fails and leaves
    // text unchanged.
    long ReadString(const char* name, std::string& text);
    long WriteDword(const char* name, uint32_t value);
    // Reads at most 4 bytes; value changes only on success (the type is not checked).
    long ReadDword(const char* name, uint32_t* value);

    const std::string& Path() const { return m_path; }

private:
    platform::RegistryKeyHandle m_key;
    std::string m_path;
};

// Each operation opens HKLM\<kUninstallKeyPath><keyName>, does its one read or write and closes.
// The text length read; 0 when the key cannot be opened or the value is missing or empty.
int ReadInstallLocation(const char* keyName, std::string& location);
// True when the key could be opened (the write's own result is not checked).
bool WriteUninstallString(const char* keyName, const char* valueName, const std::string& text);
bool WriteUninstallDword(const char* keyName, const char* valueName, uint32_t value);
// True when the key could be opened; value changes only when the read succeeds.
bool ReadUninstallDword(const char* keyName, const char* valueName, uint32_t* value);

// Writes one program's seventeen Uninstall values, in order, from its program folder (narrow,
// OEM code page), its key name, its executable file name, the display name base, the
// installation record and the option flags; logs the flags written.
void WriteUninstallInfo(const char* programFolder, const char* keyName, const char* executable,
                        const char* displayNameBase, const PackageHeader& record,
                        uint32_t optionFlags);

// The eight-character install date "YYYYMMDD" taken from a release date "YYYY-MM-DD".
std::string InstallDateOf(const char (&releaseDate)[16]);
// Narrow path append: exactly one '\' between folder and name.
std::string JoinNarrowPath(const std::string& folder, const std::string& name);
