// Arbitrary bytes as a package: the header reader and the unpack must refuse or handle every
// input without reading out of bounds, and never write outside the installation folder.
#include "install/Package.h"
#include "platform/FileSystem.h"
#include "platform/Process.h"
#include "platform/Root.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

fs::path g_package;
fs::path g_folder;

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static const fs::path root =
        fs::temp_directory_path() /
        ("kelto-package-fuzzer-" + std::to_string(platform::CurrentProcessId()));
    fs::remove_all(root);
    fs::create_directories(root);
    std::atexit([] {
        std::error_code error;
        fs::remove_all(root, error);
    });
    setenv("KELTO_ROOT", root.c_str(), 1);
    platform::ResetRootForTesting();
    platform::ToHostPath(L"C:\\Downloads\\package.exe", &g_package);
    platform::ToHostPath(L"C:\\Program Files\\Kelto", &g_folder);
    fs::create_directories(g_package.parent_path());
    // The extractor prints a line per run; the fuzzer's own output is on standard error.
    std::freopen("/dev/null", "w", stdout);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream out(g_package, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    PackageHeader header;
    ReadPackageHeader(L"C:\\Downloads\\package.exe", &header);
    UnpackPackage(L"C:\\Downloads\\package.exe", L"C:\\Program Files\\Kelto",
                  [](int, unsigned, long) { return 1; });
    std::error_code error;
    fs::remove_all(g_folder, error);
    return 0;
}
