// The download information window: a plain diagnostic dialog (template 189) that the debug
// settings switch on. One view lists every segment of the running download with a total speed
// row, refreshed at most once a second; the other lists every line written to the install log.
//
// Refresh runs on the setup window's repaint thread and AddLogLine on whatever thread writes a
// log line. Neither touches the controls itself: both post their updates to the window thread,
// in order, and never wait for it, so a worker can never block on a main thread that is itself
// waiting (for that worker, or inside a modal loop).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "download/DownloadTypes.h"
#include "skin/CommonDlg.h"

namespace skin {

inline constexpr int kInfoSegmentListId = 1001;
inline constexpr int kInfoLogListId = 1005;
inline constexpr int kInfoButtonId = 1006;
inline constexpr int kLogButtonId = 1007;

class InfoViewDlg : public CommonDlg {
public:
    InfoViewDlg() = default;
    ~InfoViewDlg() override;

    // Creates the window modeless from template 189 without owner, centres it on the screen at
    // its template size and shows it. Window thread only. Null when it could not be created.
    WindowHandle Create();

    int OnInitDialog(WindowHandle window) override;
    // "Info" shows the segment list, "Log" the log list; then the base dispatcher.
    LResult DialogProc(WindowHandle window, uint32_t message, WParam p1, LParam p2) override;

    // Rebuilds the segment table from info, at most once a second: returns 0 without any change
    // when the last refresh is less than 1000 ms ago, else 1. A null info only restarts the
    // second. Any thread.
    int Refresh(const DownloadInfo* info);
    // The same at tick now.
    int RefreshAt(const DownloadInfo* info, uint32_t now);
    // Appends the text as the last line of the log list. Always 1. Any thread.
    int AddLogLine(const char* text);

    WindowHandle SegmentList() const { return m_segmentList.load(); }
    WindowHandle LogList() const { return m_logList.load(); }

    // The cell texts of one refresh: a row per segment in id order, then the total speed row.
    static std::vector<std::vector<std::wstring>> TableRows(const DownloadInfo& info);

private:
    void ShowView(bool segments);
    void PostPendingLines();

    std::atomic<WindowHandle> m_segmentList{nullptr};
    std::atomic<WindowHandle> m_logList{nullptr};
    std::atomic<uint32_t> m_lastRefresh{0};
    std::atomic<bool> m_refreshed{false};
    // Log lines waiting for the window thread; one drain task is queued at a time.
    std::mutex m_pendingLock;
    std::vector<std::wstring> m_pendingLines;
    bool m_drainQueued = false;
};

// The process-wide window object, or null when the window was never created.
InfoViewDlg* InfoViewInstance();

// Called once by the entry point before the install log is opened: with show_info_view = 1 in
// section "root" of Documents\QorDebugConfig.ini, creates and shows the window. Always 1.
int ShowInfoView();
// Hands a download snapshot to the window when it exists. Always 1.
int InfoViewRefresh(const DownloadInfo* info);
// The install log's listener: hands every written line to the window when it exists. Always 1.
int InfoViewLogListener(const char* text);

} // namespace skin
