// kelto-pack: the maker's packer and inspector of package containers.
//
//   kelto-pack build --from <folder> --out <package> [header fields] [--mirror <url>]...
//                    [--uninstaller <file>] [--cfg <description>] [--level <0-9>]
//   kelto-pack inspect <package>
//   kelto-pack unpack <package> <folder>
//
// Header fields: --root-name, --display-name, --version, --product-name, --release-date,
// --home-url, --publisher, --edition 32|64. Texts longer than their field are cut (and said so).
// build archives the folder's content with the 7-Zip engine (its items relative to the folder),
// writes the container and, next to it (or at --cfg), the package description with the size,
// the mirrors and the whole-package and per-block MD5 digests. The uninstaller image is
// --uninstaller, else the folder's "uninstall.exe", else empty.
#include "download/CfgWriter.h"
#include "install/Package.h"
#include "install/PackageWriter.h"
#include "platform/Process.h"
#include "platform/Root.h"
#include "platform/Text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "usage: kelto-pack build --from <folder> --out <package> [--root-name <text>]\n"
    "                        [--display-name <text>] [--version <text>] [--product-name <text>]\n"
    "                        [--release-date YYYY-MM-DD] [--home-url <url>] [--publisher <text>]\n"
    "                        [--edition 32|64] [--mirror <url>]... [--uninstaller <file>]\n"
    "                        [--cfg <file>] [--level <0-9>]\n"
    "       kelto-pack inspect <package>\n"
    "       kelto-pack unpack <package> <folder>\n";

bool ReadHostFile(const fs::path& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return false;
    }
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

bool WriteHostFile(const fs::path& path, const std::string& bytes) {
    std::error_code error;
    if (path.has_parent_path()) {
        fs::create_directories(path.parent_path(), error);
    }
    fs::path temporary = path;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            fs::remove(temporary, error);
            return false;
        }
    }
    fs::rename(temporary, path, error);
    return !error;
}

std::wstring Quoted(const std::string& text) {
    return L"\"" + platform::NarrowToWide(text) + L"\"";
}

// Archives the content of folder with the engine's own command line.
bool MakeArchive(const fs::path& folder, const fs::path& archive, int level) {
    std::error_code error;
    fs::remove(archive, error);
    platform::StartRequest request;
    request.application = L"/usr/bin/7z";
    request.commandLine = L"7z a -t7z -mx=" + std::to_wstring(level) + L" -snl -bso0 -bsp0 " +
                          Quoted(archive.string()) + L" *";
    request.workingFolder = platform::NarrowToWide(folder.string());
    auto process = platform::StartProcess(request);
    if (!process) {
        std::fprintf(stderr, "kelto-pack: cannot start /usr/bin/7z\n");
        return false;
    }
    process->Wait(24u * 3600u * 1000u);
    uint32_t code = 1;
    process->GetExitCode(&code);
    if (code != 0) {
        std::fprintf(stderr, "kelto-pack: the 7-Zip engine failed with exit code %u\n", code);
        return false;
    }
    return true;
}

void SetField(char* field, size_t size, const std::string& text, const char* name) {
    if (text.size() > size - 1) {
        std::fprintf(stderr, "kelto-pack: %s cut to %zu bytes: \"%s\"\n", name, size - 1,
                     text.c_str());
    }
    SetHeaderText(field, size, text);
}

// What a build was asked for: the options by name (one value each) and the mirrors in order.
struct BuildRequest {
    std::map<std::string, std::string> options;
    std::vector<std::string> mirrors;
    bool Has(const std::string& name) const { return options.count(name) != 0; }
    std::string Get(const std::string& name, const std::string& fallback = {}) const {
        auto found = options.find(name);
        return found != options.end() ? found->second : fallback;
    }
};

// Reads the build's arguments; 0, or the exit code after a usage error was printed.
int ParseBuildRequest(const std::vector<std::string>& arguments, BuildRequest* request) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name.rfind("--", 0) != 0 || i + 1 >= arguments.size()) {
            std::fprintf(stderr, "kelto-pack: unexpected argument \"%s\"\n%s", name.c_str(),
                         kUsage);
            return 2;
        }
        const std::string& value = arguments[++i];
        if (name == "--mirror") {
            request->mirrors.push_back(value);
        } else {
            request->options[name] = value;
        }
    }
    static const char* const kKnown[] = {
        "--from",         "--out",          "--root-name", "--display-name", "--version",
        "--product-name", "--release-date", "--home-url",  "--publisher",    "--edition",
        "--uninstaller",  "--cfg",          "--level"};
    for (const auto& [name, value] : request->options) {
        if (std::find(std::begin(kKnown), std::end(kKnown), name) == std::end(kKnown)) {
            std::fprintf(stderr, "kelto-pack: unknown option \"%s\"\n%s", name.c_str(), kUsage);
            return 2;
        }
    }
    if (!request->Has("--from") || !request->Has("--out")) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    const std::string edition = request->Get("--edition", "32");
    if (edition != "32" && edition != "64") {
        std::fprintf(stderr, "kelto-pack: --edition is 32 or 64\n");
        return 2;
    }
    return 0;
}

