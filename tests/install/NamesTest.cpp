// Names from a package header and other outside sources, checked where they enter paths and keys.
#include "install/PackageNames.h"
#include "install/UninstallRegistry.h"

#include "InstallTestSupport.h"
#include "app/DiskPaths.h"
#include "platform/Registry.h"
#include "tests/common/LogCapture.h"

#include <gmock/gmock.h>

using namespace install_test;

namespace {

TEST(PackageNamesTest, RootNamesThatCannotNameAFolderOrKey) {
    struct Case {
        std::string name;
        bool usable;
    };
    const std::vector<Case> cases = {
        {"Kelto Clipwave Converter Pro", true},
        {"Kelto_64 (x86) v1.0", true},
        {"Grüße", true},
        {"", false},
        {".", false},
        {"..", false},
        {"..\\..\\Windows", false},
        {"a/b", false},
        {"a\\b", false},
        {"C:", false},
        {"C:Windows", false},
        {"line\nbreak", false},
        {std::string("nul\0x", 5), false},
        {"tab\t", false},
        {"del\x7f", false},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(WhyRootNameIsUnusable(test.name).empty(), test.usable) << test.name;
    }
}

TEST(PackageNamesTest, OnlyPlainDottedVersionsNameThePackageFile) {
    for (const char* version : {"1", "1.0", "1.0.6.0", "10.20.300.4000", "123456789"}) {
        EXPECT_TRUE(IsPlainDottedVersion(version)) << version;
    }
    for (const char* version : {"", ".", "1.", ".1", "1..2", "1.0.6.0.1", "1.0b", "v1.0", "1.0 ",
                                "1/2", "..\\..\\x", "1.0\n", "1234567890", "-1.0", "+1"}) {
        EXPECT_FALSE(IsPlainDottedVersion(version)) << version;
    }
}

TEST(PackageNamesTest, AnUnusableRootNameInAPackageKeepsTheDescriptionsName) {
    testing_support::LogCapture log;
    PackageHeader record = NewPackageHeader();
    SetHeaderText(record.rootName, "Kelto Clipwave Converter Pro");
    PackageHeader header = NewPackageHeader();
    SetHeaderText(header.version, "2.0.0.1");
    SetHeaderText(header.rootName, "..\\..\\Windows");
    AdoptPackageHeader(&record, header);
    EXPECT_EQ(HeaderText(record.rootName), "Kelto Clipwave Converter Pro");
    EXPECT_EQ(HeaderText(record.version), "2.0.0.1");
    EXPECT_EQ(log.Count("Package root name refused"), 1);

    SetHeaderText(header.rootName, "Kelto Clipwave Converter Pro 2");
    AdoptPackageHeader(&record, header);
    EXPECT_EQ(HeaderText(record.rootName), "Kelto Clipwave Converter Pro 2");
}

class UninstallNamesTest : public RootFixture {};

TEST_F(UninstallNamesTest, KeyNamesThatAreNoSingleKeyAreRefused) {
    testing_support::LogCapture log;
    for (const char* name : {"..\\Run", "A\\B", "A\nB", "C:x"}) {
        EXPECT_FALSE(WriteUninstallString(name, "DisplayName", "x")) << name;
        EXPECT_FALSE(WriteUninstallDword(name, "NoModify", 1)) << name;
    }
    EXPECT_EQ(log.Count("Uninstall key name refused"), 8);
    platform::RegistryKeyHandle key;
    EXPECT_EQ(platform::RegistryOpenKey(platform::RegistryRoot::LocalMachine,
                                        std::string(kUninstallKeyPath) + "A",
                                        platform::kKeyRead | platform::kKeyWow64_32Key, &key),
              platform::kErrorFileNotFound);
    EXPECT_TRUE(WriteUninstallString("Kelto Clipwave Converter", "DisplayName", "x"));
}

TEST(PathAppendTest, AnAppendedPartNeverClimbs) {
    std::wstring path = L"C:\\Program Files";
    EXPECT_FALSE(PathAppend(path, L"..\\Windows"));
    EXPECT_FALSE(PathAppend(path, L"Kelto\\..\\..\\Windows"));
    EXPECT_FALSE(PathAppend(path, L"Kelto/.."));
    EXPECT_EQ(path, L"C:\\Program Files");
    EXPECT_TRUE(PathAppend(path, L"Kelto..x\\..y"));
    EXPECT_EQ(path, L"C:\\Program Files\\Kelto..x\\..y");
}

} // namespace
