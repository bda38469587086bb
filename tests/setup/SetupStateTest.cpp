// The controller's state without a window: the install command over the four states, the
// download and unpack reports as tables, the one setter per state machine, and the version text
// hand-over between threads.
#include "setup/SetupState.h"

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(SetupState, StartsReadyWaitingWithEveryOptionAndUnpackSucceeded) {
    SetupState state;
    EXPECT_EQ(state.GetInstallState(), E_Install_Ready);
    EXPECT_EQ(state.GetPhase(), E_Phase_Waiting);
    EXPECT_EQ(state.optionFlags.load(), 0xFFFFFFFFu);
    EXPECT_EQ(state.unpackSucceeded.load(), 1);
    EXPECT_FALSE(state.closing.load());
    EXPECT_EQ(state.versionText.Get(), "");
}

TEST(SetupState, InstallCommandFollowsTheState) {
    const struct {
        InstallState state;
        InstallCommand command;
    } cases[] = {
        {E_Install_Ready, InstallCommand::Start},
        {E_Install_Installing, InstallCommand::Ignore},
        {E_Install_Installed, InstallCommand::Finish},
        {E_Install_Failed, InstallCommand::Start},
    };
    for (const auto& c : cases) {
        SetupState state;
        state.SetInstallState(c.state);
        EXPECT_EQ(state.GetInstallState(), c.state);
        EXPECT_EQ(state.ClassifyInstallCommand(), c.command) << InstallStateName(c.state);
    }
}

TEST(SetupState, NamesEveryState) {
    EXPECT_STREQ(InstallStateName(E_Install_Failed), "Failed");
    EXPECT_STREQ(InstallStateName(7), "Unknown");
}

// The frame thread and the painters read the animation state; what the reports and the install
// sequence write must land there, not in a copy.
TEST(SetupState, ReportsWriteTheAnimationState) {
    SetupState state;
    state.OnDownloadNotify(3, 42, 100);
    EXPECT_EQ(state.anim.downloadPercent.load(), 42);
    state.OnDownloadNotify(5, 0, 0);
    EXPECT_TRUE(state.anim.downloadFinished.load());
    state.SetPhase(E_Phase_Unpacking);
    EXPECT_EQ(state.anim.Phase(), skin::AnimPhase::Unpacking);
    state.OnUnpackEvent(3, 640);
    EXPECT_EQ(state.anim.unpackProgress.load(), 640);
}

TEST(SetupState, DownloadReports) {
    struct Case {
        int code;
        unsigned a;
        long b;
        int percent;
        bool ended;
        bool finished;
        bool reused;
    };
    const Case cases[] = {
        {3, 50, 200, 25, false, false, false},
        {3, 199, 200, 99, false, false, false}, // the whole part
        // a is unsigned: a position above 2 GiB stays positive.
        {3, 0xFFFFFFFFu, 0xFFFFFFFFL, 100, false, false, false},
        {3, 3000000000u, 4000000000L, 75, false, false, false},
        {3, 10, 0, 0, false, false, false}, // no total: nothing
        {4, 0, 0, 0, true, false, false},
        {5, 0, 0, 0, true, true, false},
        {5, 0, 1, 0, true, true, true}, // reused from disk
        {7, 1, 2, 0, false, false, false},
    };
    for (const Case& c : cases) {
        SetupState state;
        EXPECT_EQ(state.OnDownloadNotify(c.code, c.a, c.b), 1);
        EXPECT_EQ(state.downloadPercent.load(), c.percent) << c.code << " " << c.a << " " << c.b;
        EXPECT_EQ(state.downloadEnded.load(), c.ended) << c.code;
        EXPECT_EQ(state.downloadFinished.load(), c.finished) << c.code;
        EXPECT_EQ(state.downloadReused.load(), c.reused) << c.code << " " << c.b;
    }
}

TEST(SetupState, UnpackReports) {
    struct Case {
        int event;
        unsigned value;
        int progress; // -1: unchanged from 123
        int succeeded;
        UnpackReport report;
    };
    const Case cases[] = {
        {0, 77, 0, 1, UnpackReport::None},
        {1, 0, 1000, 1, UnpackReport::Succeeded},
        {2, 0, -1, 0, UnpackReport::Failed},
        {3, 0, 0, 1, UnpackReport::None},
        {3, 1000, 1000, 1, UnpackReport::None},
        {3, 1001, -1, 1, UnpackReport::None}, // beyond the whole: ignored
        {3, 0xFFFFFFFFu, -1, 1, UnpackReport::None},
        {100, 50, 500, 1, UnpackReport::None},
        {101, 5, -1, 1, UnpackReport::None},
    };
    for (const Case& c : cases) {
        SetupState state;
        state.unpackProgress = 123;
        EXPECT_EQ(state.OnUnpackEvent(c.event, c.value), c.report) << c.event;
        EXPECT_EQ(state.unpackProgress.load(), c.progress < 0 ? 123 : c.progress)
            << c.event << " " << c.value;
        EXPECT_EQ(state.unpackSucceeded.load(), c.succeeded) << c.event;
    }
}

// The install thread reads the version text while the version thread publishes it: it sees the
// empty text or the whole one, never a part.
TEST(SetupState, VersionTextIsSeenEmptyOrWhole) {
    SetupState state;
    const std::string whole = "1.0.0.123-" + std::string(4000, 'x');
    std::thread writer([&] { state.versionText.Publish(whole); });
    std::vector<std::string> seen;
    for (int i = 0; i < 2000; ++i) {
        seen.push_back(state.versionText.Get());
    }
    writer.join();
    for (const std::string& text : seen) {
        EXPECT_TRUE(text.empty() || text == whole) << text.size();
    }
    EXPECT_EQ(state.versionText.Get(), whole);
}

} // namespace
