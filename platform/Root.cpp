#include "platform/Root.h"

#include "platform/IniFile.h"

#include <cstdlib>
#include <fstream>
#include <mutex>
#include <system_error>
#include <unistd.h>

namespace platform {
namespace {

constexpr const char* kDefaultSettings =
    "; Settings of the emulated Windows machine in this folder.\n"
    "; [drives] maps drive letters to host folders (relative to this folder or absolute).\n"
    "; [system] architecture=x64|x86, user=<login>, language_id=0x0409, debug_output=0|1\n"
    "; [windows] version=10.0, build=19045, workstation_service=1, nt_version_numbers=1,\n"
    ";           version_ex=<major.minor> (defaults to version)\n"
    "[drives]\n"
    "C=drive_c\n";

struct RootState {
    std::mutex mutex;
    bool loaded = false;
    std::filesystem::path folder;
    IniFile settings;
};

RootState& State() {
    static RootState state;
    return state;
}

std::filesystem::path DefaultRoot() {
    if (const char* root = std::getenv("KELTO_ROOT"); root != nullptr && *root != '\0') {
        return std::filesystem::absolute(root);
    }
    if (geteuid() == 0) {
        return "/var/lib/kelto";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return std::filesystem::path(home) / ".local/share/kelto";
    }
    return std::filesystem::temp_directory_path() / "kelto";
}

// Makes folder the root, creating it and its settings file when missing; the caller holds the
// state's mutex.
void Load(RootState& state, const std::filesystem::path& folder) {
    state.folder = folder;
    state.settings = IniFile();
    std::error_code error;
    std::filesystem::create_directories(state.folder, error);
    const auto settingsFile = state.folder / "platform.ini";
    if (!std::filesystem::exists(settingsFile, error)) {
        std::ofstream(settingsFile, std::ios::binary) << kDefaultSettings;
    }
    state.settings.Load(settingsFile);
    state.loaded = true;
}

// Loads the root on first use; the caller holds the state's mutex.
void EnsureLoaded(RootState& state) {
    if (!state.loaded) {
        Load(state, DefaultRoot());
    }
}

} // namespace

std::filesystem::path RootFolder() {
    RootState& state = State();
    std::lock_guard lock(state.mutex);
    EnsureLoaded(state);
    return state.folder;
}

std::string RootSetting(std::string_view section, std::string_view key,
                        std::string_view defaultValue) {
    RootState& state = State();
    std::lock_guard lock(state.mutex);
    EnsureLoaded(state);
    return state.settings.Get(section, key).value_or(std::string(defaultValue));
}

long long RootSettingInt(std::string_view section, std::string_view key, long long defaultValue) {
    const std::string text = RootSetting(section, key);
    if (text.empty()) {
        return defaultValue;
    }
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    return end == text.c_str() ? defaultValue : value;
}

void UseRootFolder(const std::filesystem::path& folder) {
    RootState& state = State();
    std::lock_guard lock(state.mutex);
    Load(state, std::filesystem::absolute(folder));
}

void ResetRootForTesting() {
    RootState& state = State();
    std::lock_guard lock(state.mutex);
    state.loaded = false;
    state.folder.clear();
    state.settings = IniFile();
}

} // namespace platform
