// Shortcuts written as real shell link files and parsed back, the icon refresh, and launching
// as the desktop user.
#include "install/DesktopLaunch.h"
#include "install/Shortcuts.h"

#include "InstallTestSupport.h"
#include "app/Log.h"
#include "app/Result.h"
#include "platform/Descriptor.h"
#include "platform/DesktopUser.h"
#include "platform/Registry.h"
#include "platform/Shell.h"
#include "platform/ShellLink.h"
#include "platform/SpecialFolders.h"
#include "tests/common/LogCapture.h"

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include <unistd.h>

using namespace install_test;

namespace {

TEST(ShellLinkTest, RoundTripsEveryProperty) {
    std::vector<platform::ShellLink> links(3);
    links[0].target = L"C:\\Program Files (x86)\\Kelto\\Kelto Clipwave Converter.exe";
    links[0].workingFolder = L"C:\\Program Files (x86)\\Kelto";
    links[0].description = L"Kelto Clipwave ConverterApplication";
    links[0].arguments = L"--installmode /x \"quoted\"";
    links[0].iconPath = links[0].target;
    links[1].target = L"https://www.kelto.example/clipwave-converter";
    links[1].description = L"Kelto Clipwave ConverterHomepage";
    links[1].iconPath = links[1].target;
    links[2].target = L"C:\\Программы\\日本\\𝄞 music.exe";
    links[2].iconPath = L"C:\\icons\\a.ico";
    links[2].iconIndex = 3;
    links[2].showCommand = 7;
    for (const platform::ShellLink& link : links) {
        platform::ShellLink read;
        const std::string bytes = platform::EncodeShellLink(link);
        ASSERT_TRUE(platform::DecodeShellLink(bytes, &read)) << fs::path(link.target);
        EXPECT_EQ(read.target, link.target);
        EXPECT_EQ(read.workingFolder, link.workingFolder);
        EXPECT_EQ(read.description, link.description);
        EXPECT_EQ(read.arguments, link.arguments);
        EXPECT_EQ(read.iconPath, link.iconPath);
        EXPECT_EQ(read.iconIndex, link.iconIndex);
        EXPECT_EQ(read.showCommand, link.showCommand);
        // The documented header: size 0x4C and the shell link class id.
        EXPECT_EQ(bytes.substr(0, 4), std::string("\x4C\0\0\0", 4));
        EXPECT_EQ(static_cast<uint8_t>(bytes[4]), 0x01);
        EXPECT_EQ(static_cast<uint8_t>(bytes[19]), 0x46);
        // Every truncation is refused or read without reaching past the end.
        for (size_t length = 0; length < bytes.size(); ++length) {
            platform::DecodeShellLink(bytes.substr(0, length), &read);
        }
    }
    platform::ShellLink read;
    EXPECT_FALSE(platform::DecodeShellLink(std::string(100, 'x'), &read));
}

class ShortcutTest : public RootFixture {
protected:
    void SetUp() override {
        RootFixture::SetUp();
        m_log.emplace();
        m_texts.uninstallApplication = L"Uninstall Application";
        m_texts.application = L"Application";
        m_texts.homepage = L"Homepage";
        m_texts.productOnline = L"__PRODUCT_NAME__ Online";
        m_texts.uninstallProduct = L"Uninstall __PRODUCT_NAME__";
    }
    void TearDown() override {
        m_log.reset();
        RootFixture::TearDown();
    }
    static std::wstring Folder(platform::SpecialFolder kind) {
        std::wstring path;
        EXPECT_TRUE(platform::GetSpecialFolderPath(kind, &path));
        return path;
    }
    static platform::ShellLink Load(const std::wstring& path) {
        platform::ShellLink link;
        EXPECT_TRUE(platform::LoadShellLink(path, &link)) << fs::path(path);
        return link;
    }
    std::vector<std::string> LogLines() { return testing_support::LogCapture::Lines(); }
    void CreateConverterShortcuts(bool desktop) {
        CreateShortcuts(m_programFolder, m_executable, m_uninstaller, m_home, m_name, desktop,
                        m_texts);
    }

