// Reading and writing XML configuration files as a tree of named nodes, addressed by dotted key
// paths. In the attribute form the last component of a path names an attribute of the element
// the earlier components name: "download.url.size" is attribute size of <url> inside
// <download>. No exception of the tree library leaves this class.
#pragma once

#include <boost/property_tree/ptree.hpp>

#include <map>
#include <memory>
#include <string>
#include <vector>

using XmlTree = boost::property_tree::ptree;

// What GetInt and GetString report for a missing or unconvertible value. A stored value equal to
// a marker therefore reads as missing.
inline constexpr int kMissingInt = -9999999;
inline constexpr const char* kMissingString = "{__see_it_is_read_string_failed_}";

class IXMLParse {
public:
    virtual ~IXMLParse() = default;

    virtual std::shared_ptr<IXMLParse> Clone() = 0;
    // Lists are the "key" attributes of the <item> children of the element at path.
    virtual int GetFloatList(const std::string& path, std::vector<float>* out) = 0;
    virtual int GetIntList(const std::string& path, std::vector<int>* out) = 0;
    virtual int GetStringList(const std::string& path, std::vector<std::string>* out) = 0;
    // Attribute form. 1 and the value when present and convertible, else 0 and out unchanged.
    virtual int GetFloat(const std::string& path, float* out) = 0;
    // Attribute form. Always writes out (kMissingInt when absent); 1 unless it wrote the marker.
    virtual int GetInt(const std::string& path, int* out) = 0;
    // Attribute form. 1 and the text, or 0 with out unchanged.
    virtual int GetString(const std::string& path, std::string* out) = 0;
    virtual int SetFloatList(const std::string& path, const std::vector<float>& values) = 0;
    virtual int SetIntList(const std::string& path, const std::vector<int>& values) = 0;
    virtual int SetStringList(const std::string& path, const std::vector<std::string>& values) = 0;
    // Attribute form; missing nodes are created.
    virtual int SetFloat(const std::string& path, float value) = 0;
    virtual int SetInt(const std::string& path, int value) = 0;
    virtual int SetString(const std::string& path, const std::string& value) = 0;
    virtual int AddFloatList(const std::string& path, const std::vector<float>& values) = 0;
    virtual int AddIntList(const std::string& path, const std::vector<int>& values) = 0;
    virtual int AddStringList(const std::string& path, const std::vector<std::string>& values) = 0;
    // Attribute form: set the attribute, creating it when absent.
    virtual int SetFloatAttr(const std::string& path, float value) = 0;
    virtual int SetIntAttr(const std::string& path, int value) = 0;
    virtual int SetStringAttr(const std::string& path, const std::string& value) = 0;
    // Element form: set the element's own text, creating the element when absent.
    virtual int SetFloatValue(const std::string& path, float value) = 0;
    virtual int SetIntValue(const std::string& path, int value) = 0;
    virtual int SetStringValue(const std::string& path, const std::string& value) = 0;
    virtual int RemoveAttr(const std::string& path) = 0;
    virtual int Remove(const std::string& path) = 0;
    // Parses text up to its first zero byte, reading at most length bytes.
    virtual int LoadString(const char* text, size_t length) = 0;
    virtual int LoadFile(const std::wstring& path) = 0;
    virtual int IsLoaded() = 0;
    virtual long Save() = 0;
    // One tab per level and an utf-8 declaration. 1, 0 when serialising fails, E_FAIL when the
    // file cannot be opened.
    virtual long SaveAs(const std::wstring& path) = 0;
    virtual XmlTree* GetTree() = 0;
    // One row per child element of the element at path; columns[i] names the attribute of
    // column i, a missing one reading as defaultText.
    virtual int ReadTable(const std::string& path, const std::map<int, std::string>& columns,
                          int columnCount, const std::string& defaultText,
                          std::vector<std::vector<std::string>>* rows) = 0;
    // Replaces the <item> children of the element at path by one per row. 0, or E_FAIL.
    virtual long WriteTable(const std::string& path, const std::map<int, std::string>& columns,
                            const std::vector<std::vector<std::string>>& rows) = 0;
};

class XMLParse final : public IXMLParse {
public:
    std::shared_ptr<IXMLParse> Clone() override;
    int GetFloatList(const std::string& path, std::vector<float>* out) override;
    int GetIntList(const std::string& path, std::vector<int>* out) override;
    int GetStringList(const std::string& path, std::vector<std::string>* out) override;
    int GetFloat(const std::string& path, float* out) override;
    int GetInt(const std::string& path, int* out) override;
    int GetString(const std::string& path, std::string* out) override;
    int SetFloatList(const std::string& path, const std::vector<float>& values) override;
    int SetIntList(const std::string& path, const std::vector<int>& values) override;
    int SetStringList(const std::string& path, const std::vector<std::string>& values) override;
    int SetFloat(const std::string& path, float value) override;
    int SetInt(const std::string& path, int value) override;
    int SetString(const std::string& path, const std::string& value) override;
    int AddFloatList(const std::string& path, const std::vector<float>& values) override;
    int AddIntList(const std::string& path, const std::vector<int>& values) override;
    int AddStringList(const std::string& path, const std::vector<std::string>& values) override;
    int SetFloatAttr(const std::string& path, float value) override;
    int SetIntAttr(const std::string& path, int value) override;
    int SetStringAttr(const std::string& path, const std::string& value) override;
    int SetFloatValue(const std::string& path, float value) override;
    int SetIntValue(const std::string& path, int value) override;
    int SetStringValue(const std::string& path, const std::string& value) override;
    int RemoveAttr(const std::string& path) override;
    int Remove(const std::string& path) override;
    int LoadString(const char* text, size_t length) override;
    int LoadFile(const std::wstring& path) override;
    int IsLoaded() override { return m_loaded; }
    long Save() override { return SaveAs(m_path); }
    long SaveAs(const std::wstring& path) override;
    XmlTree* GetTree() override { return &m_tree; }
    int ReadTable(const std::string& path, const std::map<int, std::string>& columns,
                  int columnCount, const std::string& defaultText,
                  std::vector<std::vector<std::string>>* rows) override;
    long WriteTable(const std::string& path, const std::map<int, std::string>& columns,
                    const std::vector<std::vector<std::string>>& rows) override;

    // "a.b.c" -> "a.b.<xmlattr>.c"; false for a path without '.'.
    static bool ToAttributePath(const std::string& path, std::string* attributePath);

private:
    template <typename T>
    int GetList(const std::string& path, std::vector<T>* out);
    template <typename T>
    int SetList(const std::string& path, const std::vector<T>& values);
    template <typename T>
    int PutAttribute(const std::string& path, const T& value);
    template <typename T>
    int PutValue(const std::string& path, const T& value);

    XmlTree m_tree;
    std::wstring m_path;
    int m_loaded = 0;
};

// 0 and a new reader in *out, or E_FAIL.
long CreateXMLParse(std::shared_ptr<IXMLParse>* out);
