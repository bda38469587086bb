#include "install/PackageNames.h"

#include "app/Log.h"

#include <cstring>

std::string WhyRootNameIsUnusable(std::string_view name) {
    if (name.empty()) {
        return "empty";
    }
    if (name == "." || name == "..") {
        return "a relative folder";
    }
    for (unsigned char c : name) {
        if (c == '\\' || c == '/') {
            return "holds a path separator";
        }
        if (c == ':') {
            return "holds a drive letter's colon";
        }
        if (c < 0x20 || c == 0x7F) {
            return "holds a control character";
        }
    }
    return {};
}

bool IsPlainDottedVersion(std::string_view version) {
    constexpr size_t kMaxGroups = 4;
    constexpr size_t kMaxDigits = 9;
    size_t groups = 0;
    size_t digits = 0;
    for (size_t i = 0; i <= version.size(); ++i) {
        if (i == version.size() || version[i] == '.') {
            if (digits == 0 || ++groups > kMaxGroups) {
                return false;
            }
            digits = 0;
            continue;
        }
        if (version[i] < '0' || version[i] > '9' || ++digits > kMaxDigits) {
            return false;
        }
    }
    return true;
}

void AdoptPackageHeader(PackageHeader* record, const PackageHeader& header) {
    const std::string rootName = HeaderText(header.rootName);
    const std::string why = WhyRootNameIsUnusable(rootName);
    char keptRootName[sizeof record->rootName];
    std::memcpy(keptRootName, record->rootName, sizeof keptRootName);
    *record = header;
    if (!why.empty()) {
        std::memcpy(record->rootName, keptRootName, sizeof keptRootName);
        LogFormat("Package root name refused (%s): \"%s\" stays.\n", why.c_str(),
                  HeaderText(record->rootName).c_str());
    }
}
