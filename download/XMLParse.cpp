#include "download/XMLParse.h"

#include "app/JFile.h"
#include "app/Result.h"

#include <boost/property_tree/xml_parser.hpp>

#include <cstring>
#include <limits>
#include <locale>
#include <sstream>

namespace pt = boost::property_tree;

namespace {

constexpr const char* kAttributes = "<xmlattr>";
constexpr const char* kItem = "item";

// Decimal text <-> value through a stream with the classic locale, so that the host's locale
// never changes how a description reads. The whole text must convert; surrounding white space
// is allowed.
template <typename T>
struct ClassicTranslator {
    using internal_type = std::string;
    using external_type = T;

    boost::optional<T> get_value(const std::string& text) const {
        std::istringstream in(text);
        in.imbue(std::locale::classic());
        T value{};
        in >> value;
        if (in.fail()) {
            return boost::none;
        }
        in >> std::ws;
        if (!in.eof()) {
            return boost::none;
        }
        return value;
    }

    boost::optional<std::string> put_value(const T& value) const {
        std::ostringstream out;
        out.imbue(std::locale::classic());
        if constexpr (std::is_floating_point_v<T>) {
            out.precision(std::numeric_limits<T>::max_digits10);
        }
        out << value;
        return out.str();
    }
};

template <typename T>
boost::optional<T> ReadAs(const XmlTree& tree, const std::string& path) {
    if constexpr (std::is_same_v<T, std::string>) {
        return tree.get_optional<std::string>(path);
    } else {
        return tree.get_optional<T>(path, ClassicTranslator<T>());
    }
}

template <typename T>
void PutAs(XmlTree& tree, const std::string& path, const T& value) {
    if constexpr (std::is_same_v<T, std::string>) {
        tree.put(path, value);
    } else {
        tree.put(path, value, ClassicTranslator<T>());
    }
}

// Whether a parsed document has an element at its top: an empty or element-less text is no
// configuration file.
bool HasRootElement(const XmlTree& tree) {
    for (const auto& child : tree) {
        if (child.first != "<xmlcomment>" && child.first != kAttributes) {
            return true;
        }
    }
    return false;
}

} // namespace

bool XMLParse::ToAttributePath(const std::string& path, std::string* attributePath) {
    const size_t dot = path.rfind('.');
    if (dot == std::string::npos) {
        return false;
    }
    *attributePath = path.substr(0, dot) + "." + kAttributes + path.substr(dot);
    return true;
}

std::shared_ptr<IXMLParse> XMLParse::Clone() {
    try {
        auto copy = std::make_shared<XMLParse>();
        copy->m_tree = m_tree;
        copy->m_path = m_path;
        copy->m_loaded = m_loaded;
        return copy;
    } catch (...) {
        return nullptr;
    }
}

