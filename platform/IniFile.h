// A small INI reader shared by the root's settings and the private-profile service.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

class IniFile {
public:
    // Parses INI text: "[section]" lines, "key=value" lines, ';' and '#' comments, a UTF-8 byte
    // order mark, CR LF or LF line ends. Section and key names are kept folded to lower case.
    void Parse(std::string_view text);
    // Loads and parses a host file; false when it cannot be read (the object is then empty).
    bool Load(const std::filesystem::path& file);

    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

private:
    std::map<std::string, std::map<std::string, std::string>> m_sections;
};

} // namespace platform
