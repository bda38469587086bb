// The download engine: one package from up to five mirrors at once, in parallel byte ranges,
// verified block by block against the description's digests.
//
// Threads: the caller's (DownloadCfg, polling, Stop); the description transfer thread, which
// also parses the description, ranks the mirrors and starts the segments; one thread per
// segment transfer; the dispatcher; and any thread that calls GetDownloadInfo.
//
// Locks, always taken in this order:
//  - m_fileMutex, the engine's "Download_File" mutex (recursive, so that a callback may call
//    back into the engine): serialises every stored chunk (package file, memory copy, progress
//    callback), the finish check with its verification and repairs, and each dispatcher round.
//    Every callback is raised under it, so callbacks never overlap.
//  - m_tableMutex: guards the segment table, size, downloaded and threadCount, and is held only
//    for short reads and writes, never while calling out. GetDownloadInfo takes only this one,
//    so a paint never waits for a transfer or a verification.
#pragma once

#include "app/JFile.h"
#include "download/IDownloader.h"
#include "download/SegmentBook.h"
#include "platform/PackageMemory.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

inline constexpr size_t kCfgUrlFieldSize = 520;
inline constexpr uint32_t kDispatchIntervalMilliseconds = 2000;

class DownloaderCurl : public IDownloader {
public:
    DownloaderCurl();
    ~DownloaderCurl() override;
    DownloaderCurl(const DownloaderCurl&) = delete;
    DownloaderCurl& operator=(const DownloaderCurl&) = delete;

    long DownloadCfg(const char* url, const char* localPath) override;
    long ParseCfg(const std::wstring& cfgPath, const char* localPath) override;
    long BeginDownload(const DownloadItem& item) override;
    long Stop() override;
    bool IsDownloading() override { return m_running.load(); }
    long SetCallback(const ProgressNotify& callback) override;
    long GetDownloadInfo(DownloadInfo* out) override;
    int GetStatus() override { return m_outcome.load(); }
    void SetProxy(const char* proxy) override;

    // Description thread.
    virtual long OnCfgDownloaded(DownloadSegment* segment);
    // Description thread: checks every mirror of item and ranks the usable ones.
    virtual long CheckDownload(DownloadItem& item);
    virtual long InitDownload();
    // Configures and starts one segment transfer. Called with m_fileMutex held.
    virtual long BeginDownloadItem(DownloadSegment* segment);

    // Segment threads, after their transfer ended.
    void CheckFinish(DownloadSegment* segment);
    // Under m_fileMutex: 1 when the package matches its digests, else 0 with repairs started.
    int CheckHash();
    long RepairData(uint32_t first, uint32_t last);
    // Under m_fileMutex: stores one chunk; the bytes written to the package file.
    uint32_t WriteAt(const void* data, uint32_t length, uint32_t offset);
    int FindLargestRemaining();
    std::optional<std::string> GetBestURL(const std::string* excludedUrl);
    bool GetNetworkNotFull(const char* url);
    void CloseFile();

    // libcurl write callbacks.
    static size_t SegmentWriteCallback(char* data, size_t size, size_t count, void* segment);
    static size_t CfgWriteCallback(char* data, size_t size, size_t count, void* segment);

    // The usable mirrors, fastest first, once the mirror check is done. Any thread.
    std::vector<UrlCfg> RankedMirrors();
    DownloadItem ItemForTesting();
    // Replaces the tick count the engine stamps chunks with.
    void SetTickSourceForTesting(uint32_t (*tick)());
    // Sets the engine up for transfers of a size-byte package to path without a description
    // or mirror check: memory copy, package file, running.
    long PrepareForTesting(uint32_t size, const char* path);
    // Adds a segment for [start, end] on url and starts it; its id.
    int StartSegmentForTesting(uint32_t start, uint32_t end, const char* url);
    // The memory copy's bytes so far.
    std::vector<uint8_t> MemoryCopyForTesting();

private:
    void CfgTransferThread(DownloadSegment* segment);
    void SegmentTransferThread(DownloadSegment* segment, void* handle);
    void Dispatch();
    // Runs body on a new engine thread; its number, or 0 once Stop was called.
    int StartThread(std::function<void()> body);
    void Notify(int code, unsigned value1, long value2);
    // Ends the description stage with outcome 4 and callback (4, 0, 0).
    long FailDescription(long result);
    // Under m_fileMutex, with no transfer active: verifies, repairs, or ends the download.
    void FinishIfIdle();
    bool AwaitsDispatcher() const;
    // Under m_fileMutex. Blocks are verified as soon as one segment has stored all of them, so
    // that the finish check rarely has to digest the whole package.
    void ForgetBlockChecks(uint32_t offset, uint32_t length);
    void CheckCompletedBlocks(uint32_t segmentStart, uint32_t before, uint32_t after);
    bool AcceptedByBlocks();
    uint32_t Now() const { return m_tick(); }

    ProgressNotify m_callback;
    SegmentBook m_book;
    DownloadItem m_item;
    std::vector<UrlCfg> m_vecUrlCfg;
    std::string m_proxy;
    JFile m_file;
    uint32_t m_size = 0;
    uint32_t m_downloaded = 0;
    int m_threadCount = 0;
    platform::PackageMemory m_memory;
    std::atomic<bool> m_running{false};
    std::atomic<int> m_outcome{0};
    DownloadSegment m_cfgSegment;
    JFile m_cfgFile;
    char m_cfgUrl[kCfgUrlFieldSize] = {};
    char m_cfgPath[kPathFieldSize] = {};
    char m_localPath[kPathFieldSize] = {};

    std::recursive_mutex m_fileMutex;
    int m_fileMutexHandle = 0;
    std::mutex m_tableMutex;
    int m_repairsStarted = 0;
    std::vector<uint8_t> m_blockGood; // per 1 MiB block: 1 when its digest matched

    std::atomic<bool> m_stopRequested{false};
    std::mutex m_wakeMutex;
    std::condition_variable m_wake;
    std::mutex m_threadsMutex;
    std::vector<std::thread> m_threads;
    int m_nextThreadNumber = 0;
    uint32_t (*m_tick)() = nullptr;
};
