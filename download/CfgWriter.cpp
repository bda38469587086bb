#include "download/CfgWriter.h"

#include "app/JFile.h"
#include "app/Md5.h"
#include "download/DownloadTypes.h"
#include "download/XMLParse.h"

#include <boost/property_tree/xml_parser.hpp>

#include <sstream>

namespace {

void Fill(const PackageDescription& description, XMLParse* xml) {
    xml->SetInt("download.version", description.version);
    xml->SetString("download.size", std::to_string(description.size));
    xml->SetInt("download.url.size", static_cast<int>(description.mirrors.size()));
    for (size_t n = 0; n < description.mirrors.size(); ++n) {
        xml->SetString("download.url.item_" + std::to_string(n) + ".value", description.mirrors[n]);
    }
    const size_t hashCount = 1 + description.blockHashes.size();
    xml->SetInt("download.hash.size", static_cast<int>(hashCount));
    xml->SetString("download.hash.item_0.value", description.wholeHash);
    for (size_t n = 0; n < description.blockHashes.size(); ++n) {
        xml->SetString("download.hash.item_" + std::to_string(n + 1) + ".value",
                       description.blockHashes[n]);
    }
}

} // namespace

PackageDescription DescribePackage(const void* data, size_t size,
                                   const std::vector<std::string>& mirrors) {
    PackageDescription description;
    description.size = size;
    description.mirrors = mirrors;
    description.wholeHash = Md5HexUpper(data, size);
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t offset = 0; offset < size; offset += kBlockSize) {
        const size_t length = std::min<size_t>(kBlockSize, size - offset);
        description.blockHashes.push_back(Md5HexUpper(bytes + offset, length));
    }
    return description;
}

bool DescribePackageFile(const std::wstring& packagePath, const std::vector<std::string>& mirrors,
                         PackageDescription* out) {
    if (out == nullptr) {
        return false;
    }
    JFile file;
    if (!file.Open(packagePath, JFile::kRead | JFile::kBinary)) {
        return false;
    }
    const long length = file.Length();
    if (length < 0) {
        return false;
    }
    std::vector<uint8_t> data(static_cast<size_t>(length));
    if (length > 0 && file.Read(data.data(), length) != length) {
        return false;
    }
    *out = DescribePackage(data.data(), data.size(), mirrors);
    return true;
}

std::string DescriptionXml(const PackageDescription& description) {
    XMLParse xml;
    Fill(description, &xml);
    std::ostringstream out;
    boost::property_tree::write_xml(
        out, *xml.GetTree(),
        boost::property_tree::xml_writer_make_settings<std::string>('\t', 1, "utf-8"));
    return out.str();
}

bool WriteDescription(const std::wstring& cfgPath, const PackageDescription& description) {
    XMLParse xml;
    Fill(description, &xml);
    return xml.SaveAs(cfgPath) == 1;
}
