#include "skin/InfoView.h"

#include <cassert>
#include <cstdio>
#include <utility>

#include "app/Probes.h"
#include "app/TextConv.h"
#include "platform/SystemInfo.h"
#include "skin/AnimationPixels.h"
#include "skin/DialogTemplates.h"

namespace skin {
namespace {

constexpr uint32_t kRefreshGateMs = 1000;
constexpr size_t kCellChars = 128;

struct Column {
    const wchar_t* header;
    int width;
};
constexpr Column kColumns[] = {{L"Num", 100}, {L"Start", 100}, {L"End", 100},    {L"Current", 100},
                               {L"Rate", 50}, {L"Speed", 100}, {L"Status", 150}, {L"Url", 450}};

std::atomic<InfoViewDlg*> g_infoView{nullptr};

// Cells are formatted into buffers of 128 wide characters: longer texts are cut.
std::wstring Clip(std::wstring text) {
    if (text.size() >= kCellChars) {
        text.resize(kCellChars - 1);
    }
    return text;
}

std::wstring Number(const wchar_t* format, double value) {
    wchar_t text[kCellChars];
    int written = std::swprintf(text, kCellChars, format, value);
    return written < 0 ? std::wstring() : std::wstring(text);
}

std::wstring RateCell(const DownloadSegment& s) {
    // A range without length has no rate.
    if (s.end == s.start) {
        return L"0.00";
    }
    float rate =
        static_cast<float>(s.current - s.start) * 100.0f / static_cast<float>(s.end - s.start);
    return Number(L"%.2f", static_cast<double>(rate));
}

std::vector<std::wstring> SegmentRow(const DownloadSegment& s) {
    return {std::to_wstring(s.id),
            FormatSizeWide(s.start),
            FormatSizeWide(s.end),
            FormatSizeWide(s.current - s.start),
            RateCell(s),
            FormatSizeWide(s.speed) + L"/s",
            Clip(AnsiToWide(SegmentStatusName(s.status))),
            Clip(AnsiToWide(s.url))};
}

void FillSegmentList(WindowHandle list, const std::vector<std::vector<std::wstring>>& rows) {
    platform::ListViewDeleteAllItems(list);
    for (size_t row = 0; row < rows.size(); ++row) {
        int index = static_cast<int>(row);
        platform::ListViewInsertItem(list, index, rows[row][0]);
        for (size_t column = 1; column < rows[row].size(); ++column) {
            platform::ListViewSetItemText(list, index, static_cast<int>(column), rows[row][column]);
        }
    }
}

} // namespace

InfoViewDlg::~InfoViewDlg() = default;

WindowHandle InfoViewDlg::Create() {
    // The entry point calls this first thing: the calling thread becomes the window thread.
    platform::InitWindowSystem();
    assert(platform::IsWindowThread() && "windows are created on the window thread");
    const platform::DialogTemplate* dialogTemplate = FindDialogTemplate(kInfoViewDialogId);
    if (dialogTemplate == nullptr) {
        return nullptr;
    }
    WindowHandle window = platform::CreateDialog(*dialogTemplate, nullptr, BindDialogProc(this));
    if (window == nullptr) {
        return nullptr;
    }
    platform::Rect r;
    platform::GetWindowRect(window, &r);
    int x = platform::GetSystemMetrics(platform::kSmCxScreen) / 2 - r.Width() / 2;
    int y = platform::GetSystemMetrics(platform::kSmCyScreen) / 2 - r.Height() / 2;
    platform::MoveWindow(window, x, y, r.Width(), r.Height(), false);
    platform::ShowWindow(window, platform::kSwShow);
    return window;
}

int InfoViewDlg::OnInitDialog(WindowHandle window) {
    CommonDlg::OnInitDialog(window);
    platform::SetWindowText(window, L"Info View");
    WindowHandle segments = platform::GetDlgItem(window, kInfoSegmentListId);
    m_segmentList.store(segments);
    m_logList.store(platform::GetDlgItem(window, kInfoLogListId));
    for (size_t i = 0; i < std::size(kColumns); ++i) {
        platform::ListViewInsertColumn(segments, static_cast<int>(i), kColumns[i].header,
                                       kColumns[i].width);
    }
    platform::ListViewDeleteAllItems(segments);
    ShowView(true);
    return 1;
}

void InfoViewDlg::ShowView(bool segments) {
    platform::ShowWindow(m_segmentList.load(), segments ? platform::kSwShow : platform::kSwHide);
    platform::ShowWindow(m_logList.load(), segments ? platform::kSwHide : platform::kSwShow);
}

LResult InfoViewDlg::DialogProc(WindowHandle window, uint32_t message, WParam p1, LParam p2) {
    if (message == platform::kWmCommand && p1 == kInfoButtonId) {
        ShowView(true);
    } else if (message == platform::kWmCommand && p1 == kLogButtonId) {
        ShowView(false);
    }
    return CommonDlg::DialogProc(window, message, p1, p2);
}

std::vector<std::vector<std::wstring>> InfoViewDlg::TableRows(const DownloadInfo& info) {
    std::vector<std::vector<std::wstring>> rows;
    uint32_t totalSpeed = 0;
    for (const auto& [id, segment] : info.segments) {
        rows.push_back(SegmentRow(segment));
        if (segment.status == E_Status_Runing) {
            totalSpeed += segment.speed;
        }
    }
    rows.push_back({L"Total Speed:", FormatSizeWide(totalSpeed)});
    return rows;
}

int InfoViewDlg::Refresh(const DownloadInfo* info) {
    return RefreshAt(info, platform::GetTickCount());
}

int InfoViewDlg::RefreshAt(const DownloadInfo* info, uint32_t now) {
    // The first call always refreshes, whatever the tick count says.
    if (m_refreshed.load() && now - m_lastRefresh.load() < kRefreshGateMs) {
        return 0;
    }
    m_lastRefresh.store(now);
    m_refreshed.store(true);
    if (info == nullptr) {
        return 1;
    }
    WindowHandle list = m_segmentList.load();
    platform::PostToWindowThread([list, rows = TableRows(*info)] { FillSegmentList(list, rows); });
    return 1;
}

int InfoViewDlg::AddLogLine(const char* text) {
    if (text == nullptr || m_logList.load() == nullptr) {
        return 1;
    }
    bool queueDrain = false;
    {
        std::lock_guard<std::mutex> guard(m_pendingLock);
        m_pendingLines.push_back(AnsiToWide(text));
        queueDrain = !m_drainQueued;
        m_drainQueued = true;
    }
    if (queueDrain) {
        PostPendingLines();
    }
    return 1;
}

void InfoViewDlg::PostPendingLines() {
    bool posted = platform::PostToWindowThread([this] {
        std::vector<std::wstring> lines;
        {
            std::lock_guard<std::mutex> guard(m_pendingLock);
            lines.swap(m_pendingLines);
            m_drainQueued = false;
        }
        WindowHandle list = m_logList.load();
        for (const std::wstring& line : lines) {
            platform::ListBoxAddString(list, line);
        }
    });
    if (!posted) {
        // No window thread runs (any more): the lines wait for the next post that succeeds.
        std::lock_guard<std::mutex> guard(m_pendingLock);
        m_drainQueued = false;
    }
}

InfoViewDlg* InfoViewInstance() {
    return g_infoView.load();
}

int ShowInfoView() {
    if (ReadDebugConfigInt(L"show_info_view") != 1) {
        return 1;
    }
    // The object lives until the process ends: workers may still write log lines at exit.
    static InfoViewDlg* object = new InfoViewDlg;
    if (g_infoView.load() == nullptr && object->Create() != nullptr) {
        g_infoView.store(object);
    }
    return 1;
}

int InfoViewRefresh(const DownloadInfo* info) {
    if (InfoViewDlg* view = g_infoView.load()) {
        view->Refresh(info);
    }
    return 1;
}

int InfoViewLogListener(const char* text) {
    if (InfoViewDlg* view = g_infoView.load()) {
        view->AddLogLine(text);
    }
    return 1;
}

} // namespace skin
