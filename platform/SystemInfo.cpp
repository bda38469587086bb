#include "platform/SystemInfo.h"

#include "platform/Root.h"

#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/utsname.h>
#include <unistd.h>

namespace platform {
namespace {

std::atomic<int64_t> g_tickOffset{0};

uint16_t HostArchitecture() {
    utsname name{};
    if (uname(&name) != 0) {
        return kProcessorArchitectureIntel;
    }
    const std::string machine = name.machine;
    if (machine == "x86_64" || machine == "amd64") {
        return kProcessorArchitectureAmd64;
    }
    if (machine == "aarch64" || machine == "arm64") {
        return kProcessorArchitectureArm64;
    }
    if (machine == "ia64") {
        return kProcessorArchitectureIa64;
    }
    return kProcessorArchitectureIntel;
}

uint16_t NativeArchitecture() {
    const std::string setting = RootSetting("system", "architecture");
    if (setting == "x86" || setting == "intel") {
        return kProcessorArchitectureIntel;
    }
    if (setting == "x64" || setting == "amd64") {
        return kProcessorArchitectureAmd64;
    }
    if (setting == "arm64") {
        return kProcessorArchitectureArm64;
    }
    return HostArchitecture();
}

// "6.1" -> 6, 1. Missing or malformed parts keep the defaults.
void ParseVersion(const std::string& text, uint32_t* major, uint32_t* minor) {
    unsigned parsedMajor = 0;
    unsigned parsedMinor = 0;
    const int fields = std::sscanf(text.c_str(), "%u.%u", &parsedMajor, &parsedMinor);
    if (fields >= 1) {
        *major = parsedMajor;
        *minor = fields == 2 ? parsedMinor : 0;
    }
}

void EmulatedVersion(uint32_t* major, uint32_t* minor) {
    *major = 10;
    *minor = 0;
    ParseVersion(RootSetting("windows", "version", "10.0"), major, minor);
}

uint32_t EmulatedBuild() {
    return static_cast<uint32_t>(RootSettingInt("windows", "build", 19045));
}

struct LocaleId {
    const char* name; // language, or language_TERRITORY for the territorial variants
    uint16_t id;
};

// Host locales and their language ids; a territorial entry wins over the language alone.
constexpr LocaleId kLocales[] = {
    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en", 0x0409},    {"zh_CN", 0x0804}, {"zh_SG", 0x1004},
    {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_MO", 0x1404}, {"zh", 0x0804},    {"ja", 0x0411},
    {"ko", 0x0412},    {"fr_CA", 0x0C0C}, {"fr_BE", 0x080C}, {"fr_CH", 0x100C}, {"fr", 0x040C},
    {"de_AT", 0x0C07}, {"de_CH", 0x0807}, {"de", 0x0407},    {"es_MX", 0x080A}, {"es", 0x0C0A},
    {"ca", 0x0403},    {"ru", 0x0419},    {"cs", 0x0405},    {"hu", 0x040E},    {"it", 0x0410},
    {"nl_BE", 0x0813}, {"nl", 0x0413},    {"nb", 0x0414},    {"nn", 0x0814},    {"no", 0x0414},
    {"pl", 0x0415},    {"pt_BR", 0x0416}, {"pt", 0x0816},    {"sv_FI", 0x081D}, {"sv", 0x041D},
    {"da", 0x0406},    {"fi", 0x040B},    {"el", 0x0408},    {"tr", 0x041F},    {"uk", 0x0422},
    {"ar", 0x0401},    {"he", 0x040D},    {"th", 0x041E},    {"vi", 0x042A},
};

} // namespace

void GetNativeSystemInfo(SystemInfo* info) {
    info->processorArchitecture = NativeArchitecture();
    const long processors = sysconf(_SC_NPROCESSORS_ONLN);
    info->numberOfProcessors = processors > 0 ? static_cast<uint32_t>(processors) : 1;
    info->pageSize = static_cast<uint32_t>(sysconf(_SC_PAGESIZE));
}

void GetSystemInfo(SystemInfo* info) {
    GetNativeSystemInfo(info);
    // A 32-bit process on 64-bit x86 Windows is told it runs on an Intel processor.
    if (info->processorArchitecture == kProcessorArchitectureAmd64 ||
        info->processorArchitecture == kProcessorArchitectureIa64) {
        info->processorArchitecture = kProcessorArchitectureIntel;
    }
}

bool GetWorkstationVersion(uint32_t* major, uint32_t* minor) {
    if (RootSettingInt("windows", "workstation_service", 1) == 0) {
        return false;
    }
    EmulatedVersion(major, minor);
    return true;
}

bool GetNtVersionNumbers(uint32_t* major, uint32_t* minor, uint32_t* build) {
    if (RootSettingInt("windows", "nt_version_numbers", 1) == 0) {
        return false;
    }
    EmulatedVersion(major, minor);
    *build = 0xF0000000u | EmulatedBuild();
    return true;
}

bool GetVersionEx(OsVersionInfo* info) {
    if (info == nullptr ||
        (info->size != kOsVersionInfoSize && info->size != kOsVersionInfoExSize)) {
        return false;
    }
    uint32_t major = 0;
    uint32_t minor = 0;
    EmulatedVersion(&major, &minor);
    ParseVersion(RootSetting("windows", "version_ex"), &major, &minor);
    info->majorVersion = major;
    info->minorVersion = minor;
    info->buildNumber = EmulatedBuild();
    info->platformId = 2; // VER_PLATFORM_WIN32_NT
    info->servicePack[0] = L'\0';
    if (info->size == kOsVersionInfoExSize) {
        info->servicePackMajor = 0;
        info->servicePackMinor = 0;
        info->suiteMask = 0x0100; // VER_SUITE_SINGLEUSERTS
        info->productType = 1;    // VER_NT_WORKSTATION
    }
    return true;
}

uint16_t LanguageIdFromLocale(std::string_view locale) {
    // "pt_BR.UTF-8@euro" -> "pt_BR"
    const size_t cut = locale.find_first_of(".@");
    std::string name(locale.substr(0, cut));
    if (name.empty() || name == "C" || name == "POSIX") {
        return 0;
    }
    for (const LocaleId& entry : kLocales) {
        if (name == entry.name) {
            return entry.id;
        }
    }
    const std::string language = name.substr(0, name.find('_'));
    for (const LocaleId& entry : kLocales) {
        if (language == entry.name) {
            return entry.id;
        }
    }
    return 0;
}

uint16_t GetSystemDefaultLangId() {
    const long long setting = RootSettingInt("system", "language_id", 0);
    if (setting > 0 && setting <= 0xFFFF) {
        return static_cast<uint16_t>(setting);
    }
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value == nullptr || *value == '\0') {
            continue;
        }
        if (const uint16_t id = LanguageIdFromLocale(value); id != 0) {
            return id;
        }
    }
    return 0x0409;
}

