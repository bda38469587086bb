#include "platform/Registry.h"

#include "platform/Descriptor.h"
#include "platform/Root.h"
#include "platform/SystemInfo.h"
#include "platform/Text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <sys/file.h>
#include <system_error>
#include <unistd.h>

namespace platform {
namespace {

constexpr const char* kHiveMagic = "KELTO REGISTRY HIVE 1";
constexpr const char* kWowNode = "WOW6432Node";

struct Value {
    std::string name;
    uint32_t type = kRegNone;
    std::string data;
};

struct Key {
    std::string path; // as first created
    std::vector<Value> values;
};

// One hive, keyed by the folded key path.
using Hive = std::map<std::string, Key>;

std::mutex g_hookMutex;
std::function<void()> g_writeHook;

std::string Fold(std::string_view text) {
    std::wstring wide = NarrowToWide(text);
    for (wchar_t& c : wide) {
        c = FoldCase(c);
    }
    return WideToNarrow(wide);
}

// "\\A\\\\B\\" -> "A\\B".
std::string NormalizeKeyPath(std::string_view path) {
    std::string out;
    size_t i = 0;
    while (i < path.size()) {
        while (i < path.size() && path[i] == '\\') {
            ++i;
        }
        size_t end = path.find('\\', i);
        if (end == std::string_view::npos) {
            end = path.size();
        }
        if (end > i) {
            if (!out.empty()) {
                out.push_back('\\');
            }
            out.append(path.substr(i, end - i));
        }
        i = end;
    }
    return out;
}

bool Is64BitSystem() {
    SystemInfo info;
    GetNativeSystemInfo(&info);
    return info.processorArchitecture != kProcessorArchitectureIntel;
}

std::filesystem::path HivePath(RegistryRoot root) {
    return RootFolder() / "registry" /
           (root == RegistryRoot::LocalMachine ? "HKLM.reg" : "HKCU.reg");
}

// --- text form -------------------------------------------------------------------------------

void AppendEscaped(std::string& out, std::string_view bytes) {
    for (unsigned char c : bytes) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\0':
            out += "\\0";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", c);
                out += hex;
            } else {
                out.push_back(static_cast<char>(c));
            }
        }
    }
}

// Reads a quoted, escaped text starting at text[pos] == '"'; pos ends after the closing quote.
bool ParseQuoted(std::string_view text, size_t& pos, std::string* out) {
    if (pos >= text.size() || text[pos] != '"') {
        return false;
    }
    ++pos;
    out->clear();
    while (pos < text.size()) {
        const char c = text[pos++];
        if (c == '"') {
            return true;
        }
        if (c != '\\') {
            out->push_back(c);
            continue;
        }
        if (pos >= text.size()) {
            return false;
        }
        const char e = text[pos++];
        switch (e) {
        case 'n':
            out->push_back('\n');
            break;
        case 'r':
            out->push_back('\r');
            break;
        case 't':
            out->push_back('\t');
            break;
        case '0':
            out->push_back('\0');
            break;
        case 'x': {
            if (pos + 2 > text.size()) {
                return false;
            }
            const std::string hex(text.substr(pos, 2));
            out->push_back(static_cast<char>(std::strtoul(hex.c_str(), nullptr, 16)));
            pos += 2;
            break;
        }
        default:
            out->push_back(e);
        }
    }
    return false;
}

std::string Serialize(RegistryRoot root, const Hive& hive) {
    std::string out = kHiveMagic;
    out += "\n; ";
    out += root == RegistryRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    out += " of this machine. Values: \"name\"=sz:<bytes>:\"text\", dword:<hex>, "
           "hex(<type>):<bytes>:<hex bytes>.\n";
    for (const auto& [folded, key] : hive) {
        out += "\n[";
        out += key.path;
        out += "]\n";
        for (const Value& value : key.values) {
            out.push_back('"');
            AppendEscaped(out, value.name);
            out += "\"=";
            char head[64];
            if (value.type == kRegDword && value.data.size() == 4) {
                uint32_t word = 0;
                std::memcpy(&word, value.data.data(), 4);
                std::snprintf(head, sizeof head, "dword:%08x\n", word);
                out += head;
                continue;
            }
            if (value.type == kRegSz) {
                std::snprintf(head, sizeof head, "sz:%zu:\"", value.data.size());
                out += head;
                AppendEscaped(out, value.data);
                out += "\"\n";
                continue;
            }
            std::snprintf(head, sizeof head, "hex(%u):%zu:", value.type, value.data.size());
            out += head;
            for (size_t i = 0; i < value.data.size(); ++i) {
                std::snprintf(head, sizeof head, i == 0 ? "%02x" : ",%02x",
                              static_cast<unsigned char>(value.data[i]));
                out += head;
            }
            out += "\n";
        }
    }
    return out;
}

