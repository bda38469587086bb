#include "platform/IniFile.h"

#include <fstream>
#include <sstream>

namespace platform {
namespace {

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

} // namespace

void IniFile::Parse(std::string_view text) {
    m_sections.clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::string section;
    while (!text.empty()) {
        const auto end = text.find('\n');
        const std::string line = Trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (line.front() == '[') {
            const auto close = line.find(']');
            section = Lower(
                Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
            continue;
        }
        const auto equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string key = Lower(Trim(std::string_view(line).substr(0, equals)));
        // The first occurrence of a key wins, as with the private-profile reader on Windows.
        m_sections[section].emplace(key, Trim(std::string_view(line).substr(equals + 1)));
    }
}

bool IniFile::Load(const std::filesystem::path& file) {
    m_sections.clear();
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return false;
    }
    std::ostringstream content;
    content << in.rdbuf();
    Parse(content.str());
    return true;
}

std::optional<std::string> IniFile::Get(std::string_view section, std::string_view key) const {
    const auto sectionIt = m_sections.find(Lower(section));
    if (sectionIt == m_sections.end()) {
        return std::nullopt;
    }
    const auto keyIt = sectionIt->second.find(Lower(key));
    if (keyIt == sectionIt->second.end()) {
        return std::nullopt;
    }
    return keyIt->second;
}

} // namespace platform
