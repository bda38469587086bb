// The description stage and the single transfers against real servers on loopback: nginx as
// download server (127.0.0.1) and mirrors, and the fault server for silence and missing
// lengths.
#include "EngineFixture.h"

#include "app/BuildConfig.h"
#include "app/Md5.h"
#include "app/Result.h"
#include "download/HttpTransfer.h"
#include "download/VersionFile.h"
#include "download/XMLParse.h"
#include "platform/FileSystem.h"

#include <cstring>
#include <filesystem>

namespace testing_support {
namespace {

constexpr size_t kPackageSize = 3 * 1048576 + 4321;

class DescriptionTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_package = MakePackageBytes(kPackageSize, 7);
        m_served.Write(kPackagePath, m_package);
        m_served.Write("version_file", "1.0.0.123");
        m_served.Write("old_version", "0.9.0.0");
        m_served.Write("short_version", "1.0.0");
        m_served.Write("tiny.bin", "0123456789ABCDEF");
        m_served.Write("ten.bin", "0123456789");
        m_description = DescribePackage(m_package.data(), m_package.size(),
                                        {MirrorUrl("127.0.0.2"), MirrorUrl("127.0.0.3")});
        ServeDescription(DescriptionXml(m_description));
        std::string error;
        ASSERT_TRUE(m_nginx.Start({{"127.0.0.1", m_served.Path()},
                                   {"127.0.0.2", m_served.Path()},
                                   {"127.0.0.3", m_served.Path()},
                                   {"127.0.0.4", m_served.Path(), "max_ranges 0;"}},
                                  &error))
            << error;
    }

    void ServeDescription(const std::string& text) { m_served.Write(kCfgPath, text); }
    std::string LocalPackage() {
        return ReadHostFile(ScopedRoot::Host(L"C:\\Downloads\\Kelto Clipwave Converter\\pkg.exe"));
    }

    ScopedRoot m_root;
    ServedFolder m_served;
    NginxServer m_nginx;
    std::string m_package;
    PackageDescription m_description;
};

TEST_F(DescriptionTest, DescriptionIsParsedIntoTheItemAndThePackageArrives) {
    LogCapture log;
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    EXPECT_EQ(run.Engine().GetStatus(), 5);
    EXPECT_EQ(run.End(), std::make_tuple(5, static_cast<unsigned>(kPackageSize),
                                         static_cast<long>(kPackageSize)));
    const DownloadItem item = run.Engine().ItemForTesting();
    EXPECT_STREQ(item.path, kLocalPackage);
    EXPECT_EQ(item.size, kPackageSize);
    EXPECT_EQ(std::string(item.mirrors[0].url), MirrorUrl("127.0.0.2"));
    EXPECT_EQ(std::string(item.mirrors[1].url), MirrorUrl("127.0.0.3"));
    EXPECT_TRUE(item.mirrors[0].valid && item.mirrors[1].valid);
    EXPECT_FALSE(item.mirrors[2].valid);
    EXPECT_EQ(item.wholeHash, Md5HexUpper(m_package.data(), m_package.size()));
    EXPECT_EQ(item.blockHashes, m_description.blockHashes);
    EXPECT_EQ(item.threadsPerMirror, 2);
    EXPECT_TRUE(LocalPackage() == m_package);
    // The engine leaves the description next to the package.
    EXPECT_TRUE(platform::PathExists(L"C:\\Downloads\\Kelto Clipwave Converter\\pkg.exe.cfg"));
    EXPECT_EQ(log.Count("Download_BeginDownload : Download link id(0)"), 1);
    EXPECT_EQ(log.Count("Download_Thread_Download_Cfg : succeed."), 1);
    EXPECT_EQ(log.Count("Download_CheckFinish : Finish download."), 1);
}

TEST_F(DescriptionTest, CompletePackageOnDiskIsNotFetchedAgain) {
    WriteHostFile(ScopedRoot::Host(L"C:\\Downloads\\Kelto Clipwave Converter\\pkg.exe"), m_package);
    LogCapture log;
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    EXPECT_EQ(log.Count("Download_ParseCfg : the package is already complete."), 1);
    EXPECT_EQ(run.Engine().GetStatus(), 5);
    EXPECT_EQ(run.End(), std::make_tuple(5, 0u, 1L));
    EXPECT_EQ(run.ProgressCalls(), 0);
    DownloadInfo info;
    run.Engine().GetDownloadInfo(&info);
    EXPECT_EQ(info.segments.size(), 1u); // only the description row
}

