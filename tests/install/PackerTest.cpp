// The packer end to end: a test package of the test product, its description, inspection and
// the unpack of what it made.
#include "install/Package.h"

#include "InstallTestSupport.h"
#include "app/Md5.h"
#include "platform/Process.h"

#include <gmock/gmock.h>

#include <regex>

using namespace install_test;

namespace {

class PackerTest : public RootFixture {
protected:
    // Whether a shell command succeeds.
    static bool Shell(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
    }
    std::string MakePackage(const fs::path& out, const char* edition, const std::string& ini) {
        const std::string script = std::string(std::getenv("KELTO_SOURCE_DIR")) +
                                   "/tools/testproduct/make-test-package.sh";
        EXPECT_TRUE(Shell(Quote(script) + " " + Quote(std::getenv("KELTO_TESTPRODUCT")) + " " +
                          Quote(std::getenv("KELTO_PACK")) + " " + Quote(out.string()) + " " +
                          edition + " " + Quote(ini) + " --mirror http://127.0.0.2/download/p.exe" +
                          " --mirror http://127.0.0.3/download/p.exe"));
        return ReadFile(out);
    }
    static std::vector<std::string> Items(const std::string& xml, const std::string& section) {
        std::vector<std::string> values;
        size_t start = xml.find("<" + section);
        size_t end = xml.find("</" + section + ">");
        std::regex item("<item_[0-9]+ value=\"([^\"]*)\"/>");
        std::string body = xml.substr(start, end - start);
        for (std::sregex_iterator it(body.begin(), body.end(), item), last; it != last; ++it) {
            values.push_back((*it)[1]);
        }
        return values;
    }
};

TEST_F(PackerTest, BuildsInspectsAndUnpacksATestPackage) {
    const fs::path package = m_scratch / "KeltoClipwaveConverter_x64(1.0.0.12).exe";
    const fs::path record = m_scratch / "record.txt";
    const std::string bytes = MakePackage(package, "64", "record=" + record.string());
    ASSERT_GT(bytes.size(), 4096u);

    // The description: size, mirrors in order, the whole digest, then one digest per MiB.
    const std::string xml = ReadFile(fs::path(package.string() + ".cfg"));
    EXPECT_NE(xml.find("size=\"" + std::to_string(bytes.size()) + "\""), std::string::npos);
    EXPECT_THAT(Items(xml, "url"), ::testing::ElementsAre("http://127.0.0.2/download/p.exe",
                                                          "http://127.0.0.3/download/p.exe"));
    std::vector<std::string> hashes = Items(xml, "hash");
    const size_t block = 1 << 20;
    ASSERT_EQ(hashes.size(), 1 + (bytes.size() + block - 1) / block);
    EXPECT_EQ(hashes[0], Md5HexUpper(bytes.data(), bytes.size()));
    for (size_t i = 1; i < hashes.size(); ++i) {
        const size_t offset = (i - 1) * block;
        EXPECT_EQ(hashes[i],
                  Md5HexUpper(bytes.data() + offset, std::min(block, bytes.size() - offset)));
    }

    EXPECT_TRUE(Shell(Quote(std::getenv("KELTO_PACK")) + " inspect " + Quote(package.string())));
    std::string damaged = bytes;
    damaged[32] = '\x7F';
    WriteFile(m_scratch / "damaged.exe", damaged);
    EXPECT_FALSE(Shell(Quote(std::getenv("KELTO_PACK")) + " inspect " +
                       Quote((m_scratch / "damaged.exe").string())));

    // The header says 64-bit and names the product; the unpack installs the real names.
    WriteFile(Host(L"C:\\Downloads\\p.exe"), bytes);
    PackageHeader header;
    ASSERT_EQ(ReadPackageHeader(L"C:\\Downloads\\p.exe", &header), 0);
    EXPECT_EQ(header.is64Bit, 1);
    EXPECT_EQ(HeaderText(header.rootName), "Kelto Clipwave Converter Pro");
    EXPECT_EQ(HeaderText(header.releaseDate), "2021-03-09");
    const std::wstring folder = L"C:\\Program Files\\Kelto Clipwave Converter Pro";
    ASSERT_EQ(UnpackPackage(L"C:\\Downloads\\p.exe", folder.c_str(),
                            [](int, unsigned, long) { return 1; }),
              0);
    const fs::path installed = Host(folder);
    for (const char* file :
         {"uninstall.exe", "Kelto Clipwave Converter/Kelto Clipwave Converter64.exe",
          "Kelto Clipwave Converter/uninstall.exe",
          "Kelto Clipwave Downloader/Kelto Clipwave Downloader64.exe",
          "Kelto Clipwave Downloader/uninstall.exe"}) {
        EXPECT_TRUE(fs::is_regular_file(installed / file)) << file;
        EXPECT_EQ(fs::status(installed / file).permissions() & fs::perms::owner_exec,
                  fs::perms::owner_exec)
            << file;
    }

    // The installed program runs and records itself through its testproduct.ini.
    platform::StartRequest request;
    request.application = folder + L"\\Kelto Clipwave Converter\\Kelto Clipwave Converter64.exe";
    request.commandLine = L"\"" + request.application + L"\" /install /new ";
    request.workingFolder = folder;
    auto process = platform::StartProcess(request);
    ASSERT_TRUE(process);
    ASSERT_TRUE(process->Wait(5000));
    const std::string text = ReadFile(record);
    EXPECT_NE(text.find("program=Kelto Clipwave Converter64.exe\n"), std::string::npos);
    EXPECT_NE(text.find("command_line=\"" + platform::WideToNarrow(request.application) +
                        "\" /install /new \n"),
              std::string::npos);
    EXPECT_NE(text.find("working_folder=" + platform::WideToNarrow(folder) + "\n"),
              std::string::npos);

    EXPECT_TRUE(Shell(Quote(std::getenv("KELTO_PACK")) + " unpack " + Quote(package.string()) +
                      " " + Quote((m_scratch / "unpacked").string())));
    EXPECT_TRUE(fs::is_regular_file(m_scratch / "unpacked" / "Kelto Clipwave Downloader" /
                                    "Kelto Clipwave Downloader64.exe"));
}

} // namespace
