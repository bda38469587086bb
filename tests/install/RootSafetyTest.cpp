// The installer runs as root in folders other users may write into. These cases replay what a
// hostile local user does meanwhile (swapping a folder for a link in a loop, from a process of
// another user) and check that nothing outside the installation folder changes: a root-owned
// decoy folder stays byte for byte, mode for mode and time for time as it was.
#include "install/ArchiveEngine.h"
#include "install/SevenZipExtractor.h"

#include "InstallTestSupport.h"
#include "platform/SpecialFolders.h"

#include <gmock/gmock.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <linux/fs.h>

#include <map>

using namespace install_test;

namespace {

constexpr uid_t kNobody = 65534;

struct EntryState {
    std::string content;
    unsigned mode = 0;
    int64_t modified = 0;
    bool operator==(const EntryState& other) const {
        return content == other.content && mode == other.mode && modified == other.modified;
    }
};

// Everything below a folder as it lies on disk: content, mode and modification time per entry.
std::map<std::string, EntryState> Snapshot(const fs::path& folder) {
    std::map<std::string, EntryState> state;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        struct stat status {};
        lstat(entry.path().c_str(), &status);
        EntryState item;
        item.mode = status.st_mode;
        item.modified =
            static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
        if (entry.is_regular_file()) {
            item.content = ReadFile(entry.path());
        }
        state[fs::relative(entry.path(), folder).string()] = item;
    }
    struct stat status {};
    lstat(folder.c_str(), &status);
    state["."] = EntryState{"", status.st_mode,
                            static_cast<int64_t>(status.st_mtim.tv_sec) * 1000000000 +
                                status.st_mtim.tv_nsec};
    return state;
}

// A process of another user that swaps a folder and a link to the decoy, atomically and in a
// loop, until it is ended.
class Swapper {
public:
    Swapper(const fs::path& folder, const fs::path& link) {
        m_pid = fork();
        if (m_pid == 0) {
            if (setgid(kNobody) != 0 || setuid(kNobody) != 0) {
                _exit(1);
            }
            while (true) {
                syscall(SYS_renameat2, AT_FDCWD, folder.c_str(), AT_FDCWD, link.c_str(),
                        RENAME_EXCHANGE);
            }
        }
    }
    ~Swapper() {
        kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }

private:
    pid_t m_pid = -1;
};

class RootSafetyTest : public RootFixture {
protected:
    void SetUp() override {
        RootFixture::SetUp();
        ASSERT_EQ(geteuid(), 0u) << "these cases replay attacks on a process running as root";
        // The decoy: root's own files outside every installation folder.
        m_decoy = m_root / "decoy";
        for (int i = 0; i < 40; ++i) {
            WriteFile(m_decoy / ("file" + std::to_string(i)), "root's " + std::to_string(i));
            fs::permissions(m_decoy / ("file" + std::to_string(i)), fs::perms(0600));
        }
        WriteFile(m_decoy / "inner" / "deep.txt", "deep");
        fs::last_write_time(m_decoy / "file0", fs::file_time_type() + std::chrono::hours(1));
        m_decoyState = Snapshot(m_decoy);
        // Other users pass through the test's folders, as they pass through /var/lib.
        fs::permissions(m_root, fs::perms(0755));
    }
    // A folder of the emulated machine that the hostile user owns (and so may write into).
    fs::path HostileFolder(const std::wstring& windowsPath) {
        fs::path host = Host(windowsPath);
        fs::create_directories(host);
        for (fs::path p = host; p != m_root; p = p.parent_path()) {
            fs::permissions(p, fs::perms(0755), fs::perm_options::add);
        }
        EXPECT_EQ(chown(host.c_str(), kNobody, kNobody), 0);
        return host;
    }
    void ExpectDecoyUnchanged() { EXPECT_TRUE(Snapshot(m_decoy) == m_decoyState); }

    fs::path m_decoy;
    std::map<std::string, EntryState> m_decoyState;
};