TEST_F(DescriptionTest, LowerCaseDigestsNeverMatch) {
    WriteHostFile(ScopedRoot::Host(L"C:\\Downloads\\Kelto Clipwave Converter\\pkg.exe"), m_package);
    PackageDescription lower = m_description;
    auto toLower = [](std::string text) {
        for (char& c : text) {
            c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
        }
        return text;
    };
    lower.wholeHash = toLower(lower.wholeHash);
    for (std::string& hash : lower.blockHashes) {
        hash = toLower(hash);
    }
    ServeDescription(DescriptionXml(lower));
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    EXPECT_GT(run.ProgressCalls(), 0); // downloaded again
    EXPECT_EQ(run.Engine().GetStatus(), 4);
    ASSERT_EQ(run.Calls().size(), 1u);
    EXPECT_EQ(run.Calls()[0].code, 4);
}

struct BadDescription {
    const char* name;
    std::string text;
};

std::string WithSize(const std::string& size, const std::string& mirrors = "",
                     const std::string& hashes = "<hash size=\"0\"/>") {
    return "<download version=\"1\" size=\"" + size + "\">" + mirrors + hashes + "</download>";
}

TEST_F(DescriptionTest, BadDescriptionsFailTheDownload) {
    const std::string good = DescriptionXml(m_description);
    const std::string mirrors =
        "<url size=\"1\"><item_0 value=\"" + MirrorUrl("127.0.0.2") + "\"/></url>";
    std::string manyHashes = "<hash size=\"10000\">";
    for (int i = 0; i < 10000; ++i) {
        manyHashes += "<item_" + std::to_string(i) + " value=\"00\"/>";
    }
    manyHashes += "</hash>";
    auto without = [&good](const std::string& cut) {
        std::string text = good;
        const size_t at = text.find(cut);
        return at == std::string::npos ? std::string("key not found: ") + cut
                                       : text.erase(at, cut.size());
    };
    const std::vector<BadDescription> cases = {
        {"empty", ""},
        {"truncated", good.substr(0, good.size() / 2)},
        {"not xml", "this is not a description"},
        {"version 2",
         "<download version=\"2\" size=\"10\"><url size=\"0\"/><hash size=\"0\"/></download>"},
        {"no version", "<download size=\"10\"><url size=\"0\"/><hash size=\"0\"/></download>"},
        {"no size", without(" size=\"" + std::to_string(kPackageSize) + "\"")},
        {"no url size", without("<url size=\"2\">")},
        {"no hash size", without("<hash size=\"5\">")},
        {"url.size 2, one item", WithSize("10", "<url size=\"2\"><item_0 value=\"" +
                                                    MirrorUrl("127.0.0.2") + "\"/></url>")},
        {"hash item missing",
         WithSize("10", mirrors, "<hash size=\"2\"><item_0 value=\"00\"/></hash>")},
        {"size beyond 32 bits", WithSize("5000000000", mirrors)},
        {"negative size", WithSize("-5", mirrors)},
        {"size marker", WithSize("-9999999", mirrors)},
        {"url marker", WithSize("10", std::string("<url size=\"1\"><item_0 value=\"") +
                                          kMissingString + "\"/></url>")},
        {"10000 hash items, no mirror", WithSize("10", "<url size=\"0\"/>", manyHashes)},
        {"mirror url of 1040 characters",
         WithSize("10", "<url size=\"1\"><item_0 value=\"http://127.0.0.2/download/" +
                            std::string(1040 - 26, 'a') + "\"/></url>")},
    };
    for (const BadDescription& bad : cases) {
        SCOPED_TRACE(bad.name);
        LogCapture log;
        ServeDescription(bad.text);
        EngineRun run;
        EXPECT_EQ(run.Run(), kSOk);
        EXPECT_EQ(run.Engine().GetStatus(), 4);
        EXPECT_EQ(run.End(), std::make_tuple(4, 0u, 0L));
        EXPECT_FALSE(run.Engine().IsDownloading());
    }
    // An HTML error page instead of the description.
    EngineRun errorPage;
    EXPECT_EQ(errorPage.Run("http://127.0.0.1/setup/none.cfg"), kSOk);
    EXPECT_EQ(errorPage.End(), std::make_tuple(4, 0u, 0L));
}

