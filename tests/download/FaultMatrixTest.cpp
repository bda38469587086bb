// The whole engine against real servers on loopback: nginx as download server and mirrors, the
// fault server for stalls, resets and corrupted bytes. Each case ends with exactly the package's
// bytes on disk and outcome 5, or with outcome 4 where nothing can succeed.
#include "EngineFixture.h"

#include "app/Result.h"
#include "platform/FileSystem.h"

#include <filesystem>
#include <set>

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

// Where the corrupting mirror changes bytes.
enum class Damage {
    // 41 bytes near the start of its first range, whichever range its rank gives it (the block
    // may lie in its range alone or straddle the one before).
    kFirstRange,
    // 41 bytes just past the start of every range but the first, at file offsets: wherever its
    // rank puts it, each damaged block straddles its own range and the range of the mirror
    // before it, and the third mirror sent none of it. Every mirror is paced so that no range is
    // split before it ends, which would mix a third mirror into the block; the corrupting one a
    // quarter faster than the others (too little for a split), so that it looks the fastest
    // when the repair's mirror is chosen.
    kRangeStarts,
};

class CorruptBlockRepair : public FaultMatrix, public ::testing::WithParamInterface<Damage> {
protected:
    static constexpr uint32_t kCorruptingRate = 640 * 1024; // the others: limit_rate 512k
    static constexpr int kRanges = 6;                       // three mirrors, two transfers each
    uint64_t RangeLength() const { return m_package.size() / kRanges; }
    static uint64_t BlockOf(uint64_t offset) { return offset / kBlockSize * kBlockSize; }
    // Repairs start only once no transfer is active, so every segment from the first repair
    // on belongs to a repair (or to a split or restart of one), and every earlier one does not.
    static int FirstRepairId() {
        int first = -1;
        for (const std::string& line : LogCapture::Lines()) {
            const size_t at = line.find("Download_RepairData : GetBestURL Info");
            const size_t id = line.find("ID(", at == std::string::npos ? line.size() : at);
            if (id != std::string::npos) {
                const int value = std::atoi(line.c_str() + id + 3);
                first = first < 0 ? value : std::min(first, value);
            }
        }
        return first;
    }
    // The mirrors of the segments that stored bytes of [first, last]: before the first repair
    // (repairs false) or from it on (repairs true).
    static std::set<std::string> Senders(const DownloadInfo& info, uint64_t first, uint64_t last,
                                         int firstRepair, bool repairs) {
        std::set<std::string> urls;
        for (const auto& [id, segment] : info.segments) {
            if ((id >= firstRepair) == repairs && segment.start <= last &&
                segment.current > first) {
                urls.insert(segment.url);
            }
        }
        return urls;
    }
};

TEST_P(CorruptBlockRepair, RepairedOnceFromAMirrorThatSentNoneOfIt) {
    LogCapture log;
    FaultServer corrupt;
    FaultPlan plan;
    plan.kind = FaultPlan::Kind::kCorrupt;
    std::vector<NginxSite> healthy = {Healthy("127.0.0.2"), Healthy("127.0.0.3")};
    if (GetParam() == Damage::kFirstRange) {
        plan.corrupt = {{100, 140}};
        plan.corruptFirstRangeOnly = true;
    } else {
        for (int i = 1; i < kRanges; ++i) {
            const uint64_t start = i * RangeLength();
            // Each range start lies well inside its block, so the block holds bytes of both
            // neighbouring ranges.
            ASSERT_GT(start - BlockOf(start), 200u) << i;
            ASSERT_GT(BlockOf(start) + kBlockSize - start, 200u) << i;
            plan.corrupt.push_back({start + 100, start + 140});
        }
        plan.rateBytesPerSecond = kCorruptingRate;
        for (NginxSite& site : healthy) {
            site.directives = "limit_rate 512k;";
        }
    }
    StartFault(&corrupt, "127.0.0.5", plan);
    const std::string bad = MirrorUrl("127.0.0.5");
    Serve({bad, MirrorUrl("127.0.0.2"), MirrorUrl("127.0.0.3")}, healthy);
    EngineRun run;
    ASSERT_EQ(run.Run(), kSOk);
    ExpectComplete(run);
    DownloadInfo info;
    run.Engine().GetDownloadInfo(&info);
    ASSERT_EQ(info.threadCount, kRanges);

    // The damaged blocks, from what the corrupting mirror was asked for.
    std::set<uint64_t> damaged;
    if (GetParam() == Damage::kFirstRange) {
        const std::optional<uint64_t> range = corrupt.CorruptedRangeStart();
        ASSERT_TRUE(range.has_value()) << "the corrupting mirror served no range";
        damaged.insert(BlockOf(*range + 100));
    } else {
        for (int i = 1; i < kRanges; ++i) {
            if (info.segments.at(i).url == bad) {
                damaged.insert(BlockOf(i * RangeLength() + 100));
            }
        }
        ASSERT_FALSE(damaged.empty());
    }
    EXPECT_EQ(log.Count("Download_RepairData : GetBestURL Info"), static_cast<int>(damaged.size()))
        << log.All();
    const int firstRepair = FirstRepairId();
    ASSERT_GE(firstRepair, info.threadCount) << log.All();
    int straddling = 0;
    for (uint64_t first : damaged) {
        const uint64_t last = std::min<uint64_t>(first + kBlockSize, m_package.size()) - 1;
        EXPECT_EQ(log.Count("Download_RepairData : GetBestURL Info, start(" +
                            std::to_string(first) + "), end(" + std::to_string(last) + ")"),
                  1)
            << first << "\n"
            << log.All();
        const std::set<std::string> sent = Senders(info, first, last, firstRepair, false);
        ASSERT_EQ(sent.count(bad), 1u) << first;
        straddling += sent.size() == 2 ? 1 : 0;
        // Whenever some mirror sent none of the block, the repair and every part of it came
        // from such mirrors.
        const std::set<std::string> repaired = Senders(info, first, last, firstRepair, true);
        EXPECT_FALSE(repaired.empty()) << first;
        if (sent.size() < 3) {
            for (const std::string& url : repaired) {
                EXPECT_EQ(sent.count(url), 0u)
                    << "block " << first << " repaired by " << url << ", which sent part of it\n"
                    << log.All();
            }
        }
    }
    if (GetParam() == Damage::kRangeStarts) {
        EXPECT_GE(straddling, 1) << log.All();
    }
}

INSTANTIATE_TEST_SUITE_P(Damage, CorruptBlockRepair,
                         ::testing::Values(Damage::kFirstRange, Damage::kRangeStarts),
                         [](const ::testing::TestParamInfo<Damage>& info) {
                             return std::string(info.param == Damage::kFirstRange ? "FirstRange"
                                                                                  : "RangeStarts");
                         });

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