PackageHeader HeaderOf(const BuildRequest& request) {
    PackageHeader header = NewPackageHeader();
    SetField(header.rootName, sizeof header.rootName, request.Get("--root-name"), "root name");
    SetField(header.displayName, sizeof header.displayName, request.Get("--display-name"),
             "display name");
    SetField(header.version, sizeof header.version, request.Get("--version"), "version");
    SetField(header.productName, sizeof header.productName, request.Get("--product-name"),
             "product name");
    SetField(header.releaseDate, sizeof header.releaseDate, request.Get("--release-date"),
             "release date");
    SetField(header.homeUrl, sizeof header.homeUrl, request.Get("--home-url"), "home page");
    SetField(header.publisher, sizeof header.publisher, request.Get("--publisher"), "publisher");
    header.is64Bit = request.Get("--edition", "32") == "64" ? 1 : 0;
    return header;
}

// The archive of the folder and the uninstaller's bytes (empty without one); false after a
// message.
bool ReadPackageParts(const BuildRequest& request, std::string* archive, std::string* uninstaller) {
    const fs::path from = request.Get("--from");
    fs::path archivePath = request.Get("--out");
    archivePath += ".7z.part";
    const int level = std::atoi(request.Get("--level", "5").c_str());
    if (!MakeArchive(fs::absolute(from), fs::absolute(archivePath), level)) {
        return false;
    }
    std::error_code error;
    const bool readArchive = ReadHostFile(archivePath, archive);
    fs::remove(archivePath, error);
    if (!readArchive) {
        std::fprintf(stderr, "kelto-pack: cannot read the archive\n");
        return false;
    }
    const fs::path uninstallerPath = request.Has("--uninstaller")
                                         ? fs::path(request.Get("--uninstaller"))
                                         : from / "uninstall.exe";
    if (fs::exists(uninstallerPath, error) && !ReadHostFile(uninstallerPath, uninstaller)) {
        std::fprintf(stderr, "kelto-pack: cannot read %s\n", uninstallerPath.c_str());
        return false;
    }
    return true;
}

// Writes the package and its description; false after a message.
bool WritePackage(const BuildRequest& request, const PackageHeader& header,
                  const std::string& archive, const std::string& uninstaller) {
    const fs::path out = request.Get("--out");
    std::string package;
    std::string reason;
    if (!BuildPackageBytes(header, archive, uninstaller, &package, &reason)) {
        std::fprintf(stderr, "kelto-pack: %s\n", reason.c_str());
        return false;
    }
    if (!WriteHostFile(out, package)) {
        std::fprintf(stderr, "kelto-pack: cannot write %s\n", out.c_str());
        return false;
    }
    const PackageDescription description =
        DescribePackage(package.data(), package.size(), request.mirrors);
    fs::path cfg = request.Has("--cfg") ? fs::path(request.Get("--cfg")) : out;
    if (!request.Has("--cfg")) {
        cfg += ".cfg";
    }
    if (!WriteHostFile(cfg, DescriptionXml(description))) {
        std::fprintf(stderr, "kelto-pack: cannot write %s\n", cfg.c_str());
        return false;
    }
    std::printf("package %s: %zu bytes (archive %zu, uninstaller %zu), md5 %s, %zu blocks\n",
                out.c_str(), package.size(), archive.size(), uninstaller.size(),
                description.wholeHash.c_str(), description.blockHashes.size());
    std::printf("description %s: %zu mirrors\n", cfg.c_str(), request.mirrors.size());
    return true;
}

int Build(const std::vector<std::string>& arguments) {
    BuildRequest request;
    if (const int usage = ParseBuildRequest(arguments, &request); usage != 0) {
        return usage;
    }
    std::error_code error;
    if (!fs::is_directory(request.Get("--from"), error)) {
        std::fprintf(stderr, "kelto-pack: no folder %s\n", request.Get("--from").c_str());
        return 1;
    }
    const PackageHeader header = HeaderOf(request);
    std::string archive;
    std::string uninstaller;
    if (!ReadPackageParts(request, &archive, &uninstaller) ||
        !WritePackage(request, header, archive, uninstaller)) {
        return 1;
    }
    return 0;
}