// The whole digest decides unless block digests cover every byte: a differing whole digest is
// accepted only when every block matches its own digest.
TEST_F(DescriptionTest, VerificationNeedsDigestsThatVouchForEveryByte) {
    struct Case {
        const char* name;
        size_t blockDigests; // how many of the description's block digests are listed
        int outcome;
        EndReason reason;
    };
    const std::vector<Case> cases = {
        {"wrong whole digest, no block digests", 0, 4, EndReason::kUnverifiable},
        {"wrong whole digest, block digests for part", 2, 4, EndReason::kUnverifiable},
        {"wrong whole digest, every block digest right", 4, 5, EndReason::kComplete},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(
            ScopedRoot::Host(L"C:\\Downloads\\Kelto Clipwave Converter\\pkg.exe"));
        PackageDescription wrong = m_description;
        wrong.wholeHash = std::string(32, 'A');
        wrong.blockHashes.resize(c.blockDigests);
        ServeDescription(DescriptionXml(wrong));
        LogCapture log;
        EngineRun run;
        ASSERT_EQ(run.Run(), kSOk);
        EXPECT_EQ(run.Engine().GetStatus(), c.outcome);
        EXPECT_EQ(run.Engine().GetEndReason(), c.reason);
        EXPECT_EQ(run.End(), std::make_tuple(c.outcome, static_cast<unsigned>(kPackageSize),
                                             static_cast<long>(kPackageSize)));
        EXPECT_EQ(log.Count("the package is refused"), c.outcome == 4 ? 1 : 0) << log.All();
        EXPECT_TRUE(LocalPackage() == m_package); // the bytes themselves are right
    }
}

// Mirrors the engine cannot use are skipped one by one: too long for their field, or of
// another scheme than http and https (a local file named as a mirror is never read, not even as
// the content-delivery fallback). The others stand.
TEST_F(DescriptionTest, UnusableMirrorsAreSkippedAndTheOthersStand) {
    WriteHostFile(m_root.Folder() / "secret.bin", m_package);
    std::filesystem::permissions(m_root.Folder() / "secret.bin",
                                 std::filesystem::perms::owner_read |
                                     std::filesystem::perms::owner_write);
    const std::string fileMirror =
        "file://" + (m_root.Folder() / "secret.bin").string() + "?" + build::kCdnDomain;
    const std::string longMirror = "http://127.0.0.3/download/" + std::string(2000 - 26, 'a');
    PackageDescription mixed = m_description;
    mixed.mirrors = {longMirror,
                     fileMirror,
                     "ftp://127.0.0.2/download/pkg.exe",
                     "gopher://127.0.0.2/download/x",
                     MirrorUrl("127.0.0.2"),
                     MirrorUrl("127.0.0.3")};
    ServeDescription(DescriptionXml(mixed));
    LogCapture log;
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    EXPECT_EQ(run.Engine().GetStatus(), 5);
    EXPECT_TRUE(LocalPackage() == m_package);
    EXPECT_EQ(log.Count("item_0.value skipped, longer than 1039 characters"), 1) << log.All();
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(log.Count("item_" + std::to_string(n) +
                            ".value skipped, only http and https mirrors are used"),
                  1);
    }
    const std::vector<UrlCfg> ranked = run.Engine().RankedMirrors();
    ASSERT_EQ(ranked.size(), 2u);
    EXPECT_EQ(std::string(ranked[0].url).substr(0, 16), "http://127.0.0.2");

    // The local file alone: no mirror, no fallback, nothing read.
    std::filesystem::remove(ScopedRoot::Host(L"C:\\Downloads\\Kelto Clipwave Converter\\pkg.exe"));
    mixed.mirrors = {fileMirror};
    ServeDescription(DescriptionXml(mixed));
    EngineRun alone;
    ASSERT_EQ(alone.Run(), kSOk);
    EXPECT_EQ(alone.Engine().GetStatus(), 4);
    EXPECT_EQ(alone.Engine().GetEndReason(), EndReason::kNoMirror);
    EXPECT_EQ(alone.ProgressCalls(), 0);
    // And a description address of another scheme is refused before anything is fetched.
    EngineRun local;
    EXPECT_EQ(local.Run(fileMirror.c_str()), kEInvalidArg);
    EXPECT_EQ(local.End(), std::make_tuple(4, 0u, 0L));
}