bool ParseValueLine(std::string_view line, Value* value) {
    size_t pos = 0;
    if (!ParseQuoted(line, pos, &value->name) || pos >= line.size() || line[pos] != '=') {
        return false;
    }
    const std::string_view rest = line.substr(pos + 1);
    if (rest.rfind("dword:", 0) == 0) {
        const std::string hex(rest.substr(6));
        const uint32_t word = static_cast<uint32_t>(std::strtoul(hex.c_str(), nullptr, 16));
        value->type = kRegDword;
        value->data.assign(reinterpret_cast<const char*>(&word), 4);
        return true;
    }
    if (rest.rfind("sz:", 0) == 0) {
        const size_t quote = rest.find('"');
        if (quote == std::string_view::npos) {
            return false;
        }
        size_t at = quote;
        value->type = kRegSz;
        return ParseQuoted(rest, at, &value->data);
    }
    if (rest.rfind("hex(", 0) == 0) {
        const size_t close = rest.find("):");
        if (close == std::string_view::npos) {
            return false;
        }
        value->type = static_cast<uint32_t>(
            std::strtoul(std::string(rest.substr(4, close - 4)).c_str(), nullptr, 10));
        const size_t colon = rest.find(':', close + 2);
        value->data.clear();
        if (colon == std::string_view::npos) {
            return true;
        }
        std::string_view bytes = rest.substr(colon + 1);
        while (bytes.size() >= 2) {
            value->data.push_back(static_cast<char>(
                std::strtoul(std::string(bytes.substr(0, 2)).c_str(), nullptr, 16)));
            bytes.remove_prefix(bytes.size() >= 3 ? 3 : 2);
        }
        return true;
    }
    return false;
}

Hive Parse(const std::string& text) {
    Hive hive;
    Key* current = nullptr;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string_view line(text.data() + start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line[0] == ';' || line == kHiveMagic) {
            continue;
        }
        if (line.front() == '[' && line.back() == ']') {
            const std::string path = NormalizeKeyPath(line.substr(1, line.size() - 2));
            auto [it, added] = hive.try_emplace(Fold(path));
            if (added) {
                it->second.path = path;
            }
            current = &it->second;
            continue;
        }
        Value value;
        if (current != nullptr && ParseValueLine(line, &value)) {
            current->values.push_back(std::move(value));
        }
    }
    return hive;
}

// --- locked access ---------------------------------------------------------------------------

