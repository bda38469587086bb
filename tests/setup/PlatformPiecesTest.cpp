// The platform pieces behind the setup window's commands, driven through the controller: the
// folder chooser (a fake zenity on $PATH, since the real one needs a display; the end-to-end test
// drives the real one), the web pages started as the desktop user (the test product records how
// it was started, standing in for the browser), and the string resources.
#include "SetupFixture.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/Elevation.h"
#include "platform/FileSystem.h"
#include "platform/FolderBrowser.h"
#include "res/Resources.h"

namespace setup_testing {
namespace {

namespace fs = std::filesystem;
using testing_support::LogCapture;

std::string ReadText(const fs::path& file) {
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A stand-in for zenity: records its arguments and answers what the test asks for.
class FakeZenity {
public:
    explicit FakeZenity(const fs::path& folder) : m_folder(folder) {
        fs::create_directories(folder);
        std::ofstream(folder / "zenity") << "#!/bin/sh\n"
                                            "printf '%s\\n' \"$@\" > \"$FAKE_ZENITY_ARGS\"\n"
                                            "printf '%s' \"$FAKE_ZENITY_ANSWER\"\n"
                                            "exit \"$FAKE_ZENITY_EXIT\"\n";
        fs::permissions(folder / "zenity", fs::perms::owner_all);
        m_oldPath = std::getenv("PATH");
        setenv("PATH", (folder.string() + ":" + m_oldPath).c_str(), 1);
        setenv("FAKE_ZENITY_ARGS", (folder / "args").c_str(), 1);
    }
    ~FakeZenity() {
        setenv("PATH", m_oldPath.c_str(), 1);
        unsetenv("FAKE_ZENITY_ANSWER");
        unsetenv("FAKE_ZENITY_EXIT");
    }
    void Answer(const std::string& answer, int exitCode) {
        setenv("FAKE_ZENITY_ANSWER", answer.c_str(), 1);
        setenv("FAKE_ZENITY_EXIT", std::to_string(exitCode).c_str(), 1);
        fs::remove(m_folder / "args");
    }
    std::string Arguments() const { return ReadText(m_folder / "args"); }

private:
    fs::path m_folder;
    std::string m_oldPath;
};

TEST_F(SetupWindowTest, BrowseMapsTheChoiceBackOrChangesNothing) {
    Open();
    FakeZenity zenity(m_root->Folder() / "bin");
    const fs::path driveC = m_root->Folder() / "drive_c";
    fs::create_directories(driveC / "Apps" / "Chosen");
    const std::wstring start = m_dialog->InstallPath();
    struct Case {
        const char* name;
        std::string answer;
        int exitCode;
        std::wstring expected; // empty: nothing changes
        const char* logged;
    };
    const Case cases[] = {
        {"chosen", (driveC / "Apps" / "Chosen").string() + "\n", 0, L"C:\\Apps\\Chosen", nullptr},
        {"cancelled", "", 1, L"", "OnBtnBrower()NULL == idl, error = "},
        {"outside every drive", "/usr\n", 0, L"", "the chosen folder lies on no drive"},
        {"garbage", "not a path at all\n", 0, L"", "not one existing folder"},
        {"two lines", (driveC / "Apps").string() + "\n/usr\n", 0, L"", "not one existing folder"},
        {"missing folder", (driveC / "Nowhere").string() + "\n", 0, L"", "not one existing folder"},
        {"chooser error", "", 255, L"", "no folder chooser could be started"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::SetWindowText(m_dialog->Controls().pathEdit, start);
        zenity.Answer(c.answer, c.exitCode);
        const std::wstring before = m_dialog->InstallPath();
        LogCapture::Clear();
        Command(kCmdBrowse);
        const std::wstring expected = c.expected.empty() ? before : c.expected;
        EXPECT_EQ(m_dialog->InstallPath(), expected);
        EXPECT_EQ(platform::GetWindowText(m_dialog->Controls().pathEdit),
                  c.expected.empty() ? start : c.expected);
        EXPECT_EQ(LogCapture::Count("OnBtnBrower() path = "), 1);
        if (c.logged != nullptr) {
            EXPECT_EQ(LogCapture::Count(c.logged), 1) << LogCapture::All();
        }
    }
    // The chooser was asked with the title text 17 and the last install path preselected.
    zenity.Answer("", 1);
    Command(kCmdBrowse);
    const std::string arguments = zenity.Arguments();
    EXPECT_NE(arguments.find("--directory\n"), std::string::npos) << arguments;
    EXPECT_NE(arguments.find("--title=Select a folder from the list below, and then click OK.\n"),
              std::string::npos)
        << arguments;
    EXPECT_NE(arguments.find("--filename=" + (driveC / "Apps" / "Chosen").string() + "/\n"),
              std::string::npos)
        << arguments;
}

TEST_F(SetupWindowTest, BrowseAppendsTheRootNameUnlessTheChoiceHoldsIt) {
    Open();
    FakeZenity zenity(m_root->Folder() / "bin");
    const fs::path driveC = m_root->Folder() / "drive_c";
    fs::create_directories(driveC / "Apps" / "Kelto Clipwave Converter");
    SetHeaderText(m_dialog->InstallRecordForTesting().rootName, "Kelto Clipwave Converter");
    zenity.Answer((driveC / "Apps").string() + "\n", 0);
    Command(kCmdBrowse);
    EXPECT_EQ(m_dialog->InstallPath(), L"C:\\Apps\\Kelto Clipwave Converter");
    zenity.Answer((driveC / "Apps" / "Kelto Clipwave Converter").string() + "\n", 0);
    Command(kCmdBrowse);
    EXPECT_EQ(m_dialog->InstallPath(), L"C:\\Apps\\Kelto Clipwave Converter");
}

TEST_F(SetupWindowTest, BrowseWithoutZenityChangesNothing) {
    Open();
    const std::string oldPath = std::getenv("PATH");
    setenv("PATH", (m_root->Folder() / "empty").c_str(), 1);
    const std::wstring before = m_dialog->InstallPath();
    Command(kCmdBrowse);
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(m_dialog->InstallPath(), before);
    EXPECT_EQ(LogCapture::Count("OnBtnBrower()NULL == idl, error = 0x2"), 1) << LogCapture::All();
}

// The record the test product wrote when it was started as the browser.
std::map<std::string, std::string> WaitForRecord(const fs::path& file) {
    std::map<std::string, std::string> record;
    PumpUntil([&] { return ReadText(file).find("end\n") != std::string::npos; }, 5000);
    std::istringstream in(ReadText(file));
    std::string line;
    while (std::getline(in, line)) {
        if (size_t equals = line.find('='); equals != std::string::npos) {
            record[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return record;
}

TEST_F(SetupWindowTest, WebPagesOpenAsTheDesktopUserAndNeverAsRoot) {
    const char* testProduct = std::getenv("KELTO_TESTPRODUCT");
    ASSERT_NE(testProduct, nullptr) << "KELTO_TESTPRODUCT names the test program (CTest sets it)";
    const fs::path records = m_root->Folder() / "records";
    fs::create_directories(records);
    fs::permissions(records, fs::perms::all);
    const fs::path browser = m_root->Folder() / "browser";
    fs::copy_file(testProduct, browser);
    setenv("BROWSER", browser.c_str(), 1);
    // A program started as another user gets a fresh environment: the record's place goes
    // through the test program's settings file.
    std::ofstream(m_root->Folder() / "testproduct.ini")
        << "record=" << (records / "record.txt").string() << "\n";

    // No desktop user: an elevated installer starts no browser.
    Open();
    Command(kCmdLicence);
    platform::PumpMessages(200);
    EXPECT_FALSE(fs::exists(records / "record.txt"));
    Close();

    const uint32_t nobody = 65534;
    Settings("[system]\ndesktop_user_uid=" + std::to_string(nobody) + "\n");
    Open();
    const struct {
        int id;
        std::string url;
    } pages[] = {
        {kCmdLicence, "https://www.kelto.example/user-license-agreement?source=client"},
        {kCmdProgramme, "https://www.kelto.example/user-experience?source=client1.0.0.0"},
    };
    for (const auto& page : pages) {
        fs::remove(records / "record.txt");
        Command(page.id);
        std::map<std::string, std::string> record = WaitForRecord(records / "record.txt");
        EXPECT_EQ(record["argv[1]"], page.url);
        EXPECT_EQ(record["uid"], std::to_string(nobody));
    }
    // No special-edition address in this build: the command opens nothing.
    fs::remove(records / "record.txt");
    Command(kCmdSpecialEdition);
    platform::PumpMessages(200);
    EXPECT_FALSE(fs::exists(records / "record.txt"));
    unsetenv("BROWSER");
}

TEST(StringResources, CarryTheBuildConstantsWithinTheBuffer) {
    wchar_t buffer[260];
    EXPECT_EQ(LoadResourceString(1501, buffer, 260), 21);
    EXPECT_STREQ(buffer, L"channel.kelto.example");
    EXPECT_EQ(LoadResourceString(1500, buffer, 260), 0); // empty in this build
    EXPECT_STREQ(buffer, L"");
    EXPECT_EQ(LoadResourceString(1502, buffer, 260), 0);
    wchar_t small[8];
    EXPECT_EQ(LoadResourceString(1501, small, 8), 7);
    EXPECT_STREQ(small, L"channel");
    EXPECT_EQ(LoadResourceString(1501, nullptr, 8), 0);
}

TEST(ChooserAnswer, MapsOnlyOneExistingFolderOnADrive) {
    testing_support::ScopedRoot root("[drives]\nC=drive_c\n");
    fs::create_directories(root.Folder() / "drive_c" / "Apps");
    const std::string apps = (root.Folder() / "drive_c" / "Apps").string();
    const struct {
        std::string answer;
        platform::BrowseOutcome outcome;
        std::wstring path;
    } cases[] = {
        {apps + "\n", platform::BrowseOutcome::Chosen, L"C:\\Apps"},
        {apps, platform::BrowseOutcome::Chosen, L"C:\\Apps"},
        {"/usr\n", platform::BrowseOutcome::OutsideDrives, L""},
        {"", platform::BrowseOutcome::BadAnswer, L""},
        {"Apps\n", platform::BrowseOutcome::BadAnswer, L""},
        {apps + "\n" + apps + "\n", platform::BrowseOutcome::BadAnswer, L""},
        {apps + std::string("\0x", 2), platform::BrowseOutcome::BadAnswer, L""},
        {apps + "\xff\n", platform::BrowseOutcome::BadAnswer, L""},
    };
    for (const auto& c : cases) {
        platform::BrowseResult result = platform::MapChooserAnswer(c.answer);
        EXPECT_EQ(result.outcome, c.outcome) << c.answer;
        EXPECT_EQ(result.path, c.path) << c.answer;
    }
}

TEST(Elevation, PassesTheDisplayAndTheProgramsSettings) {
    setenv("DISPLAY", ":42", 1);
    setenv("XAUTHORITY", "/tmp/cookie", 1);
    setenv("KELTO_DPI", "120", 1);
    setenv("LANG", "de_DE.UTF-8", 1);
    std::vector<std::string> variables = platform::ElevatedEnvironment();
    unsetenv("KELTO_DPI");
    for (const char* wanted :
         {"DISPLAY=:42", "XAUTHORITY=/tmp/cookie", "KELTO_DPI=120", "LANG=de_DE.UTF-8"}) {
        EXPECT_NE(std::find(variables.begin(), variables.end(), wanted), variables.end()) << wanted;
    }
    for (const std::string& variable : variables) {
        EXPECT_NE(variable.rfind("PATH=", 0), 0u) << "PATH is pkexec's own";
    }
}

TEST(Elevation, WithoutPkexecNothingStarts) {
    const std::string oldPath = std::getenv("PATH");
    setenv("PATH", "/nonexistent", 1);
    platform::ElevationResult result = platform::RunElevatedCopy("/bin/true", {});
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_EQ(result.outcome, platform::ElevationOutcome::NoPrompt);
    EXPECT_EQ(result.why, "pkexec is not installed");
}

} // namespace
} // namespace setup_testing
