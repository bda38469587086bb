// Writes the package description of a package file: its size, its mirrors, and the MD5 digests
// of the whole package and of every 1 MiB block, in the form the engine reads. The maker's
// packer and the tests' servers use it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct PackageDescription {
    int version = 1;
    uint64_t size = 0;
    std::vector<std::string> mirrors; // "http://" host "/download/" ...
    std::string wholeHash;            // 32 upper-case hexadecimal digits
    std::vector<std::string> blockHashes;
};

// The description of size bytes at data.
PackageDescription DescribePackage(const void* data, size_t size,
                                   const std::vector<std::string>& mirrors);
// The description of a package file (a Windows path); false when it cannot be read.
bool DescribePackageFile(const std::wstring& packagePath, const std::vector<std::string>& mirrors,
                         PackageDescription* out);
// The XML text: <download version size><url size><item_0 value/>...</url><hash size>...
std::string DescriptionXml(const PackageDescription& description);
// Writes the XML text to a file (a Windows path, missing folders created).
bool WriteDescription(const std::wstring& cfgPath, const PackageDescription& description);