    std::optional<testing_support::LogCapture> m_log;
    ShortcutTexts m_texts;
    const std::wstring m_programFolder = L"C:\\Program Files\\Kelto\\Kelto Clipwave Converter";
    const std::wstring m_executable = m_programFolder + L"\\Kelto Clipwave Converter64.exe";
    const std::wstring m_uninstaller = m_programFolder + L"\\uninstall.exe";
    const std::wstring m_home = L"https://www.kelto.example/clipwave-converter";
    const std::wstring m_name = L"Kelto Clipwave Converter (x64)";
};

TEST_F(ShortcutTest, CreatesTheSevenLinks) {
    CreateConverterShortcuts(true);

    const std::wstring desktop = Folder(platform::SpecialFolder::Desktop);
    platform::ShellLink link = Load(desktop + L"\\" + m_name + L".lnk");
    EXPECT_EQ(link.target, m_executable);
    EXPECT_EQ(link.workingFolder, m_programFolder);
    EXPECT_EQ(link.description, m_name + L"Application");
    EXPECT_EQ(link.iconPath, m_executable);
    EXPECT_EQ(link.iconIndex, 0);
    EXPECT_EQ(link.showCommand, 1u);
    EXPECT_TRUE(link.arguments.empty());

    for (platform::SpecialFolder kind :
         {platform::SpecialFolder::Programs, platform::SpecialFolder::CommonPrograms}) {
        const std::wstring group = Folder(kind) + L"\\" + m_name + L"\\";
        link = Load(group + m_name + L".lnk");
        EXPECT_EQ(link.target, m_executable);
        EXPECT_EQ(link.workingFolder, m_programFolder);
        EXPECT_EQ(link.description, m_name + L"Application");
        link = Load(group + L"Uninstall " + m_name + L".lnk");
        EXPECT_EQ(link.target, m_uninstaller);
        EXPECT_EQ(link.workingFolder, m_programFolder);
        EXPECT_EQ(link.description, m_name + L"Uninstall Application");
        link = Load(group + m_name + L" Online.lnk");
        EXPECT_EQ(link.target, m_home);
        EXPECT_TRUE(link.workingFolder.empty());
        EXPECT_EQ(link.description, m_name + L"Homepage");
        EXPECT_EQ(link.showCommand, 1u);
        size_t count = 0;
        for (const auto& entry : fs::directory_iterator(Host(group))) {
            count += entry.path().extension() == ".lnk";
        }
        EXPECT_EQ(count, 3u);
    }
    EXPECT_THAT(LogLines(), ::testing::ElementsAre("Create DESKTOP Icons Finish.",
                                                   "Create START_MENU Icons Finish."));

    // A second run replaces all seven, also a damaged one.
    const std::wstring damaged = Folder(platform::SpecialFolder::CommonPrograms) + L"\\" + m_name +
                                 L"\\" + m_name + L" Online.lnk";
    WriteFile(Host(damaged), "not a link");
    CreateConverterShortcuts(true);
    EXPECT_EQ(Load(damaged).target, m_home);
    EXPECT_EQ(Load(desktop + L"\\" + m_name + L".lnk").target, m_executable);
}

TEST_F(ShortcutTest, TheDesktopLinkOnlyWithItsCheckBox) {
    CreateConverterShortcuts(false);
    const std::wstring desktop = Folder(platform::SpecialFolder::Desktop);
    EXPECT_FALSE(fs::exists(Host(desktop + L"\\" + m_name + L".lnk")));
    EXPECT_THAT(LogLines(), ::testing::ElementsAre("Create START_MENU Icons Finish."));
    EXPECT_EQ(Load(Folder(platform::SpecialFolder::CommonPrograms) + L"\\" + m_name + L"\\" +
                   m_name + L".lnk")
                  .target,
              m_executable);
}

TEST_F(ShortcutTest, SingleShortcutErrors) {
    EXPECT_EQ(CreateShortcut(nullptr, nullptr, L"a", kShortcutDesktop, nullptr, nullptr, nullptr,
                             nullptr),
              kEPointer);
    EXPECT_EQ(CreateShortcut(L"C:\\a.exe", nullptr, nullptr, kShortcutDesktop, nullptr, nullptr,
                             nullptr, nullptr),
              kEPointer);
    EXPECT_EQ(CreateShortcut(L"C:\\a.exe", nullptr, L"a", 5, nullptr, nullptr, nullptr, nullptr),
              kEFail);
    EXPECT_EQ(CreateShortcut(L"C:\\a.exe", nullptr, L"a", kShortcutPrograms, L"Group\\Sub", nullptr,
                             L"C:\\a.ico", L"/x"),
              kSOk);
    platform::ShellLink link =
        Load(Folder(platform::SpecialFolder::Programs) + L"\\Group\\Sub\\a.lnk");
    EXPECT_EQ(link.iconPath, L"C:\\a.ico");
    EXPECT_EQ(link.arguments, L"/x");
    EXPECT_TRUE(link.description.empty());
}

TEST_F(ShortcutTest, IconRefreshRoundTrip) {
    const char* key = "Control Panel\\Desktop\\WindowMetrics";
    auto setSize = [&](const char* text) {
        platform::RegistryKeyHandle handle;
        ASSERT_EQ(platform::RegistryCreateKey(platform::RegistryRoot::CurrentUser, key,
                                              platform::kKeyAllAccess, &handle),
                  0);
        if (text) {
            platform::RegistrySetValue(handle, "Shell Icon Size", platform::kRegSz, text,
                                       static_cast<uint32_t>(std::strlen(text) + 1));
        } else {
            platform::RegistryDeleteValue(handle, "Shell Icon Size");
        }
    };
    auto size = [&]() {
        platform::RegistryKeyHandle handle;
        if (platform::RegistryOpenKey(platform::RegistryRoot::CurrentUser, key, platform::kKeyRead,
                                      &handle) != 0) {
            return std::string("<no key>");
        }
        char buffer[64] = {};
        uint32_t type = 0, length = sizeof buffer - 1;
        if (platform::RegistryQueryValue(handle, "Shell Icon Size", &type, buffer, &length) != 0) {
            return std::string("<none>");
        }
        return std::string(buffer, length);
    };

    // A new machine has the key; without it nothing is written and both broadcasts still go out.
    ASSERT_EQ(platform::RegistryDeleteKey(platform::RegistryRoot::CurrentUser, key,
                                          platform::kKeyAllAccess),
              0);
    uint32_t before = platform::SettingChangeCountForTesting();
    EXPECT_TRUE(RefreshShellIcons());
    EXPECT_EQ(platform::SettingChangeCountForTesting(), before + 2);
    EXPECT_EQ(size(), "<no key>");

    struct Case {
        const char* stored;
        const char* during;
        const char* after;
    };
    for (const Case& test : std::vector<Case>{
             {"48", "49", "48"}, {"0", "33", "32"}, {"abc", "33", "32"}, {nullptr, "33", "32"}}) {
        SCOPED_TRACE(test.stored ? test.stored : "missing");
        setSize(test.stored);
        // The temporary size is held for a while: watch for it, with a bound.
        std::string seen;
        std::thread watcher([&] {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
            do {
                seen = size();
            } while (seen != test.during && std::chrono::steady_clock::now() < deadline);
        });
        before = platform::SettingChangeCountForTesting();
        EXPECT_TRUE(RefreshShellIcons());
        watcher.join();
        EXPECT_EQ(seen, test.during);
        EXPECT_EQ(size(), test.after);
        EXPECT_EQ(platform::SettingChangeCountForTesting(), before + 2);
    }
}

class DesktopLaunchTest : public RootFixture {
protected:
    void SetUp() override {
        RootFixture::SetUp();
        m_recordFolder = m_root / "records";
        fs::create_directories(m_recordFolder);
        fs::permissions(m_recordFolder, fs::perms::all);
        m_record = m_recordFolder / "record.txt";
        const char* display = std::getenv("DISPLAY");
        m_display = display ? display : "";
        unsetenv("DISPLAY");
        fs::path program = Host(m_program);
        fs::create_directories(program.parent_path());
        const char* testProduct = std::getenv("KELTO_TESTPRODUCT");
        ASSERT_NE(testProduct, nullptr)
            << "KELTO_TESTPRODUCT names the test program (CTest sets it)";
        fs::copy_file(testProduct, program);
        // A program started as another user gets a fresh environment: its settings come from
        // the file beside it.
        WriteFile(program.parent_path() / "testproduct.ini", "record=" + m_record.string() + "\n");
    }
    void TearDown() override {
        if (!m_display.empty()) {
            setenv("DISPLAY", m_display.c_str(), 1);
        }
        RootFixture::TearDown();
    }
    void SetDesktopUser(uint32_t userId) {
        WriteFile(m_root / "platform.ini",
                  "[system]\ndesktop_user_uid=" + std::to_string(userId) + "\n");
        platform::ResetRootForTesting();
    }
    static constexpr uint32_t kNobody = 65534;
    // Makes nobody the desktop user (settings override) and gives its record; the launch as
    // another user needs a run as root.
    void MakeNobodyTheDesktopUser(platform::UserIdentity* identity) {
        ASSERT_EQ(platform::CurrentUserId(), 0u) << "the launch needs an elevated run";
        ASSERT_TRUE(platform::LookUpUser(kNobody, identity));
        SetDesktopUser(kNobody);
    }
    // The record the started program wrote, once it is complete (at most 5 s).
    std::map<std::string, std::string> WaitForRecord() {
        std::map<std::string, std::string> record;
        for (int i = 0; i < 500; ++i) {
            std::string text = ReadFile(m_record);
            if (text.find("end\n") != std::string::npos) {
                std::istringstream in(text);
                std::string line;
                while (std::getline(in, line)) {
                    size_t equals = line.find('=');
                    if (equals != std::string::npos) {
                        record[line.substr(0, equals)] = line.substr(equals + 1);
                    }
                }
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return record;
    }

    fs::path m_recordFolder;
    fs::path m_record;
    std::string m_display;
    const std::wstring m_program = L"C:\\Program Files\\Kelto\\Kelto Clipwave Converter\\Kelto "
                                   L"Clipwave Converter.exe";
};

TEST_F(DesktopLaunchTest, StartsTheProgramAsTheDesktopUser) {
    const uint32_t nobody = kNobody;
    platform::UserIdentity identity;
    ASSERT_NO_FATAL_FAILURE(MakeNobodyTheDesktopUser(&identity));

    ASSERT_TRUE(LaunchAsDesktopUser(m_program.c_str(), L" --installmode", nullptr, 1));
    std::map<std::string, std::string> record = WaitForRecord();
    EXPECT_EQ(record["uid"], std::to_string(nobody));
    EXPECT_EQ(record["user"], identity.name);
    EXPECT_EQ(record["program"], "Kelto Clipwave Converter.exe");
    EXPECT_EQ(record["command_line"],
              "\"" + platform::WideToNarrow(m_program) + "\"  --installmode");
    EXPECT_EQ(record["argc"], "2");
    EXPECT_EQ(record["argv[1]"], "--installmode");

    ASSERT_TRUE(GetDesktopUserToken());
    EXPECT_EQ(GetDesktopUserToken()->userId, nobody);
}

// A real desktop session's stand-in: an X server and a dock window owned by another user's
// process. Its owner is the desktop user, and the launch runs as that user.
TEST_F(DesktopLaunchTest, TheTaskbarOwnerOfTheDisplayIsTheDesktopUser) {
    ASSERT_EQ(platform::CurrentUserId(), 0u) << "the launch needs an elevated run";
    if (!fs::exists("/usr/bin/Xvfb")) {
        GTEST_SKIP() << "Xvfb is not installed";
    }
    // A display number that no other server holds (its lock file and socket are absent).
    int number = 300 + static_cast<int>(platform::CurrentProcessId() % 400);
    auto taken = [](int n) {
        return fs::exists("/tmp/.X" + std::to_string(n) + "-lock") ||
               fs::exists("/tmp/.X11-unix/X" + std::to_string(n));
    };
    for (int tries = 0; tries < 100 && taken(number); ++tries) {
        ++number;
    }
    ASSERT_FALSE(taken(number));
    const std::string display = ":" + std::to_string(number);
    platform::StartRequest server;
    server.application = L"/usr/bin/Xvfb";
    // -noreset: the server must not restart whenever its last client leaves.
    server.commandLine = L"Xvfb " + platform::NarrowToWide(display) + L" -nolisten tcp -noreset";
    struct Ender {
        std::vector<std::unique_ptr<platform::Process>> processes;
        ~Ender() {
            for (auto& process : processes) {
                process->Terminate(0);
                process->Wait(2000);
            }
        }
    } ender;
    ender.processes.push_back(platform::StartProcess(server));
    ASSERT_TRUE(ender.processes.back());
    const fs::path socket = "/tmp/.X11-unix/X" + std::to_string(number);
    for (int i = 0; i < 500 && !fs::exists(socket); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(fs::exists(socket));
    setenv("DISPLAY", display.c_str(), 1);
    // The socket appears before the server answers: wait until a client gets through.
    bool answers = false;
    for (int i = 0; i < 500 && !answers; ++i) {
        answers = platform::DockWindowForTesting::Create() != nullptr;
        if (!answers) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ASSERT_TRUE(answers);
    EXPECT_EQ(platform::FindTaskbarProcess(), 0u); // a display without a taskbar
    EXPECT_FALSE(GetDesktopUserToken());

    const uint32_t nobody = 65534;
    platform::UserIdentity identity;
    ASSERT_TRUE(platform::LookUpUser(nobody, &identity));
    {
        // A forged taskbar: root's own client claims, in the property any client may set, to be
        // another process. The server knows better, and root is never the desktop user.
        testing_support::LogCapture log;
        const auto forged = platform::DockWindowForTesting::Create(1);
        ASSERT_TRUE(forged);
        EXPECT_EQ(platform::FindTaskbarProcess(), platform::CurrentProcessId());
        EXPECT_FALSE(GetDesktopUserToken());
        EXPECT_FALSE(LaunchAsDesktopUser(m_program.c_str(), L" --installmode", nullptr, 1));
        EXPECT_THAT(log.All(), ::testing::HasSubstr("no desktop user: the display's dock "
                                                    "windows belong to no user but root"));
    }

    // The real taskbar: another user's process, whose window also claims pid 1. Its session
    // has an X authority file of that user, which programs started as the user get too.
    const fs::path taskbarProgram = m_root / "taskbar" / "taskbar.exe";
    fs::create_directories(taskbarProgram.parent_path());
    fs::copy_file(std::getenv("KELTO_TESTPRODUCT"), taskbarProgram);
    WriteFile(taskbarProgram.parent_path() / "testproduct.ini",
              "dock=1\nsleep_ms=20000\ndock_pid=1\n");
    const fs::path authority = taskbarProgram.parent_path() / "Xauthority";
    WriteFile(authority, "");
    ASSERT_EQ(chown(authority.c_str(), nobody, nobody), 0);
    platform::StartRequest taskbar;
    taskbar.application = L"/usr/bin/env";
    taskbar.commandLine =
        L"env XAUTHORITY=" + authority.wstring() + L" " + taskbarProgram.wstring();
    taskbar.user = &identity;
    ender.processes.push_back(platform::StartProcess(taskbar));
    platform::Process* owner = ender.processes.back().get();
    ASSERT_TRUE(owner);
    uint32_t found = 0;
    for (int i = 0; i < 500 && found == 0; ++i) {
        found = platform::FindTaskbarProcess();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    uint32_t ownerState = 0;
    owner->GetExitCode(&ownerState);
    EXPECT_EQ(found, owner->Id()) << "taskbar process state " << ownerState;

    EXPECT_TRUE(LaunchAsDesktopUser(m_program.c_str(), L" --installmode", nullptr, 1));
    std::map<std::string, std::string> record = WaitForRecord();
    EXPECT_EQ(record["uid"], std::to_string(nobody));
    EXPECT_EQ(record["argv[1]"], "--installmode");
    EXPECT_EQ(record["env:DISPLAY"], display);
    EXPECT_EQ(record["env:XAUTHORITY"], authority.string());
}

// What a program started as the desktop user receives of root's: no open descriptor and no
// variable beyond the fresh environment made for that user. A hand-over started as root gets no
// stray descriptor either.
TEST_F(DesktopLaunchTest, ProgramsStartWithoutRootsDescriptorsOrEnvironment) {
    const uint32_t nobody = kNobody;
    platform::UserIdentity identity;
    ASSERT_NO_FATAL_FAILURE(MakeNobodyTheDesktopUser(&identity));
    // A root-only file, open through the platform's own service and through a plain open that
    // does not ask for close-on-exec (as any library might).
    WriteFile(Host(L"C:\\secret.txt"), "root only");
    fs::permissions(Host(L"C:\\secret.txt"), fs::perms(0600));
    const platform::FilePtr platformFile = platform::OpenFile(L"C:\\secret.txt", "rb");
    const platform::FilePtr plainFile(std::fopen(Host(L"C:\\secret.txt").c_str(), "r"));
    ASSERT_TRUE(platformFile && plainFile);
    const std::map<std::string, std::string> roots = {
        {"LD_PRELOAD", "/nonexistent/libprobe.so"}, {"XAUTHORITY", "/root/.Xauthority"},
        {"XDG_RUNTIME_DIR", "/run/user/0"},         {"PATH", "/root/bin:/usr/sbin:/usr/bin"},
        {"KELTO_PROBE_SECRET", "root's"},           {"LANG", "de_DE.UTF-8"}};
    for (const auto& [name, value] : roots) {
        setenv(name.c_str(), value.c_str(), 1);
    }
    const bool started = LaunchAsDesktopUser(m_program.c_str(), L" --installmode", nullptr, 1);
    std::map<std::string, std::string> record = WaitForRecord();
    for (const auto& [name, value] : roots) {
        unsetenv(name.c_str());
    }
    ASSERT_TRUE(started);
    EXPECT_EQ(record["uid"], std::to_string(nobody));
    EXPECT_EQ(record["descriptors"], "");
    std::map<std::string, std::string> environment;
    for (const auto& [key, value] : record) {
        if (key.rfind("env:", 0) == 0) {
            environment[key.substr(4)] = value;
        }
    }
    environment.erase("KELTO_COMMAND_LINE");
    const std::map<std::string, std::string> expected = {{"HOME", identity.home},
                                                         {"USER", identity.name},
                                                         {"LOGNAME", identity.name},
                                                         {"SHELL", identity.shell},
                                                         {"PATH", "/usr/local/bin:/usr/bin:/bin"},
                                                         {"LANG", "de_DE.UTF-8"},
                                                         {"KELTO_ROOT", m_root.string()}};
    EXPECT_EQ(environment, expected);

    // The hand-over to an installed program runs as root, with root's environment, but with no
    // descriptor of the installer.
    fs::remove(m_record);
    std::unique_ptr<platform::Process> process;
    EXPECT_GT(platform::ShellExecute(L"open", m_program.c_str(), L"/install", nullptr, 0, &process),
              32);
    ASSERT_TRUE(process);
    EXPECT_TRUE(process->Wait(5000));
    record = WaitForRecord();
    EXPECT_EQ(record["uid"], "0");
    EXPECT_EQ(record["descriptors"], "");
}

TEST_F(DesktopLaunchTest, WithoutADesktopUserNothingStarts) {
    EXPECT_FALSE(GetDesktopUserToken());
    EXPECT_FALSE(LaunchAsDesktopUser(m_program.c_str(), L" --installmode", nullptr, 1));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(m_record));

    SetDesktopUser(4000000000u); // no such user
    EXPECT_FALSE(LaunchAsDesktopUser(m_program.c_str(), L" --installmode", nullptr, 1));
}

TEST_F(DesktopLaunchTest, ShellOpenStartsFilesAndRefusesMissingOnes) {
    std::unique_ptr<platform::Process> process;
    EXPECT_GT(
        platform::ShellExecute(L"open", m_program.c_str(), L"/install /new ", nullptr, 0, &process),
        32);
    ASSERT_TRUE(process);
    EXPECT_TRUE(process->Wait(5000));
    std::map<std::string, std::string> record = WaitForRecord();
    EXPECT_EQ(record["command_line"],
              "\"" + platform::WideToNarrow(m_program) + "\" /install /new ");
    EXPECT_EQ(record["uid"], "0");
    EXPECT_EQ(platform::ShellExecute(L"open", L"C:\\missing.exe", nullptr, nullptr, 1),
              platform::kShellFileNotFound);
    EXPECT_EQ(platform::ShellExecute(L"print", m_program.c_str(), nullptr, nullptr, 1),
              platform::kShellNoAssociation);

    // A web address goes to the browser as its one argument, started as the desktop user: an
    // elevated process without one starts no browser at all.
    fs::remove(m_record);
    setenv("BROWSER", Host(m_program).c_str(), 1);
    const wchar_t* page = L"https://www.kelto.example/welcome?a=1&b=2";
    EXPECT_EQ(platform::ShellExecute(L"open", page, nullptr, nullptr, 1),
              platform::kShellNoAssociation);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(m_record));
    const uint32_t nobody = 65534;
    SetDesktopUser(nobody);
    EXPECT_GT(platform::ShellExecute(L"open", page, nullptr, nullptr, 1), 32);
    unsetenv("BROWSER");
    record = WaitForRecord();
    EXPECT_EQ(record["argv[1]"], "https://www.kelto.example/welcome?a=1&b=2");
    EXPECT_EQ(record["uid"], std::to_string(nobody));
}

} // namespace
