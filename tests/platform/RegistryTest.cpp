#include "platform/Registry.h"
#include "tests/common/ScopedRoot.h"

#include <csignal>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

using testing_support::ScopedRoot;

namespace {

constexpr auto kHklm = platform::RegistryRoot::LocalMachine;
constexpr char kUninstall[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

std::string QueryString(const platform::RegistryKeyHandle& key, const char* name,
                        uint32_t* storedSize = nullptr) {
    char buffer[256] = {};
    uint32_t size = sizeof buffer;
    uint32_t type = 0;
    if (platform::RegistryQueryValue(key, name, &type, buffer, &size) != platform::kErrorSuccess ||
        type != platform::kRegSz) {
        return "<missing>";
    }
    if (storedSize != nullptr) {
        *storedSize = size;
    }
    return std::string(buffer);
}

long SetString(const platform::RegistryKeyHandle& key, const char* name, const std::string& text) {
    return platform::RegistrySetValue(key, name, platform::kRegSz, text.c_str(),
                                      static_cast<uint32_t>(text.size() + 1));
}

TEST(Registry, CreateOpensAndMakesMissingKeys) {
    ScopedRoot root("[system]\narchitecture=x86\n");
    platform::RegistryKeyHandle key;
    EXPECT_EQ(platform::RegistryOpenKey(kHklm, "SOFTWARE\\A\\B", platform::kKeyAllAccess, &key),
              platform::kErrorFileNotFound);
    ASSERT_EQ(platform::RegistryCreateKey(kHklm, "SOFTWARE\\A\\B", platform::kKeyAllAccess, &key),
              platform::kErrorSuccess);
    EXPECT_EQ(platform::RegistryOpenKey(kHklm, "software\\a", platform::kKeyRead, &key),
              platform::kErrorSuccess);
    EXPECT_EQ(platform::RegistryOpenKey(kHklm, "Software\\A\\b", platform::kKeyRead, &key),
              platform::kErrorSuccess);
    // The other root is a hive of its own.
    EXPECT_EQ(platform::RegistryOpenKey(platform::RegistryRoot::CurrentUser, "SOFTWARE\\A",
                                        platform::kKeyRead, &key),
              platform::kErrorFileNotFound);
}

// A key name with a line break would start a line of its own in the hive and make a key readable
// that was never written: such names are refused, and value names read back byte for byte.
TEST(Registry, NamesWithControlCharacters) {
    ScopedRoot root("[system]\narchitecture=x86\n");
    platform::RegistryKeyHandle key;
    for (const std::string& name :
         {std::string("SOFTWARE\\A]\n[SOFTWARE\\Forged"), std::string("SOFTWARE\\A\r"),
          std::string("SOFTWARE\\A\tB"), std::string("SOFTWARE\\A\x01"),
          std::string("SOFTWARE\\A\x7f")}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(platform::RegistryCreateKey(kHklm, name, platform::kKeyAllAccess, &key),
                  platform::kErrorInvalidParameter);
        EXPECT_EQ(platform::RegistryOpenKey(kHklm, name, platform::kKeyRead, &key),
                  platform::kErrorInvalidParameter);
        EXPECT_EQ(platform::RegistryDeleteKey(kHklm, name, platform::kKeyAllAccess),
                  platform::kErrorInvalidParameter);
    }
    EXPECT_EQ(platform::RegistryOpenKey(kHklm, "SOFTWARE\\Forged", platform::kKeyRead, &key),
              platform::kErrorFileNotFound);

    ASSERT_EQ(platform::RegistryCreateKey(kHklm, "SOFTWARE\\Names", platform::kKeyAllAccess, &key),
              platform::kErrorSuccess);
    const std::vector<std::string> valueNames = {"a\n[SOFTWARE\\Forged]", "b\r\"=dword:1",
                                                 "c\t\\\x01\x7f", "]\n\"x\"=sz:2:\"y\""};
    for (const std::string& name : valueNames) {
        ASSERT_EQ(SetString(key, name.c_str(), "value of " + name), platform::kErrorSuccess);
    }
    std::vector<std::string> listed;
    ASSERT_EQ(platform::RegistryListValues(key, &listed), platform::kErrorSuccess);
    EXPECT_EQ(listed, valueNames);
    for (const std::string& name : valueNames) {
        EXPECT_EQ(QueryString(key, name.c_str()), "value of " + name);
    }
    EXPECT_EQ(platform::RegistryOpenKey(kHklm, "SOFTWARE\\Forged", platform::kKeyRead, &key),
              platform::kErrorFileNotFound);
}

TEST(Registry, ValuesTheirTypesAndSizes) {
    ScopedRoot root("[system]\narchitecture=x86\n");
    platform::RegistryKeyHandle key;
    ASSERT_EQ(platform::RegistryCreateKey(kHklm, kUninstall, platform::kKeyAllAccess, &key), 0);
    ASSERT_EQ(SetString(key, "DisplayName", "Kelto \"Clipwave\"\\ \xC3\xA9\n"), 0);
    const uint32_t flags = 0x2A;
    ASSERT_EQ(platform::RegistrySetValue(key, "cfg_flag", platform::kRegDword, &flags, 4), 0);

    uint32_t stored = 0;
    EXPECT_EQ(QueryString(key, "displayname", &stored), "Kelto \"Clipwave\"\\ \xC3\xA9\n");
    EXPECT_EQ(stored, std::strlen("Kelto \"Clipwave\"\\ \xC3\xA9\n") + 1);

    uint32_t type = 0, value = 0, size = sizeof value;
    ASSERT_EQ(platform::RegistryQueryValue(key, "CFG_FLAG", &type, &value, &size), 0);
    EXPECT_EQ(type, platform::kRegDword);
    EXPECT_EQ(value, 0x2Au);
    EXPECT_EQ(size, 4u);

    char small[4];
    size = sizeof small;
    EXPECT_EQ(platform::RegistryQueryValue(key, "DisplayName", &type, small, &size),
              platform::kErrorMoreData);
    EXPECT_EQ(size, stored);
    EXPECT_EQ(platform::RegistryQueryValue(key, "nothing", &type, nullptr, &size),
              platform::kErrorFileNotFound);

    // Rewriting keeps one value under the first spelling, in its place.
    ASSERT_EQ(SetString(key, "DISPLAYNAME", "second"), 0);
    std::vector<std::string> names;
    ASSERT_EQ(platform::RegistryListValues(key, &names), 0);
    EXPECT_EQ(names, (std::vector<std::string>{"DisplayName", "cfg_flag"}));
    EXPECT_EQ(QueryString(key, "DisplayName"), "second");

    ASSERT_EQ(platform::RegistryDeleteValue(key, "cfg_flag"), 0);
    EXPECT_EQ(platform::RegistryDeleteValue(key, "cfg_flag"), platform::kErrorFileNotFound);
    ASSERT_EQ(platform::RegistryDeleteKey(kHklm, "SOFTWARE\\Microsoft", platform::kKeyAllAccess),
              0);
    EXPECT_EQ(platform::RegistryOpenKey(kHklm, kUninstall, platform::kKeyRead, &key),
              platform::kErrorFileNotFound);
}

TEST(Registry, ThirtyTwoBitViewOnSixtyFourBitSystems) {
    struct Case {
        const char* settings;
        uint32_t access;
        const char* storedPath;
    } cases[] = {
        {"[system]\narchitecture=x64\n", platform::kKeyAllAccess | platform::kKeyWow64_32Key,
         "SOFTWARE\\WOW6432Node\\Kelto"},
        {"[system]\narchitecture=x64\n", platform::kKeyAllAccess, "SOFTWARE\\WOW6432Node\\Kelto"},
        {"[system]\narchitecture=x64\n", platform::kKeyAllAccess | platform::kKeyWow64_64Key,
         "SOFTWARE\\Kelto"},
        {"[system]\narchitecture=x86\n", platform::kKeyAllAccess | platform::kKeyWow64_32Key,
         "SOFTWARE\\Kelto"},
    };
    for (const auto& c : cases) {
        ScopedRoot root(c.settings);
        platform::RegistryKeyHandle key;
        ASSERT_EQ(platform::RegistryCreateKey(kHklm, "SOFTWARE\\Kelto", c.access, &key), 0);
        EXPECT_EQ(key.path, c.storedPath);
        ASSERT_EQ(SetString(key, "v", "1"), 0);
        platform::RegistryKeyHandle native;
        ASSERT_EQ(
            platform::RegistryOpenKey(kHklm, c.storedPath, platform::kKeyWow64_64Key, &native), 0);
        EXPECT_EQ(QueryString(native, "v"), "1");
        const std::string hive = testing_support::ReadHostFile(root.Folder() / "registry/HKLM.reg");
        EXPECT_NE(hive.find(std::string("[") + c.storedPath + "]"), std::string::npos) << hive;
    }
}

TEST(Registry, WriterKilledMidWriteLeavesThePreviousHive) {
    ScopedRoot root("[system]\narchitecture=x86\n");
    platform::RegistryKeyHandle key;
    ASSERT_EQ(platform::RegistryCreateKey(kHklm, "SOFTWARE\\Kelto", platform::kKeyAllAccess, &key),
              0);
    ASSERT_EQ(SetString(key, "kept", "before"), 0);
    const std::string before = testing_support::ReadHostFile(root.Folder() / "registry/HKLM.reg");

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        platform::SetHiveWriteHookForTesting([] { raise(SIGKILL); });
        SetString(key, "lost", std::string(100000, 'x'));
        _exit(0); // not reached: the hook kills the writer half-way
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(testing_support::ReadHostFile(root.Folder() / "registry/HKLM.reg"), before);
    EXPECT_EQ(QueryString(key, "kept"), "before");
    EXPECT_EQ(QueryString(key, "lost"), "<missing>");
    // The next writer is not disturbed by the dead one's half-written temporary file.
    ASSERT_EQ(SetString(key, "after", "ok"), 0);
    EXPECT_EQ(QueryString(key, "after"), "ok");
    EXPECT_EQ(QueryString(key, "kept"), "before");
}

TEST(Registry, ConcurrentWritersBothKeepTheirValues) {
    ScopedRoot root("[system]\narchitecture=x86\n");
    platform::RegistryKeyHandle key;
    ASSERT_EQ(platform::RegistryCreateKey(kHklm, "SOFTWARE\\Kelto", platform::kKeyAllAccess, &key),
              0);
    constexpr int kValuesPerWriter = 40;
    std::vector<pid_t> children;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int failures = 0;
            for (int i = 0; i < kValuesPerWriter; ++i) {
                const std::string name = "p" + std::to_string(writer) + "_" + std::to_string(i);
                failures += SetString(key, name.c_str(), name) != 0;
            }
            _exit(failures == 0 ? 0 : 1);
        }
        children.push_back(child);
    }
    // Threads of this process write at the same time as the two processes.
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t) {
        threads.emplace_back([&key, t] {
            for (int i = 0; i < kValuesPerWriter; ++i) {
                const std::string name = "t" + std::to_string(t) + "_" + std::to_string(i);
                SetString(key, name.c_str(), name);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    std::vector<std::string> names;
    ASSERT_EQ(platform::RegistryListValues(key, &names), 0);
    EXPECT_EQ(names.size(), 4u * kValuesPerWriter);
    for (const char* prefix : {"p0_", "p1_", "t0_", "t1_"}) {
        for (int i = 0; i < kValuesPerWriter; ++i) {
            const std::string name = prefix + std::to_string(i);
            EXPECT_EQ(QueryString(key, name.c_str()), name);
        }
    }
}

} // namespace

namespace {

TEST(Registry, ANewMachineHasTheStandardKeys) {
    ScopedRoot root("[system]\narchitecture=x64\n");
    platform::RegistryKeyHandle key;
    EXPECT_EQ(platform::RegistryOpenKey(platform::RegistryRoot::CurrentUser,
                                        "Control Panel\\Desktop\\WindowMetrics", platform::kKeyRead,
                                        &key),
              platform::kErrorSuccess);
    EXPECT_EQ(platform::RegistryOpenKey(kHklm, kUninstall, platform::kKeyRead, &key),
              platform::kErrorSuccess);
    EXPECT_EQ(key.path, "SOFTWARE\\WOW6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
    EXPECT_EQ(platform::RegistryOpenKey(kHklm, kUninstall,
                                        platform::kKeyRead | platform::kKeyWow64_64Key, &key),
              platform::kErrorSuccess);
}

} // namespace