int32_t Int32At(const std::string& bytes, size_t offset) {
    int32_t value = 0;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

int Inspect(const fs::path& path) {
    std::string bytes;
    if (!ReadHostFile(path, &bytes)) {
        std::fprintf(stderr, "kelto-pack: cannot read %s\n", path.c_str());
        return 1;
    }
    const int64_t length = static_cast<int64_t>(bytes.size());
    std::printf("file length: %lld\n", static_cast<long long>(length));
    if (length < 36) {
        std::printf("error: too short for the header offset at byte 32\n");
        return 1;
    }
    const int32_t h = Int32At(bytes, 32);
    std::printf("header offset H: %d\n", h);
    if (h < 0 || h > length - kPackageHeaderSize) {
        std::printf("error: H outside 0 .. file length - 4096\n");
        return 1;
    }
    PackageHeader header;
    std::memcpy(&header, bytes.data() + h, sizeof header);
    std::printf("signature: %.8s\n", header.signature);
    std::printf("root name: %s\n", HeaderText(header.rootName).c_str());
    std::printf("display name: %s\n", HeaderText(header.displayName).c_str());
    std::printf("version: %s\n", HeaderText(header.version).c_str());
    std::printf("product name: %s\n", HeaderText(header.productName).c_str());
    std::printf("release date: %s\n", HeaderText(header.releaseDate).c_str());
    std::printf("home page: %s\n", HeaderText(header.homeUrl).c_str());
    std::printf("publisher: %s\n", HeaderText(header.publisher).c_str());
    std::printf("edition: %s\n", header.is64Bit == 1 ? "64-bit" : "32-bit");
    std::printf("archive: offset %d, size %d\n", header.archiveOffset, header.archiveSize);
    std::printf("uninstaller: offset %d, size %d\n", header.uninstallerOffset,
                header.uninstallerSize);
    int problems = 0;
    auto checkRange = [&](const char* name, int32_t offset, int32_t size) {
        if (offset < 0 || size < 0 || static_cast<int64_t>(offset) + size > length) {
            std::printf("error: the %s lies outside the file\n", name);
            ++problems;
            return false;
        }
        return true;
    };
    if (checkRange("archive", header.archiveOffset, header.archiveSize)) {
        static const char kSignature[6] = {'7', 'z', '\xBC', '\xAF', '\x27', '\x1C'};
        if (header.archiveSize < 6 ||
            std::memcmp(bytes.data() + header.archiveOffset, kSignature, 6) != 0) {
            std::printf("error: no 7z archive at the archive offset\n");
            ++problems;
        }
    }
    checkRange("uninstaller", header.uninstallerOffset, header.uninstallerSize);
    std::printf("%s\n", problems == 0 ? "offsets: consistent" : "offsets: INCONSISTENT");
    return problems == 0 ? 0 : 1;
}

// Host paths become paths of a private drive P: that maps the host's root, so the unpack runs on
// exactly the files named.
std::wstring OnPrivateDrive(const fs::path& hostPath) {
    std::wstring path = L"P:";
    for (wchar_t c : platform::NarrowToWide(fs::absolute(hostPath).lexically_normal().string())) {
        path += c == L'/' ? L'\\' : c;
    }
    return path;
}

int Unpack(const fs::path& package, const fs::path& folder) {
    std::random_device random;
    const fs::path root = fs::temp_directory_path() / ("kelto-pack-" + std::to_string(random()));
    std::error_code error;
    fs::create_directories(root, error);
    {
        std::ofstream ini(root / "platform.ini");
        ini << "[drives]\nC=drive_c\nP=/\n";
    }
    setenv("KELTO_ROOT", root.c_str(), 1);
    platform::UseRootFolder(root);

    const std::wstring packagePath = OnPrivateDrive(package);
    const std::wstring folderPath = OnPrivateDrive(folder);
    int failures = 0;
    long result = UnpackPackage(packagePath.c_str(), folderPath.c_str(),
                                [&](int event, unsigned value, long extra) {
                                    std::printf("event %d value %u\n", event, value);
                                    if (event == 2 || event == 101) {
                                        ++failures;
                                    }
                                    return 1;
                                });
    std::printf("result 0x%08lX, last unpack status %d\n", static_cast<unsigned long>(result),
                GetLastUnpackError());
    fs::remove_all(root, error);
    return result == 0 && failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    const std::string command = argv[1];
    const std::vector<std::string> rest(argv + 2, argv + argc);
    if (command == "build") {
        return Build(rest);
    }
    if (command == "inspect" && rest.size() == 1) {
        return Inspect(rest[0]);
    }
    if (command == "unpack" && rest.size() == 2) {
        return Unpack(rest[0], rest[1]);
    }
    std::fprintf(stderr, "%s", kUsage);
    return 2;
}
