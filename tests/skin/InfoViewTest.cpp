// The download information window on a real modeless dialog (the headless backend): the
// one-second refresh gate and the rows as a table, the log view and the Info/Log switch, the
// debug switch, and a worker that writes 10 000 log lines while the window thread is blocked
// inside a modal loop. Pictures: artifacts/infoview-segments.png and infoview-log.png.
#include "skin/InfoView.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "app/DiskPaths.h"
#include "app/Log.h"
#include "platform/SystemInfo.h"
#include "tests/common/PumpUntil.h"
#include "tests/common/ScopedRoot.h"

namespace skin {
namespace {

using platform::ListBoxGetCount;
using platform::ListBoxGetText;
using platform::ListViewGetItemCount;
using platform::ListViewGetItemText;

std::string ArtifactPath(const std::string& name) {
    const char* binary = std::getenv("KELTO_BINARY_DIR");
    std::filesystem::path folder = std::filesystem::path(binary ? binary : ".") / "artifacts";
    std::filesystem::create_directories(folder);
    return (folder / name).string();
}

DownloadSegment Segment(int id, uint32_t start, uint32_t end, uint32_t current, uint32_t speed,
                        int status) {
    DownloadSegment s;
    s.id = id;
    s.start = start;
    s.end = end;
    s.current = current;
    s.speed = speed;
    s.status = status;
    s.url = "http://127.0.0." + std::to_string(id + 2) + "/kelto/package.bin";
    return s;
}

class InfoViewTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::Headless));
    }
    static void TearDownTestSuite() { platform::ShutdownWindowSystem(); }
    void SetUp() override {
        window = view.Create();
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { platform::DestroyWindow(window); }

    std::vector<std::wstring> Row(int row) {
        std::vector<std::wstring> cells;
        for (int column = 0; column < 8; ++column) {
            cells.push_back(ListViewGetItemText(view.SegmentList(), row, column));
        }
        return cells;
    }
    void PumpPosted() { platform::PumpMessages(0); }

    InfoViewDlg view;
    platform::WindowHandle window = nullptr;
};

TEST_F(InfoViewTest, OpensWithItsTitleAndTheSegmentView) {
    EXPECT_EQ(platform::GetWindowText(window), L"Info View");
    EXPECT_TRUE(platform::IsWindowVisible(window));
    EXPECT_TRUE(platform::IsWindowVisible(view.SegmentList()));
    EXPECT_FALSE(platform::IsWindowVisible(view.LogList()));
    EXPECT_EQ(ListViewGetItemCount(view.SegmentList()), 0);
}

TEST_F(InfoViewTest, RefreshListsEverySegmentAtMostOnceASecond) {
    DownloadInfo info;
    info.segments[0] = Segment(0, 0, 999, 1000, 5000, E_Status_Succeed);
    info.segments[1] = Segment(1, 1000, 3145727, 1049576, 2048, E_Status_Runing);
    info.segments[2] = Segment(2, 3145728, 4194303, 3145728, 100, E_Status_Fail);
    info.segments[3] = Segment(3, 4194304, 6291455, 4194304, 3000, E_Status_Runing);
    info.segments[4] = Segment(4, 6291456, 6291456, 6291456, 0, E_Status_StopByDispatch);

    const uint32_t t0 = 5000;
    EXPECT_EQ(view.RefreshAt(&info, t0), 1); // the first call refreshes at once
    PumpPosted();
    struct Expected {
        std::vector<std::wstring> cells;
    } rows[] = {
        {{L"0", L"0Byte", L"999Byte", L"1000Byte", L"100.10", L"4.88KB/s", L"E_Status_Succeed",
          L"http://127.0.0.2/kelto/package.bin"}},
        {{L"1", L"1000Byte", L"3.00MB", L"1024.00KB", L"33.34", L"2.00KB/s", L"E_Status_Runing",
          L"http://127.0.0.3/kelto/package.bin"}},
        {{L"2", L"3.00MB", L"4.00MB", L"0Byte", L"0.00", L"100Byte/s", L"E_Status_Fail",
          L"http://127.0.0.4/kelto/package.bin"}},
        {{L"3", L"4.00MB", L"6.00MB", L"0Byte", L"0.00", L"2.93KB/s", L"E_Status_Runing",
          L"http://127.0.0.5/kelto/package.bin"}},
        {{L"4", L"6.00MB", L"6.00MB", L"0Byte", L"0.00", L"0Byte/s", L"E_Status_StopByDispatch",
          L"http://127.0.0.6/kelto/package.bin"}},
        // Only the running segments count: 2048 + 3000.
        {{L"Total Speed:", L"4.93KB", L"", L"", L"", L"", L"", L""}},
    };
    ASSERT_EQ(ListViewGetItemCount(view.SegmentList()), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(Row(i), rows[i].cells) << "row " << i;
    }
    platform::SaveWindowFrameAsPng(window, ArtifactPath("infoview-segments.png").c_str());

    // Within the second nothing changes.
    DownloadInfo empty;
    EXPECT_EQ(view.RefreshAt(&empty, t0), 0);
    EXPECT_EQ(view.RefreshAt(&empty, t0 + 999), 0);
    PumpPosted();
    EXPECT_EQ(ListViewGetItemCount(view.SegmentList()), 6);
    // A second later the empty table leaves only the total, 0Byte.
    EXPECT_EQ(view.RefreshAt(&empty, t0 + 1000), 1);
    PumpPosted();
    ASSERT_EQ(ListViewGetItemCount(view.SegmentList()), 1);
    EXPECT_EQ(Row(0)[0], L"Total Speed:");
    EXPECT_EQ(Row(0)[1], L"0Byte");
    // No snapshot restarts the second without touching the table.
    EXPECT_EQ(view.RefreshAt(nullptr, t0 + 2000), 1);
    EXPECT_EQ(view.RefreshAt(&info, t0 + 2500), 0);
    PumpPosted();
    EXPECT_EQ(ListViewGetItemCount(view.SegmentList()), 1);
}

