// Feeds arbitrary bytes to the description parser: the XML reader, then every key read the
// description stage makes.
#include "download/CfgReader.h"
#include "download/XMLParse.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    XMLParse reader;
    if (reader.LoadString(reinterpret_cast<const char*>(data), size) == 0) {
        return 0;
    }
    DownloadItem item;
    bool versionRefused = false;
    ReadPackageDescription(&reader, &item, &versionRefused);
    return 0;
}