TEST_F(RootSafetyTest, ExtractionNeverLeavesTheFolderWhileAnotherUserSwapsInALink) {
    fs::path source = m_scratch / "source";
    // Among them the decoy's own names, which a followed link would replace.
    for (int i = 0; i < 1500; ++i) {
        const fs::path file = source / "sub" / ("file" + std::to_string(i));
        WriteFile(file, "new " + std::to_string(i));
        fs::permissions(file, fs::perms(0777));
    }
    const std::string archive = MakeArchive(source, m_scratch / "a.7z");
    const std::wstring destination = L"C:\\Program Files\\Kelto Clipwave Converter Pro";

    int refusals = 0;
    C7ZOperator callback([&](int code, unsigned value, long) {
        refusals += code == kEventExtractError && value == kArchiveErrorData;
        return 1;
    });
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        fs::remove_all(Host(destination));
        const fs::path folder = HostileFolder(destination);
        fs::create_directories(folder / "sub");
        EXPECT_EQ(chown((folder / "sub").c_str(), kNobody, kNobody), 0);
        fs::create_symlink(m_decoy, folder / "evil");
        {
            Swapper swapper(folder / "sub", folder / "evil");
            C7ZExtractor extractor(&callback);
            const int before = refusals;
            const bool extracted =
                extractor.ExtractFromMemory(archive.data(), static_cast<uint32_t>(archive.size()),
                                            platform::WideToNarrow(destination).c_str());
            // A refused item makes the extraction fail; a round the swap never hit succeeds.
            EXPECT_EQ(extracted, refusals == before);
        }
        ExpectDecoyUnchanged();
        // Whatever landed is root's and writable by root alone.
        for (const fs::path& sub : {folder / "sub", folder / "evil"}) {
            if (!fs::is_directory(fs::symlink_status(sub))) {
                continue;
            }
            for (const auto& entry : fs::directory_iterator(sub)) {
                EXPECT_EQ(static_cast<unsigned>(entry.status().permissions()) & 022, 0u)
                    << entry.path();
            }
        }
    }
    // The attack was live: items met the link on their way and were refused.
    EXPECT_GT(refusals, 0);
}

TEST_F(RootSafetyTest, TheWipeNeverLeavesTheFolderWhileAnotherUserSwapsInALink) {
    const std::wstring install = L"C:\\Apps\\Kelto";
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const fs::path folder = Host(install);
        const fs::path product = folder / "Kelto Clipwave Converter";
        for (int i = 0; i < 1500; ++i) {
            WriteFile(product / "sub" / ("file" + std::to_string(i)), "old");
        }
        HostileFolder(install + L"\\Kelto Clipwave Converter");
        fs::create_symlink(m_decoy, product / "evil");
        bool gone = false;
        {
            Swapper swapper(product / "sub", product / "evil");
            gone = DeleteTree(install);
        }
        ExpectDecoyUnchanged();
        // The swapper may have kept one name busy; a second wipe then finishes the job.
        if (!gone) {
            EXPECT_TRUE(DeleteTree(install));
        }
        EXPECT_FALSE(fs::exists(fs::symlink_status(folder)));
    }
}

