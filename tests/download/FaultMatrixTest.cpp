// The whole engine against real servers on loopback: nginx as download server and mirrors, the
// fault server for stalls, resets and corrupted bytes. Each case ends with exactly the package's
// bytes on disk and outcome 5, or with outcome 4 where nothing can succeed.
#include "EngineFixture.h"

#include "app/Result.h"
#include "platform/FileSystem.h"

#include <filesystem>

namespace testing_support {
namespace {

constexpr size_t kSize = 8 * 1048576 + 12345;

class FaultMatrix : public ::testing::Test {
protected:
    void SetUp() override {
        m_package = MakePackageBytes(kSize, 11);
        m_served.Write(kPackagePath, m_package);
        m_served.Write("download/cdn.kelto.example/pkg.exe", m_package);
        m_other.Write(kPackagePath, m_package.substr(0, kSize - 1)); // one byte short
    }

    // Serves a description listing mirrors, and starts nginx for the download server and the
    // given sites.
    void Serve(const std::vector<std::string>& mirrors, std::vector<NginxSite> sites) {
        m_served.Write(
            kCfgPath, DescriptionXml(DescribePackage(m_package.data(), m_package.size(), mirrors)));
        sites.insert(sites.begin(), NginxSite{"127.0.0.1", m_served.Path()});
        std::string error;
        ASSERT_TRUE(m_nginx.Start(sites, &error)) << error;
    }
    NginxSite Healthy(const std::string& address) { return {address, m_served.Path()}; }

    void StartFault(FaultServer* server, const std::string& address, FaultPlan plan) {
        std::string error;
        ASSERT_TRUE(server->Start(address, 80, m_package, plan, "11", &error)) << error;
    }

    bool PackageOnDiskIsExact() {
        return ReadHostFile(ScopedRoot::Host(
                   L"C:\\Downloads\\Kelto Clipwave Converter\\pkg.exe")) == m_package;
    }
    static std::vector<DownloadSegment> SegmentsOn(EngineRun& run, const std::string& url) {
        DownloadInfo info;
        run.Engine().GetDownloadInfo(&info);
        std::vector<DownloadSegment> found;
        for (const auto& [id, segment] : info.segments) {
            if (segment.url == url) {
                found.push_back(segment);
            }
        }
        return found;
    }
    void ExpectComplete(EngineRun& run) {
        EXPECT_EQ(run.Engine().GetStatus(), 5);
        const size_t size = m_package.size();
        EXPECT_EQ(run.End(),
                  std::make_tuple(5, static_cast<unsigned>(size), static_cast<long>(size)));
        EXPECT_TRUE(PackageOnDiskIsExact());
    }