// An endless description is cut off at 4 MiB and fails the download; an endless text answer is
// cut off at 64 KiB and reads as "error". Neither fills the disk or waits for a time-out.
TEST_F(DescriptionTest, EndlessAnswersAreCutOff) {
    FaultServer endless;
    FaultPlan plan;
    plan.kind = FaultPlan::Kind::kEndless;
    ASSERT_TRUE(endless.Start("127.0.0.5", 80, "", plan));
    LogCapture log;
    EngineRun run;
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(run.Run("http://127.0.0.5/setup/endless.cfg"), kSOk);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
    EXPECT_EQ(run.End(), std::make_tuple(4, 0u, 0L));
    EXPECT_EQ(log.Count("the description passed 4194304 bytes, cut off"), 1);
    EXPECT_LE(std::filesystem::file_size(
                  ScopedRoot::Host(L"C:\\Downloads\\Kelto Clipwave Converter\\pkg.exe.cfg")),
              kMaxDescriptionBytes);

    EXPECT_EQ(FetchText("http://127.0.0.5/version_file"), "error");
    EXPECT_EQ(FetchVersionText("http://127.0.0.5/version_file"), "");
    EXPECT_GE(log.Count("passed 65536 bytes, cut off"), 1);
}

TEST_F(DescriptionTest, LocalPathsThatDoNotFitAreRefused) {
    const std::string longPath = "C:\\" + std::string(255, 'p');
    EngineRun run;
    EXPECT_EQ(run.Run(kCfgUrl, longPath.c_str(), std::chrono::seconds(5)), kEInvalidArg);
    EXPECT_EQ(run.End(), std::make_tuple(4, 0u, 0L));
    EXPECT_FALSE(run.Engine().IsDownloading());
    // A path the description file cannot be created at.
    EngineRun nowhere;
    EXPECT_EQ(nowhere.Run(kCfgUrl, "Q:\\nowhere\\pkg.exe", std::chrono::seconds(5)), kEInvalidArg);
    EXPECT_EQ(nowhere.End(), std::make_tuple(4, 0u, 0L));
}

TEST_F(DescriptionTest, LengthQuery) {
    EXPECT_EQ(GetDownloadFileLenth(MirrorUrl("127.0.0.2").c_str()), kPackageSize);
    EXPECT_EQ(GetDownloadFileLenth("http://127.0.0.2/download/missing"), 153u); // nginx's 404
    EXPECT_EQ(GetDownloadFileLenth("http://127.0.0.9:1/refused"), kUnknownLength);
    FaultServer noLength;
    FaultPlan plan;
    plan.sendLength = false;
    ASSERT_TRUE(noLength.Start("127.0.0.1", 0, "some body", plan));
    const std::string url = "http://127.0.0.1:" + std::to_string(noLength.Port()) + "/x";
    EXPECT_EQ(GetDownloadFileLenth(url.c_str()), kUnknownLength);
}

TEST_F(DescriptionTest, SilentServersAreBounded) {
    FaultServer silent;
    FaultPlan plan;
    plan.kind = FaultPlan::Kind::kNeverAnswer;
    ASSERT_TRUE(silent.Start("127.0.0.1", 0, "", plan));
    const std::string url = "http://127.0.0.1:" + std::to_string(silent.Port()) + "/x";
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(FetchText(url.c_str()), "error");
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_GE(took, std::chrono::milliseconds(1900));
    EXPECT_LE(took, std::chrono::milliseconds(3500));

    LogCapture log;
    started = std::chrono::steady_clock::now();
    EXPECT_EQ(GetDownloadFileLenth(url.c_str()), kUnknownLength);
    took = std::chrono::steady_clock::now() - started;
    EXPECT_LE(took, std::chrono::seconds(kLengthQueryTimeoutSeconds + 3));
    EXPECT_EQ(log.Count("no answer within 10 s"), 1);
}

