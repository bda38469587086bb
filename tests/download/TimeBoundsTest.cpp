// The engine's bounds by time, against real servers on loopback: nginx for the healthy mirrors
// and the descriptions, the fault server for outages and trickles. The scenarios wait for their
// 30 s and 60 s bounds side by side, each with its own engine, mirrors and package file, so the
// whole table costs about one minute.
#include "EngineFixture.h"

#include "app/Result.h"
#include "app/TextConv.h"

#include <filesystem>
#include <functional>

namespace testing_support {
namespace {

constexpr size_t kSize = 8 * 1048576 + 777;

struct Scenario {
    const char* name;
    std::vector<std::string> mirrors; // addresses
    std::string cfgUrl;               // empty: the description on the download server
    int outcome;
    EndReason reason;
    int atLeastSeconds;
    int atMostSeconds;
    // Filled by the run.
    double seconds = 0;
    int status = 0;
    EndReason ended = EndReason::kNone;
    bool exact = false;
    std::vector<DownloadSegment> segments;
};

class TimeBounds : public ::testing::Test {
protected:
    void SetUp() override {
        m_package = MakePackageBytes(kSize, 21);
        m_served.Write(kPackagePath, m_package);
    }

    void Describe(const std::string& name, const std::vector<std::string>& addresses) {
        std::vector<std::string> mirrors;
        for (const std::string& address : addresses) {
            mirrors.push_back(MirrorUrl(address));
        }
        m_served.Write("setup/" + name + ".cfg", DescriptionText(mirrors));
    }
    std::string DescriptionText(const std::vector<std::string>& mirrors) {
        return DescriptionXml(DescribePackage(m_package.data(), m_package.size(), mirrors));
    }
    void StartFault(const std::string& address, FaultPlan plan, const std::string& content) {
        auto server = std::make_unique<FaultServer>();
        std::string error;
        ASSERT_TRUE(server->Start(address, 80, content, plan, "11", &error)) << error;
        m_faults.push_back(std::move(server));
    }

    void RunSideBySide(std::vector<Scenario>* scenarios) {
        std::vector<std::thread> threads;
        for (size_t i = 0; i < scenarios->size(); ++i) {
            threads.emplace_back([this, &scenario = (*scenarios)[i], i] { Run(&scenario, i); });
        }
        for (std::thread& thread : threads) {
            thread.join();
        }
    }

    void Run(Scenario* scenario, size_t index) {
        const std::string local = "C:\\Downloads\\bounds\\" + std::to_string(index) + ".exe";
        const std::string url = scenario->cfgUrl.empty() ? "http://127.0.0.1/setup/" +
                                                               std::string(scenario->name) + ".cfg"
                                                         : scenario->cfgUrl;
        EngineRun run;
        const auto started = std::chrono::steady_clock::now();
        run.Run(url.c_str(), local.c_str(), std::chrono::seconds(90));
        scenario->seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        scenario->status = run.Engine().GetStatus();
        scenario->ended = run.Engine().GetEndReason();
        scenario->exact = ReadHostFile(ScopedRoot::Host(AnsiToWide(local))) == m_package;
        DownloadInfo info;
        run.Engine().GetDownloadInfo(&info);
        for (const auto& [id, segment] : info.segments) {
            scenario->segments.push_back(segment);
        }
    }

    ScopedRoot m_root;
    ServedFolder m_served;
    NginxServer m_nginx;
    std::vector<std::unique_ptr<FaultServer>> m_faults;
    std::string m_package;
};

TEST_F(TimeBounds, OutagesAndTricklesEndWithinTheirBounds) {
    LogCapture log;
    FaultPlan outage;
    outage.kind = FaultPlan::Kind::kOutage;
    outage.outageMilliseconds = 20000;
    for (const char* address : {"127.0.0.5", "127.0.0.6", "127.0.0.7"}) {
        StartFault(address, outage, m_package);
    }
    FaultPlan down = outage;
    down.outageMilliseconds = -1;
    for (const char* address : {"127.0.0.8", "127.0.0.9"}) {
        StartFault(address, down, m_package);
    }
    FaultPlan trickle;
    trickle.kind = FaultPlan::Kind::kTrickle;
    StartFault("127.0.0.10", trickle, m_package);
    StartFault("127.0.0.11", trickle, m_package);
    // A description that trickles in as slowly.
    StartFault("127.0.0.12", trickle, DescriptionText({MirrorUrl("127.0.0.2")}));

    std::vector<Scenario> scenarios = {
        {"outage", {"127.0.0.5", "127.0.0.6", "127.0.0.7"}, "", 5, EndReason::kComplete, 20, 45},
        {"down", {"127.0.0.8", "127.0.0.9"}, "", 4, EndReason::kNoProgress, 60, 75},
        {"trickle_among_healthy",
         {"127.0.0.10", "127.0.0.2", "127.0.0.3"},
         "",
         5,
         EndReason::kComplete,
         28,
         60},
        {"single_trickle", {"127.0.0.11"}, "", 4, EndReason::kTooSlow, 30, 45},
        {"trickling_description",
         {},
         "http://127.0.0.12/setup/slow.cfg",
         4,
         EndReason::kDescriptionFailed,
         30,
         45},
    };
    for (const Scenario& scenario : scenarios) {
        if (scenario.cfgUrl.empty()) {
            Describe(scenario.name, scenario.mirrors);
        }
    }
    std::string error;
    ASSERT_TRUE(m_nginx.Start({{"127.0.0.1", m_served.Path()},
                               {"127.0.0.2", m_served.Path()},
                               {"127.0.0.3", m_served.Path()}},
                              &error))
        << error;
    RunSideBySide(&scenarios);

    for (const Scenario& scenario : scenarios) {
        SCOPED_TRACE(scenario.name);
        printf("%-24s outcome %d (%s) after %.1f s\n", scenario.name, scenario.status,
               EndReasonText(scenario.ended), scenario.seconds);
        EXPECT_EQ(scenario.status, scenario.outcome);
        EXPECT_EQ(scenario.ended, scenario.reason);
        EXPECT_GE(scenario.seconds, scenario.atLeastSeconds);
        EXPECT_LE(scenario.seconds, scenario.atMostSeconds);
        EXPECT_EQ(scenario.exact, scenario.outcome == 5);
    }
    // The trickling mirror among healthy ones lost its ranges to them: nothing it kept was
    // still running, and every range it held either completed or was moved.
    EXPECT_GE(log.Count("below 1024 bytes/s, moved to http://127.0.0.2/") +
                  log.Count("below 1024 bytes/s, moved to http://127.0.0.3/"),
              1)
        << log.All();
    EXPECT_GE(log.Count("below 1024 bytes/s, no faster mirror"), 1);
    EXPECT_EQ(log.Count("no mirror delivered a byte for"), 1);
    EXPECT_EQ(log.Count("below 1024 bytes/s, given up."), 1);
    // During the outage the ranges went round the three mirrors, each refusing in turn.
    int restartsDuringOutage = 0;
    for (const DownloadSegment& segment : scenarios[0].segments) {
        restartsDuringOutage += segment.status == E_Status_StopByDispatch ? 1 : 0;
    }
    EXPECT_GE(restartsDuringOutage, 6 * 5); // about ten rounds of six ranges
}

} // namespace
} // namespace testing_support
