#include "install/UninstallRegistry.h"

#include "app/Log.h"
#include "install/PackageNames.h"

#include <cstring>

namespace {

constexpr uint32_t kReadBufferSize = 200;

// The key of a program below the Uninstall key. A name that is no single key name (a separator,
// a control character, "..") is refused here, where it enters, and logged.
bool UninstallKey(const char* keyName, std::string* path) {
    const std::string name = keyName ? keyName : "";
    const std::string why = name.empty() ? std::string() : WhyRootNameIsUnusable(name);
    if (!why.empty()) {
        LogFormat("Uninstall key name refused (%s).\n", why.c_str());
        return false;
    }
    *path = std::string(kUninstallKeyPath) + name;
    return true;
}

long CreateUninstallKey(CMyRegKey& key, const char* keyName) {
    std::string path;
    if (!UninstallKey(keyName, &path)) {
        return platform::kErrorInvalidParameter;
    }
    return key.Create(platform::RegistryRoot::LocalMachine, path);
}

} // namespace

CMyRegKey::~CMyRegKey() {
    Close();
}

long CMyRegKey::Create(platform::RegistryRoot root, const std::string& subKey) {
    Close();
    m_path = subKey;
    return platform::RegistryCreateKey(root, subKey, platform::kKeyAllAccess, &m_key);
}

long CMyRegKey::Close() {
    if (!m_key.open) {
        return platform::kErrorSuccess;
    }
    m_key = platform::RegistryKeyHandle();
    return platform::kErrorSuccess;
}

long CMyRegKey::WriteString(const char* name, const std::string& text) {
    if (!m_key.open) {
        return platform::kErrorInvalidParameter;
    }
    return platform::RegistrySetValue(m_key, name ? name : "", platform::kRegSz, text.c_str(),
                                      static_cast<uint32_t>(text.size() + 1));
}

long CMyRegKey::ReadString(const char* name, std::string& text) {
    if (!m_key.open) {
        return platform::kErrorInvalidParameter;
    }
    char buffer[kReadBufferSize + 1] = {};
    uint32_t type = 0;
    uint32_t size = kReadBufferSize;
    long result = platform::RegistryQueryValue(m_key, name ? name : "", &type, buffer, &size);
    if (result == platform::kErrorSuccess) {
        text.assign(buffer, strnlen(buffer, size));
    }
    return result;
}

long CMyRegKey::WriteDword(const char* name, uint32_t value) {
    if (!m_key.open) {
        return platform::kErrorInvalidParameter;
    }
    return platform::RegistrySetValue(m_key, name ? name : "", platform::kRegDword, &value,
                                      sizeof value);
}

long CMyRegKey::ReadDword(const char* name, uint32_t* value) {
    if (!m_key.open || !value) {
        return platform::kErrorInvalidParameter;
    }
    uint32_t read = *value;
    uint32_t type = 0;
    uint32_t size = sizeof read;
    long result = platform::RegistryQueryValue(m_key, name ? name : "", &type, &read, &size);
    if (result == platform::kErrorSuccess) {
        *value = read;
    }
    return result;
}

int ReadInstallLocation(const char* keyName, std::string& location) {
    CMyRegKey key;
    if (CreateUninstallKey(key, keyName) != platform::kErrorSuccess) {
        return 0;
    }
    std::string text;
    if (key.ReadString("InstallLocation", text) != platform::kErrorSuccess) {
        return 0;
    }
    location = text;
    return static_cast<int>(text.size());
}

bool WriteUninstallString(const char* keyName, const char* valueName, const std::string& text) {
    CMyRegKey key;
    if (CreateUninstallKey(key, keyName) != platform::kErrorSuccess) {
        return false;
    }
    key.WriteString(valueName, text);
    return true;
}

bool WriteUninstallDword(const char* keyName, const char* valueName, uint32_t value) {
    CMyRegKey key;
    if (CreateUninstallKey(key, keyName) != platform::kErrorSuccess) {
        return false;
    }
    key.WriteDword(valueName, value);
    return true;
}

bool ReadUninstallDword(const char* keyName, const char* valueName, uint32_t* value) {
    CMyRegKey key;
    if (CreateUninstallKey(key, keyName) != platform::kErrorSuccess) {
        return false;
    }
    key.ReadDword(valueName, value);
    return true;
}

std::string JoinNarrowPath(const std::string& folder, const std::string& name) {
    std::string result = folder;
    if (!result.empty() && result.back() != '\\') {
        result += '\\';
    }
    size_t skip = 0;
    while (skip < name.size() && name[skip] == '\\') {
        ++skip;
    }
    return result + name.substr(skip);
}

std::string InstallDateOf(const char (&releaseDate)[16]) {
    char date[16] = {};
    std::memcpy(date, releaseDate, 4);
    std::memcpy(date + 4, releaseDate + 5, 2);
    std::memcpy(date + 6, releaseDate + 8, 2);
    return std::string(date, strnlen(date, sizeof date));
}

void WriteUninstallInfo(const char* programFolder, const char* keyName, const char* executable,
                        const char* displayNameBase, const PackageHeader& record,
                        uint32_t optionFlags) {
    const std::string folder = programFolder ? programFolder : "";
    const std::string version = HeaderText(record.version);
    const std::string homeUrl = HeaderText(record.homeUrl);
    const std::string uninstaller = "\"" + JoinNarrowPath(folder, "uninstall.exe") + "\"";

    WriteUninstallString(keyName, "DisplayIcon",
                         JoinNarrowPath(folder, executable ? executable : ""));
    WriteUninstallString(keyName, "Version", version);
    WriteUninstallString(keyName, "DisplayVersion", version);
    WriteUninstallString(keyName, "DisplayName",
                         std::string(displayNameBase ? displayNameBase : "") + " (" +
                             HeaderText(record.releaseDate) + ")");
    WriteUninstallDword(keyName, "EstimatedSize", kEstimatedSize);
    WriteUninstallString(keyName, "HelpLink", homeUrl);
    WriteUninstallString(keyName, "InstallDate", InstallDateOf(record.releaseDate));
    WriteUninstallString(keyName, "InstallLocation", folder);
    WriteUninstallDword(keyName, "NoModify", 1);
    WriteUninstallDword(keyName, "NoRepair", 1);
    WriteUninstallString(keyName, "Publisher", HeaderText(record.publisher));
    WriteUninstallString(keyName, "QuietUninstallString", uninstaller + " /SILENT");
    WriteUninstallDword(keyName, "sEstimatedSize2", kEstimatedSize2);
    WriteUninstallString(keyName, "UninstallString", uninstaller);
    WriteUninstallString(keyName, "URLInfoAbout", homeUrl);
    WriteUninstallString(keyName, "URLUpdateInfo", homeUrl);
    WriteUninstallDword(keyName, "cfg_flag", optionFlags);
    LogFormat("Write Setup Cfg Flag : %d, root(%s), key(%s).\n", static_cast<int>(optionFlags),
              keyName ? keyName : "", "cfg_flag");
}