TEST_F(DescriptionTest, VersionFileRule) {
    EXPECT_EQ(FetchVersionText("http://127.0.0.1/version_file"), "1.0.0.123");
    EXPECT_EQ(FetchVersionText("http://127.0.0.1/old_version"), "");
    EXPECT_EQ(FetchVersionText("http://127.0.0.1/short_version"), "");
    EXPECT_EQ(FetchVersionText("http://127.0.0.9:1/refused"), "");
    EXPECT_FALSE(IsAcceptedVersionText("error"));
    EXPECT_FALSE(IsAcceptedVersionText("12345"));
    EXPECT_TRUE(IsAcceptedVersionText("123456"));
}

// Waits for one test segment's transfer to end; its final record.
DownloadSegment WaitForSegment(DownloaderCurl& engine, int id) {
    DownloadInfo info;
    for (int i = 0; i < 250; ++i) {
        engine.GetDownloadInfo(&info);
        auto found = info.segments.find(id);
        if (found != info.segments.end() && found->second.handle == nullptr &&
            found->second.status != E_Status_Runing) {
            return found->second;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ADD_FAILURE() << "segment " << id << " did not end";
    return {};
}

TEST_F(DescriptionTest, SegmentStoresExactlyItsRange) {
    // max_ranges 0: the whole 16-byte file arrives as one chunk for a 10-byte segment.
    DownloaderCurl engine;
    ASSERT_EQ(engine.PrepareForTesting(16, "C:\\seg\\a.bin"), kSOk);
    DownloadSegment segment =
        WaitForSegment(engine, engine.StartSegmentForTesting(0, 9, "http://127.0.0.4/tiny.bin"));
    EXPECT_EQ(segment.result, static_cast<int>(CURLE_WRITE_ERROR));
    EXPECT_EQ(segment.current, 10u);
    engine.Stop();
    // The file holds the package's reserved 16 bytes, of which only the range's are written.
    EXPECT_EQ(ReadHostFile(ScopedRoot::Host(L"C:\\seg\\a.bin")),
              std::string("0123456789\0\0\0\0\0\0", 16));

    DownloaderCurl exact;
    ASSERT_EQ(exact.PrepareForTesting(10, "C:\\seg\\b.bin"), kSOk);
    segment = WaitForSegment(exact, exact.StartSegmentForTesting(0, 9, "http://127.0.0.2/ten.bin"));
    EXPECT_EQ(segment.result, 0);
    EXPECT_EQ(segment.status, E_Status_Succeed);
    exact.Stop();
    EXPECT_EQ(ReadHostFile(ScopedRoot::Host(L"C:\\seg\\b.bin")), "0123456789");
}

uint32_t g_frozenTick = 1000;
uint32_t FrozenTick() {
    return g_frozenTick;
}

TEST_F(DescriptionTest, SpeedIsThatOfTheLatestChunk) {
    DownloaderCurl engine;
    engine.SetTickSourceForTesting(&FrozenTick);
    ASSERT_EQ(engine.PrepareForTesting(1000, "C:\\speed.bin"), kSOk);
    DownloadSegment segment;
    segment.start = segment.current = 100;
    segment.end = 999;
    segment.owner = &engine;
    segment.lastDataTime = 900;
    char chunk[200];
    memset(chunk, 'k', sizeof chunk);
    g_frozenTick = 1000;
    EXPECT_EQ(DownloaderCurl::SegmentWriteCallback(chunk, 1, 100, &segment), 100u);
    EXPECT_EQ(segment.speed, 1000u); // 100 bytes in 100 ms
    EXPECT_EQ(DownloaderCurl::SegmentWriteCallback(chunk, 1, 50, &segment), 50u);
    EXPECT_EQ(segment.speed, 1000u); // same millisecond: unchanged
    g_frozenTick = 1010;
    EXPECT_EQ(DownloaderCurl::SegmentWriteCallback(chunk, 1, 50, &segment), 50u);
    EXPECT_EQ(segment.speed, 5000u);
    EXPECT_EQ(segment.current, 300u);
    const std::vector<uint8_t> memory = engine.MemoryCopyForTesting();
    EXPECT_EQ(memory[99], 0);
    EXPECT_EQ(memory[100], 'k');
    EXPECT_EQ(memory[299], 'k');
    EXPECT_EQ(memory[300], 0);
    engine.Stop();
    // A stopped engine refuses every chunk.
    EXPECT_EQ(DownloaderCurl::SegmentWriteCallback(chunk, 1, 50, &segment), 0u);
}

} // namespace
} // namespace testing_support