template <typename T>
int XMLParse::GetList(const std::string& path, std::vector<T>* out) {
    if (out == nullptr) {
        return 0;
    }
    try {
        out->clear();
        const XmlTree& node = m_tree.get_child(path);
        for (const auto& child : node) {
            if (child.first == kAttributes) {
                continue;
            }
            if (child.first != kItem) {
                return 0;
            }
            boost::optional<T> value = ReadAs<T>(child.second, std::string(kAttributes) + ".key");
            if (!value) {
                return 0;
            }
            out->push_back(*value);
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

int XMLParse::GetFloatList(const std::string& path, std::vector<float>* out) {
    return GetList(path, out);
}
int XMLParse::GetIntList(const std::string& path, std::vector<int>* out) {
    return GetList(path, out);
}
int XMLParse::GetStringList(const std::string& path, std::vector<std::string>* out) {
    return GetList(path, out);
}

int XMLParse::GetFloat(const std::string& path, float* out) {
    std::string attributePath;
    if (out == nullptr || !ToAttributePath(path, &attributePath)) {
        return 0;
    }
    try {
        boost::optional<float> value = ReadAs<float>(m_tree, attributePath);
        if (!value) {
            return 0;
        }
        *out = *value;
        return 1;
    } catch (...) {
        return 0;
    }
}

int XMLParse::GetInt(const std::string& path, int* out) {
    if (out == nullptr) {
        return 0;
    }
    *out = kMissingInt;
    std::string attributePath;
    if (!ToAttributePath(path, &attributePath)) {
        return 0;
    }
    try {
        boost::optional<int> value = ReadAs<int>(m_tree, attributePath);
        *out = value ? *value : kMissingInt;
        return *out != kMissingInt ? 1 : 0;
    } catch (...) {
        *out = kMissingInt;
        return 0;
    }
}

int XMLParse::GetString(const std::string& path, std::string* out) {
    std::string attributePath;
    if (out == nullptr || !ToAttributePath(path, &attributePath)) {
        return 0;
    }
    try {
        std::string value = m_tree.get<std::string>(attributePath, kMissingString);
        if (value == kMissingString) {
            return 0;
        }
        *out = std::move(value);
        return 1;
    } catch (...) {
        return 0;
    }
}

template <typename T>
int XMLParse::SetList(const std::string& path, const std::vector<T>& values) {
    try {
        XmlTree& node = m_tree.get_child(path);
        for (auto it = node.begin(); it != node.end();) {
            it = it->first == kItem ? node.erase(it) : std::next(it);
        }
        for (const T& value : values) {
            XmlTree item;
            PutAs(item, std::string(kAttributes) + ".key", value);
            node.push_back(XmlTree::value_type(kItem, item));
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

int XMLParse::SetFloatList(const std::string& path, const std::vector<float>& values) {
    return SetList(path, values);
}
int XMLParse::SetIntList(const std::string& path, const std::vector<int>& values) {
    return SetList(path, values);
}
int XMLParse::SetStringList(const std::string& path, const std::vector<std::string>& values) {
    return SetList(path, values);
}

template <typename T>
int XMLParse::PutAttribute(const std::string& path, const T& value) {
    std::string attributePath;
    if (!ToAttributePath(path, &attributePath)) {
        return 0;
    }
    try {
        PutAs(m_tree, attributePath, value);
        return 1;
    } catch (...) {
        return 0;
    }
}

template <typename T>
int XMLParse::PutValue(const std::string& path, const T& value) {
    try {
        PutAs(m_tree, path, value);
        return 1;
    } catch (...) {
        return 0;
    }
}

int XMLParse::SetFloat(const std::string& path, float value) {
    return PutAttribute(path, value);
}
int XMLParse::SetInt(const std::string& path, int value) {
    return PutAttribute(path, value);
}
int XMLParse::SetString(const std::string& path, const std::string& value) {
    return PutAttribute(path, value);
}

int XMLParse::AddFloatList(const std::string& path, const std::vector<float>& values) {
    if (PutValue(path, std::string()) == 0) {
        return 0;
    }
    return SetFloatList(path, values);
}

// Integer lists were never added by this call; it keeps reporting success without a change,
// as the files written so far expect.
int XMLParse::AddIntList(const std::string& path, const std::vector<int>& values) {
    return 1;
}

int XMLParse::AddStringList(const std::string& path, const std::vector<std::string>& values) {
    if (PutValue(path, std::string()) == 0) {
        return 0;
    }
    return SetStringList(path, values);
}

// An existing attribute gets the new value, a missing one is created: both are one put on the
// attribute path.
int XMLParse::SetFloatAttr(const std::string& path, float value) {
    return PutAttribute(path, value);
}
int XMLParse::SetIntAttr(const std::string& path, int value) {
    return PutAttribute(path, value);
}
int XMLParse::SetStringAttr(const std::string& path, const std::string& value) {
    return PutAttribute(path, value);
}

int XMLParse::SetFloatValue(const std::string& path, float value) {
    return PutValue(path, value);
}
int XMLParse::SetIntValue(const std::string& path, int value) {
    return PutValue(path, value);
}
int XMLParse::SetStringValue(const std::string& path, const std::string& value) {
    return PutValue(path, value);
}

int XMLParse::RemoveAttr(const std::string& path) {
    std::string attributePath;
    if (!ToAttributePath(path, &attributePath)) {
        return 0;
    }
    return Remove(attributePath);
}

int XMLParse::Remove(const std::string& path) {
    try {
        if (!m_tree.get_child_optional(path)) {
            return 1;
        }
        const size_t dot = path.rfind('.');
        XmlTree& parent = dot == std::string::npos ? m_tree : m_tree.get_child(path.substr(0, dot));
        const std::string name = dot == std::string::npos ? path : path.substr(dot + 1);
        auto found = parent.find(name);
        if (found != parent.not_found()) {
            parent.erase(parent.to_iterator(found));
        }
    } catch (...) {
    }
    return 1;
}

int XMLParse::LoadString(const char* text, size_t length) {
    if (text == nullptr) {
        return 0;
    }
    try {
        std::istringstream in(std::string(text, strnlen(text, length)));
        XmlTree parsed;
        pt::read_xml(in, parsed);
        if (!HasRootElement(parsed)) {
            return 0;
        }
        m_tree.swap(parsed);
        return 1;
    } catch (...) {
        return 0;
    }
}

int XMLParse::LoadFile(const std::wstring& path) {
    try {
        JFile file;
        if (!file.Open(path, JFile::kRead | JFile::kBinary)) {
            return 0;
        }
        const long length = file.Length();
        if (length < 0) {
            return 0;
        }
        std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
        const long read = file.Read(buffer.data(), length);
        file.Close();
        if (read < 0 || LoadString(buffer.data(), static_cast<size_t>(read)) == 0) {
            return 0;
        }
        m_path = path;
        m_loaded = 1;
        return 1;
    } catch (...) {
        return 0;
    }
}

long XMLParse::SaveAs(const std::wstring& path) {
    std::string text;
    try {
        std::ostringstream out;
        pt::write_xml(out, m_tree, pt::xml_writer_make_settings<std::string>('\t', 1, "utf-8"));
        text = out.str();
    } catch (...) {
        return 0;
    }
    JFile file;
    if (!file.Open(path, JFile::kWrite | JFile::kBinary)) {
        return kEFail;
    }
    const long written = file.Write(text.data(), static_cast<long>(text.size()));
    file.Close();
    return written == static_cast<long>(text.size()) ? 1 : 0;
}

int XMLParse::ReadTable(const std::string& path, const std::map<int, std::string>& columns,
                        int columnCount, const std::string& defaultText,
                        std::vector<std::vector<std::string>>* rows) {
    if (rows == nullptr || columnCount < 0) {
        return 0;
    }
    try {
        rows->clear();
        const XmlTree& node = m_tree.get_child(path);
        for (const auto& child : node) {
            if (child.first == kAttributes) {
                continue;
            }
            std::vector<std::string> row;
            for (int column = 0; column < columnCount; ++column) {
                auto name = columns.find(column);
                if (name == columns.end()) {
                    row.push_back(defaultText);
                    continue;
                }
                row.push_back(child.second.get<std::string>(
                    std::string(kAttributes) + "." + name->second, defaultText));
            }
            rows->push_back(std::move(row));
        }
        return 1;
    } catch (...) {
        return 0;
    }
}

long XMLParse::WriteTable(const std::string& path, const std::map<int, std::string>& columns,
                          const std::vector<std::vector<std::string>>& rows) {
    try {
        XmlTree& node = m_tree.get_child(path);
        for (auto it = node.begin(); it != node.end();) {
            it = it->first == kItem ? node.erase(it) : std::next(it);
        }
        for (const auto& row : rows) {
            XmlTree item;
            for (const auto& [column, name] : columns) {
                if (column >= 0 && static_cast<size_t>(column) < row.size()) {
                    item.put(std::string(kAttributes) + "." + name, row[column]);
                }
            }
            node.push_back(XmlTree::value_type(kItem, item));
        }
        return 0;
    } catch (...) {
        return kEFail;
    }
}

long CreateXMLParse(std::shared_ptr<IXMLParse>* out) {
    if (out == nullptr) {
        return kEFail;
    }
    try {
        *out = std::make_shared<XMLParse>();
        return 0;
    } catch (...) {
        return kEFail;
    }
}
