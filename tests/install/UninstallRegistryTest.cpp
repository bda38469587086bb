// Uninstall registration read back from the registry store with types and exact texts.
#include "install/UninstallRegistry.h"

#include "InstallTestSupport.h"
#include "install/ProductNames.h"

#include <gmock/gmock.h>

#include <cstring>

using namespace install_test;
using ::testing::ElementsAre;

namespace {

class UninstallRegistryTest : public RootFixture {
protected:
    static PackageHeader Record(const char* releaseDate) {
        PackageHeader record = NewPackageHeader();
        SetHeaderText(record.version, "2.1.0.7");
        SetHeaderText(record.releaseDate, releaseDate);
        SetHeaderText(record.homeUrl, "https://www.kelto.example/clipwave-converter");
        SetHeaderText(record.publisher, "Kelto Software");
        return record;
    }

    struct Value {
        uint32_t type = 0;
        std::string text;
        uint32_t number = 0;
    };
    // Reads a value the way any registry reader would, through the default (32-bit) view.
    static Value Read(const std::string& keyName, const char* name) {
        platform::RegistryKeyHandle key;
        EXPECT_EQ(platform::RegistryOpenKey(platform::RegistryRoot::LocalMachine,
                                            kUninstallKeyPath + keyName, platform::kKeyRead, &key),
                  platform::kErrorSuccess);
        Value value;
        char buffer[1024] = {};
        uint32_t size = sizeof buffer;
        EXPECT_EQ(platform::RegistryQueryValue(key, name, &value.type, buffer, &size),
                  platform::kErrorSuccess)
            << name;
        if (value.type == platform::kRegSz) {
            EXPECT_EQ(size, std::strlen(buffer) + 1) << name; // stored with its terminator
            value.text = buffer;
        } else {
            EXPECT_EQ(size, 4u) << name;
            std::memcpy(&value.number, buffer, 4);
        }
        return value;
    }
};

TEST_F(UninstallRegistryTest, WritesTheSeventeenValuesInOrder) {
    for (const char* keyName : {kConverterKeyName, kConverterKeyName64}) {
        SCOPED_TRACE(keyName);
        WriteUninstallInfo("C:\\Program Files (x86)\\Kelto\\Kelto Clipwave Converter", keyName,
                           "Kelto Clipwave Converter.exe", "Kelto Clipwave Converter",
                           Record("2021-03-09"), 3);

        platform::RegistryKeyHandle key;
        ASSERT_EQ(platform::RegistryOpenKey(platform::RegistryRoot::LocalMachine,
                                            std::string(kUninstallKeyPath) + keyName,
                                            platform::kKeyRead, &key),
                  platform::kErrorSuccess);
        std::vector<std::string> names;
        ASSERT_EQ(platform::RegistryListValues(key, &names), platform::kErrorSuccess);
        EXPECT_THAT(names, ElementsAre("DisplayIcon", "Version", "DisplayVersion", "DisplayName",
                                       "EstimatedSize", "HelpLink", "InstallDate",
                                       "InstallLocation", "NoModify", "NoRepair", "Publisher",
                                       "QuietUninstallString", "sEstimatedSize2", "UninstallString",
                                       "URLInfoAbout", "URLUpdateInfo", "cfg_flag"));

        struct Expected {
            const char* name;
            uint32_t type;
            std::string text;
            uint32_t number;
        };
        const std::string folder = "C:\\Program Files (x86)\\Kelto\\Kelto Clipwave Converter";
        const std::string home = "https://www.kelto.example/clipwave-converter";
        const std::vector<Expected> expected = {
            {"DisplayIcon", platform::kRegSz, folder + "\\Kelto Clipwave Converter.exe", 0},
            {"Version", platform::kRegSz, "2.1.0.7", 0},
            {"DisplayVersion", platform::kRegSz, "2.1.0.7", 0},
            {"DisplayName", platform::kRegSz, "Kelto Clipwave Converter (2021-03-09)", 0},
            {"EstimatedSize", platform::kRegDword, "", 227016},
            {"HelpLink", platform::kRegSz, home, 0},
            {"InstallDate", platform::kRegSz, "20210309", 0},
            {"InstallLocation", platform::kRegSz, folder, 0},
            {"NoModify", platform::kRegDword, "", 1},
            {"NoRepair", platform::kRegDword, "", 1},
            {"Publisher", platform::kRegSz, "Kelto Software", 0},
            {"QuietUninstallString", platform::kRegSz, "\"" + folder + "\\uninstall.exe\" /SILENT",
             0},
            {"sEstimatedSize2", platform::kRegDword, "", 229986},
            {"UninstallString", platform::kRegSz, "\"" + folder + "\\uninstall.exe\"", 0},
            {"URLInfoAbout", platform::kRegSz, home, 0},
            {"URLUpdateInfo", platform::kRegSz, home, 0},
            {"cfg_flag", platform::kRegDword, "", 3},
        };
        for (const Expected& want : expected) {
            Value value = Read(keyName, want.name);
            EXPECT_EQ(value.type, want.type) << want.name;
            EXPECT_EQ(value.text, want.text) << want.name;
            EXPECT_EQ(value.number, want.number) << want.name;
        }
    }
    // The entries live in the 32-bit view on a 64-bit system.
    platform::RegistryKeyHandle native;
    EXPECT_EQ(platform::RegistryOpenKey(platform::RegistryRoot::LocalMachine,
                                        std::string("SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\"
                                                    "CurrentVersion\\Uninstall\\") +
                                            kConverterKeyName64,
                                        platform::kKeyRead | platform::kKeyWow64_64Key, &native),
              platform::kErrorSuccess);
}

TEST_F(UninstallRegistryTest, DatesAndFolderEdges) {
    WriteUninstallInfo("D:\\Apps\\Kelto Clipwave Downloader\\", kDownloaderKeyName64,
                       "Kelto Clipwave Downloader64.exe", "Kelto Clipwave Downloader", Record(""),
                       0);
    EXPECT_EQ(Read(kDownloaderKeyName64, "DisplayName").text, "Kelto Clipwave Downloader ()");
    EXPECT_EQ(Read(kDownloaderKeyName64, "InstallDate").text, "");
    EXPECT_EQ(Read(kDownloaderKeyName64, "DisplayIcon").text,
              "D:\\Apps\\Kelto Clipwave Downloader\\Kelto Clipwave Downloader64.exe");
    EXPECT_EQ(Read(kDownloaderKeyName64, "UninstallString").text,
              "\"D:\\Apps\\Kelto Clipwave Downloader\\uninstall.exe\"");

    PackageHeader record = Record("2021/03/09");
    EXPECT_EQ(InstallDateOf(record.releaseDate), "20210309");
}

TEST_F(UninstallRegistryTest, ReadersKeepTheirOutputWhenNothingIsThere) {
    uint32_t flags = 0xFFFFFFFF;
    EXPECT_TRUE(ReadUninstallDword("Kelto Clipwave Converter Pro(x64)", "cfg_flag", &flags));
    EXPECT_EQ(flags, 0xFFFFFFFFu);
    // The read created the key, empty.
    platform::RegistryKeyHandle key;
    EXPECT_EQ(platform::RegistryOpenKey(platform::RegistryRoot::LocalMachine,
                                        std::string(kUninstallKeyPath) +
                                            "Kelto Clipwave Converter Pro(x64)",
                                        platform::kKeyRead, &key),
              platform::kErrorSuccess);

    std::string location = "unchanged";
    EXPECT_EQ(ReadInstallLocation("Kelto Clipwave Converter Pro", location), 0);
    EXPECT_EQ(location, "unchanged");
    EXPECT_TRUE(WriteUninstallString("Kelto Clipwave Converter Pro", "InstallLocation",
                                     std::string(200, 'x')));
    EXPECT_EQ(ReadInstallLocation("Kelto Clipwave Converter Pro", location), 0); // 201 bytes
    EXPECT_EQ(location, "unchanged");
    EXPECT_TRUE(WriteUninstallString("Kelto Clipwave Converter Pro", "InstallLocation",
                                     std::string(199, 'y')));
    EXPECT_EQ(ReadInstallLocation("Kelto Clipwave Converter Pro", location), 199);
    EXPECT_EQ(location, std::string(199, 'y'));

    EXPECT_TRUE(WriteUninstallDword("Kelto Clipwave Converter Pro", "cfg_flag", 2));
    EXPECT_TRUE(ReadUninstallDword("Kelto Clipwave Converter Pro", "cfg_flag", &flags));
    EXPECT_EQ(flags, 2u);
}

} // namespace