uint32_t GetTickCount() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms + g_tickOffset.load()));
}

void AdvanceTickCountForTesting(int64_t milliseconds) {
    g_tickOffset += milliseconds;
}

void GetLocalTime(LocalTime* time) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    time->year = static_cast<uint16_t>(local.tm_year + 1900);
    time->month = static_cast<uint16_t>(local.tm_mon + 1);
    time->dayOfWeek = static_cast<uint16_t>(local.tm_wday);
    time->day = static_cast<uint16_t>(local.tm_mday);
    time->hour = static_cast<uint16_t>(local.tm_hour);
    time->minute = static_cast<uint16_t>(local.tm_min);
    time->second = static_cast<uint16_t>(local.tm_sec);
    time->milliseconds = static_cast<uint16_t>(ms);
}

bool IsProcessElevated() {
    return geteuid() == 0;
}

bool IsDebugOutputEnabled() {
    if (const char* value = std::getenv("KELTO_DEBUG_OUTPUT"); value != nullptr) {
        return std::string_view(value) == "1";
    }
    return RootSettingInt("system", "debug_output", 0) == 1;
}

void OutputDebugText(std::string_view text) {
    if (!IsDebugOutputEnabled()) {
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stderr);
    if (text.empty() || text.back() != '\n') {
        std::fputc('\n', stderr);
    }
}

} // namespace platform
