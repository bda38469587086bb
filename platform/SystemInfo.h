// System information of the emulated machine: architecture, the three Windows-version sources,
// language, ticks, local time, privileges and debugger output.
#pragma once

#include <cstdint>
#include <string_view>

namespace platform {

inline constexpr uint16_t kProcessorArchitectureIntel = 0;
inline constexpr uint16_t kProcessorArchitectureIa64 = 6;
inline constexpr uint16_t kProcessorArchitectureAmd64 = 9;
inline constexpr uint16_t kProcessorArchitectureArm64 = 12;

struct SystemInfo {
    uint16_t processorArchitecture = 0;
    uint32_t numberOfProcessors = 0;
    uint32_t pageSize = 0;
};

// What the machine is (GetNativeSystemInfo).
void GetNativeSystemInfo(SystemInfo* info);
// What a 32-bit process is told (GetSystemInfo): Intel on every x86 system.
void GetSystemInfo(SystemInfo* info);

// The workstation service's level-100 information (NetWkstaGetInfo); false when the service does
// not answer ([windows] workstation_service=0).
bool GetWorkstationVersion(uint32_t* major, uint32_t* minor);
// ntdll's RtlGetNtVersionNumbers; false when the export cannot be found
// ([windows] nt_version_numbers=0). The build number carries 0xF0000000 as on Windows.
bool GetNtVersionNumbers(uint32_t* major, uint32_t* minor, uint32_t* build);

// GetVersionExW. size must be kOsVersionInfoExSize (the extended structure) or
// kOsVersionInfoSize (the basic one); any other size fails.
inline constexpr uint32_t kOsVersionInfoSize = 276;
inline constexpr uint32_t kOsVersionInfoExSize = 284;
struct OsVersionInfo {
    uint32_t size = 0;
    uint32_t majorVersion = 0;
    uint32_t minorVersion = 0;
    uint32_t buildNumber = 0;
    uint32_t platformId = 0;
    wchar_t servicePack[128] = {};
    uint16_t servicePackMajor = 0; // the extended fields are filled for size 284 only
    uint16_t servicePackMinor = 0;
    uint16_t suiteMask = 0;
    uint8_t productType = 0;
};
bool GetVersionEx(OsVersionInfo* info);

// The system default language id: [system] language_id, else the host locale (LC_ALL,
// LC_MESSAGES, LANG: "de_DE" -> 0x0407), else 0x0409.
uint16_t GetSystemDefaultLangId();
// Maps a locale name such as "pt_BR.UTF-8" to its language id; 0 when unknown.
uint16_t LanguageIdFromLocale(std::string_view locale);

// Milliseconds since an arbitrary start, wrapping at 2^32 like GetTickCount.
uint32_t GetTickCount();
// Moves the tick count by a signed offset, so that tests can cross hours at once.
void AdvanceTickCountForTesting(int64_t milliseconds);

struct LocalTime {
    uint16_t year = 0;
    uint16_t month = 0;     // 1..12
    uint16_t dayOfWeek = 0; // 0 = Sunday
    uint16_t day = 0;
    uint16_t hour = 0;
    uint16_t minute = 0;
    uint16_t second = 0;
    uint16_t milliseconds = 0;
};
void GetLocalTime(LocalTime* time);

// Whether the process holds administrator rights: the effective user is root.
bool IsProcessElevated();

// OutputDebugString: the text goes to standard error when debugger output is switched on
// ($KELTO_DEBUG_OUTPUT=1 or [system] debug_output=1), otherwise nowhere.
void OutputDebugText(std::string_view text);
bool IsDebugOutputEnabled();

} // namespace platform