    ScopedRoot m_root;
    ServedFolder m_served;
    ServedFolder m_other;
    NginxServer m_nginx;
    std::string m_package;
};

TEST_F(FaultMatrix, HealthyMirrorsShareTheWork) {
    const std::vector<std::string> mirrors = {MirrorUrl("127.0.0.2"), MirrorUrl("127.0.0.3"),
                                              MirrorUrl("127.0.0.4")};
    Serve(mirrors, {Healthy("127.0.0.2"), Healthy("127.0.0.3"), Healthy("127.0.0.4")});
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    ExpectComplete(run);
    const std::vector<UrlCfg> ranked = run.Engine().RankedMirrors();
    ASSERT_EQ(ranked.size(), 3u);
    for (const std::string& mirror : mirrors) {
        EXPECT_GE(SegmentsOn(run, mirror).size(), 2u) << mirror;
    }
    DownloadInfo info;
    run.Engine().GetDownloadInfo(&info);
    EXPECT_EQ(info.threadCount, 6);
}

TEST_F(FaultMatrix, TinyPackageSmallerThanTheSegmentCount) {
    LogCapture log;
    m_package = "tiny";
    m_served.Write(kPackagePath, m_package);
    Serve({MirrorUrl("127.0.0.2"), MirrorUrl("127.0.0.3"), MirrorUrl("127.0.0.4")},
          {Healthy("127.0.0.2"), Healthy("127.0.0.3"), Healthy("127.0.0.4")});
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    EXPECT_EQ(run.Engine().GetStatus(), 5);
    EXPECT_EQ(ReadHostFile(ScopedRoot::Host(L"C:\\Downloads\\Kelto Clipwave Converter\\pkg.exe")),
              "tiny");
}

TEST_F(FaultMatrix, StalledMirrorIsReplaced) {
    // A stall point below half the smallest range that is still split (kMinSplitBytes): however
    // often the healthy mirrors split the stalling mirror's ranges, what it keeps is longer than
    // what it sends, so splitting alone cannot finish them and the stall must be detected.
    LogCapture log;
    m_package = MakePackageBytes(32 * 1048576, 12);
    m_served.Write(kPackagePath, m_package);
    FaultServer stall;
    FaultPlan plan;
    plan.kind = FaultPlan::Kind::kStallAfter;
    plan.afterBytes = 131072;
    StartFault(&stall, "127.0.0.5", plan);
    Serve({MirrorUrl("127.0.0.5"), MirrorUrl("127.0.0.2"), MirrorUrl("127.0.0.3")},
          {Healthy("127.0.0.2"), Healthy("127.0.0.3")});
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    ExpectComplete(run);
    const auto stalled = SegmentsOn(run, MirrorUrl("127.0.0.5"));
    // Every body stalls after 128 KiB: a range that long or longer was taken away after exactly
    // that much; a shorter one (split off while the mirror still looked fast) came in whole.
    int replaced = 0;
    for (const DownloadSegment& segment : stalled) {
        if (segment.current - segment.start == plan.afterBytes) {
            EXPECT_EQ(segment.status, E_Status_StopByDispatch) << segment.id;
            ++replaced;
        } else {
            EXPECT_EQ(segment.current, segment.end + 1) << segment.id;
            EXPECT_LT(segment.end - segment.start, plan.afterBytes) << segment.id;
            EXPECT_NE(segment.status, E_Status_Runing) << segment.id;
        }
    }
    EXPECT_GE(replaced, 2); // the two ranges it was given at the start
    EXPECT_GE(log.Count("stalled for"), 2) << log.All();
}

TEST_F(FaultMatrix, ResetMidRangeIsRestartedElsewhere) {
    FaultServer reset;
    FaultPlan plan;
    plan.kind = FaultPlan::Kind::kResetAfter;
    plan.afterBytes = 300000;
    StartFault(&reset, "127.0.0.5", plan);
    Serve({MirrorUrl("127.0.0.2"), MirrorUrl("127.0.0.5"), MirrorUrl("127.0.0.3")},
          {Healthy("127.0.0.2"), Healthy("127.0.0.3")});
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    ExpectComplete(run);
    // Every body is cut after 300 000 bytes: a longer range failed and was handed on; a shorter
    // one (split off while the mirror still looked fast) came in whole.
    int replaced = 0;
    for (const DownloadSegment& segment : SegmentsOn(run, MirrorUrl("127.0.0.5"))) {
        if (segment.status == E_Status_Succeed) {
            EXPECT_EQ(segment.current, segment.end + 1) << segment.id;
            EXPECT_LT(segment.end - segment.start, plan.afterBytes) << segment.id;
            continue;
        }
        EXPECT_EQ(segment.status, E_Status_StopByDispatch) << segment.id;
        ++replaced;
    }
    EXPECT_GE(replaced, 2); // the two ranges it was given at the start
}

TEST_F(FaultMatrix, CorruptBlockIsRepairedOnceFromAnotherMirror) {
    LogCapture log;
    FaultServer corrupt;
    FaultPlan plan;
    plan.kind = FaultPlan::Kind::kCorrupt;
    // 41 bytes near the start of the mirror's first range, whichever range its rank gives it.
    plan.corrupt = {{100, 140}};
    plan.corruptFirstRangeOnly = true;
    StartFault(&corrupt, "127.0.0.5", plan);
    Serve({MirrorUrl("127.0.0.5"), MirrorUrl("127.0.0.2"), MirrorUrl("127.0.0.3")},
          {Healthy("127.0.0.2"), Healthy("127.0.0.3")});
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    ExpectComplete(run);
    const std::optional<uint64_t> damagedRange = corrupt.CorruptedRangeStart();
    ASSERT_TRUE(damagedRange.has_value()) << "the corrupting mirror served no range";
    const uint64_t blockStart = (*damagedRange + 100) / kBlockSize * kBlockSize;
    const uint64_t blockEnd = std::min<uint64_t>(blockStart + kBlockSize, m_package.size()) - 1;
    EXPECT_EQ(log.Count("Download_RepairData : GetBestURL Info"), 1) << log.All();
    EXPECT_EQ(log.Count("Download_RepairData : GetBestURL Info, start(" +
                        std::to_string(blockStart) + "), end(" + std::to_string(blockEnd) + ")"),
              1)
        << log.All();
    DownloadInfo info;
    run.Engine().GetDownloadInfo(&info);
    const DownloadSegment* repair = nullptr;
    for (const auto& [id, segment] : info.segments) {
        if (segment.start == blockStart && id >= info.threadCount) { // the repair, maybe split
            repair = &segment;
        }
    }
    ASSERT_NE(repair, nullptr);
    // The damaging mirror is known only when it alone delivered the block; a block that straddles
    // the ranges of two mirrors goes to the fastest mirror that does not cover it whole, which may
    // be either of them (the repair is then checked by its digest like any other range).
    const std::string blamed =
        "Download_RepairData : " + MirrorUrl("127.0.0.5") + " delivered damaged data.";
    if (log.Count(blamed) == 1) {
        EXPECT_NE(repair->url, MirrorUrl("127.0.0.5"));
    }
}

TEST_F(FaultMatrix, RangeIgnoringMirrorTakesOverNoRange) {
    // Its whole-file answers are refused where a range does not start at byte 0, so nothing
    // needs repairing, and once it has shown itself it is handed no range, split or restart.
    LogCapture log;
    Serve({MirrorUrl("127.0.0.2"), MirrorUrl("127.0.0.3"), MirrorUrl("127.0.0.4")},
          {Healthy("127.0.0.2"),
           {"127.0.0.3", m_served.Path(), "max_ranges 0;"},
           Healthy("127.0.0.4")});
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    ExpectComplete(run);
    EXPECT_GE(log.Count("127.0.0.3/download/KeltoClipwaveConverter_x86.exe ignores byte ranges"), 1)
        << log.All();
    EXPECT_EQ(log.Count("Download_RepairData : GetBestURL Info"), 0);
    DownloadInfo info;
    run.Engine().GetDownloadInfo(&info);
    for (const DownloadSegment& segment : SegmentsOn(run, MirrorUrl("127.0.0.3"))) {
        EXPECT_LT(segment.id, info.threadCount) << "range handed to it later";
    }
}

TEST_F(FaultMatrix, MirrorsWithWrongLengthOrFullProbeAreNeverUsed) {
    LogCapture log;
    Serve({MirrorUrl("127.0.0.2"), MirrorUrl("127.0.0.6"), MirrorUrl("127.0.0.7"),
           MirrorUrl("127.0.0.8"), MirrorUrl("127.0.0.3")},
          {Healthy("127.0.0.2"),
           {"127.0.0.6", m_other.Path()},
           {"127.0.0.7", m_served.Path(), "", "0"},
           {"127.0.0.8", m_served.Path(), "", "1"},
           Healthy("127.0.0.3")});
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    ExpectComplete(run);
    for (const char* unused : {"127.0.0.6", "127.0.0.7", "127.0.0.8"}) {
        EXPECT_TRUE(SegmentsOn(run, MirrorUrl(unused)).empty()) << unused;
    }
    EXPECT_EQ(log.Count("ID(1), FileSizeConsistent(false) NetworkNotFull(false)"), 1);
    EXPECT_EQ(log.Count("GetNetworkNotFull IP(127.0.0.7), Result(0)"), 1);
    EXPECT_EQ(log.Count("GetNetworkNotFull IP(127.0.0.8), Result(1)"), 1);
    EXPECT_EQ(run.Engine().RankedMirrors().size(), 2u);
}

TEST_F(FaultMatrix, OnlyTheContentDeliveryMirrorIsUsable) {
    const std::string cdn = "http://127.0.0.9/download/cdn.kelto.example/pkg.exe";
    Serve({MirrorUrl("127.0.0.7"), cdn},
          {{"127.0.0.7", m_served.Path(), "", "0"}, Healthy("127.0.0.9")});
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    ExpectComplete(run);
    const std::vector<UrlCfg> ranked = run.Engine().RankedMirrors();
    ASSERT_EQ(ranked.size(), 1u);
    EXPECT_EQ(std::string(ranked[0].url), cdn);
    DownloadInfo info;
    run.Engine().GetDownloadInfo(&info);
    EXPECT_EQ(info.threadCount, 5);
    EXPECT_GE(SegmentsOn(run, cdn).size(), 5u);
}

TEST_F(FaultMatrix, SevenUsableMirrorsKeepTheFiveFastest) {
    std::vector<std::string> mirrors;
    std::vector<NginxSite> sites;
    for (int host = 2; host <= 8; ++host) {
        const std::string address = "127.0.0." + std::to_string(host);
        mirrors.push_back(MirrorUrl(address));
        sites.push_back(Healthy(address));
    }
    Serve(mirrors, sites);
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    ExpectComplete(run);
    const std::vector<UrlCfg> ranked = run.Engine().RankedMirrors();
    ASSERT_EQ(ranked.size(), 5u);
    // Fastest first; equal reply times keep the description's order.
    for (size_t i = 1; i < ranked.size(); ++i) {
        ASSERT_LE(ranked[i - 1].replyTime, ranked[i].replyTime);
        if (ranked[i - 1].replyTime == ranked[i].replyTime) {
            EXPECT_LT(std::find(mirrors.begin(), mirrors.end(), ranked[i - 1].url),
                      std::find(mirrors.begin(), mirrors.end(), ranked[i].url));
        }
    }
}

TEST_F(FaultMatrix, TransfersGoThroughTheProxy) {
    // Asked directly, the mirror serves a package one byte short and would be dropped; the
    // proxy forwards every request to a server with the right one. So the download completes
    // only when the description, the length query and every range go through the proxy.
    Serve({MirrorUrl("127.0.0.2")},
          {{"127.0.0.2", m_other.Path()},
           Healthy("127.0.0.3"),
           {"127.0.0.9", m_served.Path(), "location / { proxy_pass http://127.0.0.3; }"}});
    EngineRun run;
    run.Engine().SetProxy("http://127.0.0.9:80");
    ASSERT_EQ(run.Run(), kSOk);
    ExpectComplete(run);
    ASSERT_EQ(run.Engine().RankedMirrors().size(), 1u);
}

TEST_F(FaultMatrix, PackageFileThatCannotBeCreatedFailsAtOnce) {
    // A folder where the package file should be: the description still fits beside it.
    std::filesystem::create_directories(
        ScopedRoot::Host(L"C:\\Downloads\\Kelto Clipwave Converter\\pkg.exe"));
    Serve({MirrorUrl("127.0.0.2")}, {Healthy("127.0.0.2")});
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    EXPECT_EQ(run.Engine().GetStatus(), 4);
    EXPECT_EQ(run.End(), std::make_tuple(4, 0u, 0L));
    EXPECT_EQ(run.ProgressCalls(), 0);
}

} // namespace
} // namespace testing_support