class HiveLock {
public:
    HiveLock(RegistryRoot root, bool exclusive) {
        const auto hive = HivePath(root);
        std::error_code error;
        std::filesystem::create_directories(hive.parent_path(), error);
        const std::string lockFile = hive.string() + ".lock";
        m_fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (m_fd >= 0) {
            while (::flock(m_fd, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
            }
        }
    }
    ~HiveLock() {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;
    bool Held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

Key& EnsureKey(Hive& hive, const std::string& path);

// The keys every Windows installation has from the start, present in a hive that was never
// written.
Hive DefaultHive(RegistryRoot root) {
    Hive hive;
    if (root == RegistryRoot::CurrentUser) {
        EnsureKey(hive, "Control Panel\\Desktop\\WindowMetrics");
        EnsureKey(hive, "Software\\Microsoft\\Windows\\CurrentVersion");
        return hive;
    }
    EnsureKey(hive, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    if (Is64BitSystem()) {
        EnsureKey(hive, "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    }
    return hive;
}

Hive ReadHive(RegistryRoot root) {
    const FilePtr file(std::fopen(HivePath(root).c_str(), "rbe"));
    if (!file) {
        return DefaultHive(root);
    }
    std::string text;
    char buffer[65536];
    size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
        text.append(buffer, got);
    }
    return Parse(text);
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}

// Writes the hive beside the old one, flushes it and renames it over the old one, then flushes
// the folder, so that the hive on disk is always either the old or the new one.
bool WriteHive(RegistryRoot root, const Hive& hive) {
    const auto path = HivePath(root);
    const std::string temp = path.string() + ".tmp";
    const std::string text = Serialize(root, hive);
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const size_t half = text.size() / 2;
    bool ok = WriteAll(fd, text.data(), half);
    {
        std::function<void()> hook;
        {
            std::lock_guard lock(g_hookMutex);
            hook = g_writeHook;
        }
        if (hook) {
            hook();
        }
    }
    ok = ok && WriteAll(fd, text.data() + half, text.size() - half);
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        std::remove(temp.c_str());
        return false;
    }
    const int dir = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

// Adds the key and every missing parent.
Key& EnsureKey(Hive& hive, const std::string& path) {
    size_t pos = 0;
    Key* key = nullptr;
    while (true) {
        const size_t end = path.find('\\', pos);
        const std::string prefix = path.substr(0, end);
        auto [it, added] = hive.try_emplace(Fold(prefix));
        if (added) {
            it->second.path = prefix;
        }
        key = &it->second;
        if (end == std::string::npos) {
            return *key;
        }
        pos = end + 1;
    }
}

Value* FindValue(Key& key, std::string_view name) {
    const std::string folded = Fold(name);
    for (Value& value : key.values) {
        if (Fold(value.name) == folded) {
            return &value;
        }
    }
    return nullptr;
}

// Key names are written into the hive as they are, one key a line: a control character could
// start a line of its own and forge a key that was never written, so such names are refused.
bool HasControlCharacter(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            return true;
        }
    }
    return false;
}

constexpr long kErrorInvalidHandle = 6;
constexpr long kErrorWriteFault = 29;

} // namespace

std::string RegistryViewPath(RegistryRoot root, std::string_view subKey, uint32_t access) {
    std::string path = NormalizeKeyPath(subKey);
    if (root != RegistryRoot::LocalMachine || (access & kKeyWow64_64Key) != 0 || !Is64BitSystem()) {
        return path;
    }
    const std::string folded = Fold(path);
    if (folded.rfind("software\\", 0) != 0) {
        return path;
    }
    const std::string below = path.substr(9);
    if (Fold(below) == Fold(kWowNode) || Fold(below).rfind(Fold(kWowNode) + "\\", 0) == 0) {
        return path;
    }
    return path.substr(0, 8) + "\\" + kWowNode + "\\" + below;
}

long RegistryCreateKey(RegistryRoot root, std::string_view subKey, uint32_t access,
                       RegistryKeyHandle* key) {
    if (key == nullptr || HasControlCharacter(subKey)) {
        return kErrorInvalidParameter;
    }
    const std::string path = RegistryViewPath(root, subKey, access);
    HiveLock lock(root, true);
    if (!lock.Held()) {
        return kErrorAccessDenied;
    }
    if (!path.empty()) {
        Hive hive = ReadHive(root);
        if (hive.find(Fold(path)) == hive.end()) {
            EnsureKey(hive, path);
            if (!WriteHive(root, hive)) {
                return kErrorWriteFault;
            }
        }
    }
    *key = RegistryKeyHandle{root, path, true};
    return kErrorSuccess;
}

long RegistryOpenKey(RegistryRoot root, std::string_view subKey, uint32_t access,
                     RegistryKeyHandle* key) {
    if (key == nullptr || HasControlCharacter(subKey)) {
        return kErrorInvalidParameter;
    }
    const std::string path = RegistryViewPath(root, subKey, access);
    HiveLock lock(root, false);
    if (!path.empty()) {
        const Hive hive = ReadHive(root);
        if (hive.find(Fold(path)) == hive.end()) {
            return kErrorFileNotFound;
        }
    }
    *key = RegistryKeyHandle{root, path, true};
    return kErrorSuccess;
}

long RegistrySetValue(const RegistryKeyHandle& key, std::string_view name, uint32_t type,
                      const void* data, uint32_t size) {
    if (!key.open) {
        return kErrorInvalidHandle;
    }
    if (data == nullptr && size != 0) {
        return kErrorInvalidParameter;
    }
    HiveLock lock(key.root, true);
    if (!lock.Held()) {
        return kErrorAccessDenied;
    }
    Hive hive = ReadHive(key.root);
    Key& stored = EnsureKey(hive, key.path);
    const std::string bytes(static_cast<const char*>(data), size);
    if (Value* value = FindValue(stored, name); value != nullptr) {
        value->type = type;
        value->data = bytes;
    } else {
        stored.values.push_back(Value{std::string(name), type, bytes});
    }
    return WriteHive(key.root, hive) ? kErrorSuccess : kErrorWriteFault;
}

long RegistryQueryValue(const RegistryKeyHandle& key, std::string_view name, uint32_t* type,
                        void* data, uint32_t* size) {
    if (!key.open) {
        return kErrorInvalidHandle;
    }
    if (data != nullptr && size == nullptr) {
        return kErrorInvalidParameter;
    }
    HiveLock lock(key.root, false);
    Hive hive = ReadHive(key.root);
    const auto it = hive.find(Fold(key.path));
    if (it == hive.end()) {
        return kErrorFileNotFound;
    }
    const Value* value = FindValue(it->second, name);
    if (value == nullptr) {
        return kErrorFileNotFound;
    }
    if (type != nullptr) {
        *type = value->type;
    }
    if (size == nullptr) {
        return kErrorSuccess;
    }
    const auto needed = static_cast<uint32_t>(value->data.size());
    if (data == nullptr) {
        *size = needed;
        return kErrorSuccess;
    }
    if (*size < needed) {
        *size = needed;
        return kErrorMoreData;
    }
    std::memcpy(data, value->data.data(), needed);
    *size = needed;
    return kErrorSuccess;
}

long RegistryDeleteValue(const RegistryKeyHandle& key, std::string_view name) {
    if (!key.open) {
        return kErrorInvalidHandle;
    }
    HiveLock lock(key.root, true);
    Hive hive = ReadHive(key.root);
    const auto it = hive.find(Fold(key.path));
    if (it == hive.end()) {
        return kErrorFileNotFound;
    }
    auto& values = it->second.values;
    const std::string folded = Fold(name);
    const auto before = values.size();
    std::erase_if(values, [&](const Value& value) { return Fold(value.name) == folded; });
    if (values.size() == before) {
        return kErrorFileNotFound;
    }
    return WriteHive(key.root, hive) ? kErrorSuccess : kErrorWriteFault;
}

long RegistryDeleteKey(RegistryRoot root, std::string_view subKey, uint32_t access) {
    if (HasControlCharacter(subKey)) {
        return kErrorInvalidParameter;
    }
    const std::string path = RegistryViewPath(root, subKey, access);
    if (path.empty()) {
        return kErrorAccessDenied; // a root itself cannot be deleted
    }
    HiveLock lock(root, true);
    Hive hive = ReadHive(root);
    const std::string folded = Fold(path);
    if (hive.find(folded) == hive.end()) {
        return kErrorFileNotFound;
    }
    std::erase_if(hive, [&](const auto& entry) {
        return entry.first == folded || entry.first.rfind(folded + "\\", 0) == 0;
    });
    return WriteHive(root, hive) ? kErrorSuccess : kErrorWriteFault;
}

long RegistryListValues(const RegistryKeyHandle& key, std::vector<std::string>* names) {
    if (!key.open || names == nullptr) {
        return kErrorInvalidHandle;
    }
    HiveLock lock(key.root, false);
    const Hive hive = ReadHive(key.root);
    const auto it = hive.find(Fold(key.path));
    if (it == hive.end()) {
        return kErrorFileNotFound;
    }
    names->clear();
    for (const Value& value : it->second.values) {
        names->push_back(value.name);
    }
    return kErrorSuccess;
}

void SetHiveWriteHookForTesting(std::function<void()> hook) {
    std::lock_guard lock(g_hookMutex);
    g_writeHook = std::move(hook);
}

} // namespace platform