TEST_F(InfoViewTest, LogLinesArriveAsWrittenAndTheViewsSwitchWithoutClearing) {
    view.AddLogLine("Setup Init. Version 1.0.6.0");
    view.AddLogLine("Download_Dispatch : split\n");
    view.AddLogLine(nullptr);
    PumpPosted();
    ASSERT_EQ(ListBoxGetCount(view.LogList()), 2);
    EXPECT_EQ(ListBoxGetText(view.LogList(), 0), L"Setup Init. Version 1.0.6.0");
    EXPECT_EQ(ListBoxGetText(view.LogList(), 1), L"Download_Dispatch : split\n");

    DownloadInfo info;
    info.segments[0] = Segment(0, 0, 999, 500, 10, E_Status_Runing);
    view.Refresh(&info);
    PumpPosted();
    platform::SendMessage(window, platform::kWmCommand, kLogButtonId, 0);
    EXPECT_FALSE(platform::IsWindowVisible(view.SegmentList()));
    EXPECT_TRUE(platform::IsWindowVisible(view.LogList()));
    platform::PumpMessages(50); // present the log view before taking its picture
    platform::SaveWindowFrameAsPng(window, ArtifactPath("infoview-log.png").c_str());
    platform::SendMessage(window, platform::kWmCommand, kInfoButtonId, 0);
    EXPECT_TRUE(platform::IsWindowVisible(view.SegmentList()));
    EXPECT_FALSE(platform::IsWindowVisible(view.LogList()));
    EXPECT_EQ(ListBoxGetCount(view.LogList()), 2);
    EXPECT_EQ(ListViewGetItemCount(view.SegmentList()), 2);
}

TEST_F(InfoViewTest, CloseEndsTheWindowAndLaterUpdatesAreHarmless) {
    platform::SendMessage(window, platform::kWmCommand, platform::kIdCancel, 0);
    PumpPosted();
    EXPECT_FALSE(platform::IsWindow(window));
    view.AddLogLine("after close");
    DownloadInfo info;
    EXPECT_EQ(view.Refresh(&info), 1);
    PumpPosted();
}

// The whole switch road through the process-wide window: off without the settings file, on with
// show_info_view = 1, and then a worker floods the log while the window thread sits in a modal
// loop waiting for that very worker.
TEST(InfoViewSwitch, WorkerFloodsTheLogWhileTheWindowThreadWaitsInAModalLoop) {
    ASSERT_TRUE(platform::InitWindowSystem(platform::WindowBackendKind::Headless));
    testing_support::ScopedRoot root("[system]\nuser=tester\n");
    EXPECT_EQ(ShowInfoView(), 1);
    EXPECT_EQ(InfoViewInstance(), nullptr); // no settings file
    EXPECT_EQ(InfoViewLogListener("ignored"), 1);
    EXPECT_EQ(InfoViewRefresh(nullptr), 1);

    std::wstring config;
    GetDocumentsPath(config, L"", L"QorDebugConfig.ini", true);
    testing_support::WriteHostFile(testing_support::ScopedRoot::Host(config),
                                   "[root]\nshow_info_view=1\n");
    EXPECT_EQ(ShowInfoView(), 1);
    InfoViewDlg* view = InfoViewInstance();
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(platform::IsWindowVisible(view->GetWindow()));

    std::wstring logPath;
    GetDocumentsPath(logPath, L"Kelto Clipwave Converter Pro\\Log\\", L"install.log", true);
    ILog::Instance().Init(logPath);
    ILog::Instance().SetListener(&InfoViewLogListener);
    LogFormat("Setup Init. Version %s", "1.0.6.0");

    constexpr int kLines = 10000;
    platform::DialogTemplate modal;
    modal.width = 200;
    modal.height = 100;
    modal.inPixels = true;
    auto proc = [&](platform::WindowHandle w, uint32_t message, platform::WParam p1,
                    platform::LParam) -> platform::LResult {
        if (message == platform::kWmInitDialog) {
            platform::PostMessage(w, platform::kWmCommand, 100, 0);
            return 1;
        }
        if (message == platform::kWmCommand && p1 == 100) {
            // Inside the modal loop the window thread blocks on the worker.
            std::thread worker([] {
                for (int i = 0; i < kLines; ++i) {
                    LogFormat("Worker line %d", i);
                }
            });
            worker.join();
            platform::EndDialog(w, 7);
            return 1;
        }
        return 0;
    };
    EXPECT_EQ(platform::DialogBox(modal, nullptr, proc), 7);
    ILog::Instance().SetListener(nullptr);

    platform::WindowHandle logList = view->LogList();
    ASSERT_TRUE(testing_support::PumpUntil([&] { return ListBoxGetCount(logList) >= kLines + 1; },
                                           std::chrono::seconds(20)));
    ASSERT_EQ(ListBoxGetCount(logList), kLines + 1);
    EXPECT_EQ(ListBoxGetText(logList, 0), L"Setup Init. Version 1.0.6.0");
    for (int i = 0; i < kLines; ++i) {
        ASSERT_EQ(ListBoxGetText(logList, i + 1), L"Worker line " + std::to_wstring(i));
    }
    platform::DestroyWindow(view->GetWindow());
    platform::ShutdownWindowSystem();
}

} // namespace
} // namespace skin