// Paths that name a protected folder in another spelling, a link on the way, and a tree deeper
// than a Windows path may reach.
TEST_F(RootSafetyTest, TheWipeGuardSeesThePathTheMappingSees) {
    std::wstring desktop, downloads;
    ASSERT_TRUE(platform::GetSpecialFolderPath(platform::SpecialFolder::Desktop, &desktop));
    ASSERT_TRUE(platform::GetSpecialFolderPath(platform::SpecialFolder::Downloads, &downloads));
    const std::wstring users = desktop.substr(0, desktop.find(L"\\Desktop"));
    const std::wstring user = users.substr(users.rfind(L'\\') + 1);
    WriteFile(Host(desktop) / "mine.txt", "mine");
    WriteFile(Host(downloads) / "Kelto Clipwave Converter" / "package.exe", "package");
    WriteFile(Host(L"C:\\Program Files\\Other\\other.exe"), "other");
    fs::create_directories(Host(desktop) / "x");
    fs::create_directories(Host(L"C:\\Program Files\\x"));

    const std::vector<std::wstring> refused = {
        L"C:\\Program Files\\x\\..",
        desktop + L"\\x\\..",
        L"C:\\Users\\\\" + user + L"\\Desktop",
        downloads + L"\\.\\",
        L"C:\\Users\\.\\" + user + L"\\\\Downloads\\",
        L"c:\\program files\\",
    };
    for (const std::wstring& path : refused) {
        SCOPED_TRACE(fs::path(path).string());
        EXPECT_FALSE(DeleteTree(path));
        EXPECT_FALSE(DeleteTree(platform::WideToNarrow(path).c_str()));
        EXPECT_FALSE(WhyFolderMayNotBeCleared(path).empty());
    }
    EXPECT_EQ(ReadFile(Host(desktop) / "mine.txt"), "mine");
    EXPECT_EQ(ReadFile(Host(downloads) / "Kelto Clipwave Converter" / "package.exe"), "package");
    EXPECT_EQ(ReadFile(Host(L"C:\\Program Files\\Other\\other.exe")), "other");

    // A link in a parent folder: the installation behind it is not touched.
    const fs::path outside = m_root / "outside";
    WriteFile(outside / "Kelto" / "uninstall.exe", "u");
    fs::create_directories(Host(L"C:\\Apps"));
    fs::create_symlink(outside, Host(L"C:\\Apps\\Linked"));
    EXPECT_THAT(WhyFolderMayNotBeCleared(L"C:\\Apps\\Linked\\Kelto"),
                ::testing::HasSubstr("is a link"));
    EXPECT_FALSE(DeleteTree(std::wstring(L"C:\\Apps\\Linked\\Kelto")));
    EXPECT_FALSE(DeleteTree("C:/Apps/Linked/Kelto/"));
    EXPECT_EQ(ReadFile(outside / "Kelto" / "uninstall.exe"), "u");

    // A tree deeper than 259 characters is removed completely, and only then is it success.
    fs::path deep = Host(L"C:\\Apps\\Deep\\Kelto Clipwave Converter");
    for (int level = 0; level < 40; ++level) {
        deep /= "level" + std::to_string(level);
    }
    WriteFile(deep / "file.txt", "deep");
    ASSERT_GT(fs::relative(deep, Host(L"C:\\")).string().size(), 259u);
    EXPECT_TRUE(DeleteTree(std::wstring(L"C:\\Apps\\Deep")));
    EXPECT_FALSE(fs::exists(Host(L"C:\\Apps\\Deep")));
}

// Extraction writes its archive into a fresh private area and keeps nobody's write bits.
TEST_F(RootSafetyTest, TheTemporaryAreaIsPrivateAndItemsLoseForeignWriteBits) {
    fs::path source = m_scratch / "source";
    WriteFile(source / "open.exe", "MZ");
    fs::permissions(source / "open.exe", fs::perms(06777));
    WriteFile(source / "group.txt", "g");
    fs::permissions(source / "group.txt", fs::perms(0664));
    std::string big(4 << 20, '\0');
    std::mt19937 random(3);
    for (char& c : big) {
        c = static_cast<char>(random());
    }
    WriteFile(source / "big.bin", big);
    const std::string archive = MakeArchive(source, m_scratch / "a.7z", {"-mx=1"});

    std::vector<unsigned> areaModes;
    C7ZOperator callback([&](int code, unsigned, long) {
        if (code != kEventExtractProgress || !areaModes.empty()) {
            return 1;
        }
        // While the engine runs: the root, the work folder and the archive file.
        for (const auto& root : fs::directory_iterator(Host(platform::GetTempFolder()))) {
            areaModes.push_back(static_cast<unsigned>(root.status().permissions()));
            const fs::path work = root.path() / "plenix_7z";
            areaModes.push_back(static_cast<unsigned>(fs::status(work).permissions()));
            areaModes.push_back(
                static_cast<unsigned>(fs::status(work / "Qor7ZFile.7z").permissions()));
        }
        return 1;
    });
    C7ZExtractor extractor(&callback);
    ASSERT_TRUE(extractor.ExtractFromMemory(archive.data(), static_cast<uint32_t>(archive.size()),
                                            "C:\\Apps\\Modes"));
    EXPECT_THAT(areaModes, ::testing::ElementsAre(0700u, 0700u, 0600u));
    EXPECT_EQ(static_cast<unsigned>(fs::status(Host(L"C:\\Apps\\Modes\\open.exe")).permissions()),
              0755u);
    EXPECT_EQ(static_cast<unsigned>(fs::status(Host(L"C:\\Apps\\Modes\\group.txt")).permissions()),
              0644u);
}

} // namespace
